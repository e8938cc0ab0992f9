#include "workersignals.h"

#include <QCoreApplication>

WorkerSignals::WorkerSignals(ScannerSDK* sdk)
{
    clock.start();
    connect(sdk, &ScannerSDK::scannerPreScan_s, this, [this](const STImage& image) {
        note("preScan");
        emit preScan(image);
    });
    connect(sdk, &ScannerSDK::scannerScanImage_s, this, [this](const QString& path) {
        note("scanImage");
        emit scanImage(path);
    });
    connect(sdk, &ScannerSDK::scannerLinkReady_s, this, [this] {
        note("ready");
        emit linkReady();
    });
    connect(sdk, &ScannerSDK::scannerLinkFailure_s, this, [this] {
        note("failure");
        emit linkFailure();
    });
    connect(sdk, &ScannerSDK::scannerDisconnect_s, this, [this] {
        note("disconnect");
        emit disconnected();
    });
    connect(sdk, &ScannerSDK::scanKey_s, this, [this] {
        note("key");
        emit scanKey();
    });
    connect(sdk, &ScannerSDK::scannerInquiry_s, this, [this](const QByteArray& info) {
        note("inquiry");
        emit inquiry(info);
    });
    connect(sdk, &ScannerSDK::scannerGetScanParameter_s, this, [this](const QByteArray& record) {
        note("getParameters");
        emit gotParameters(record);
    });
    connect(sdk, &ScannerSDK::scannerSetScanParameter_s, this, [this] {
        note("setParameters");
        emit setParameters();
    });
    connect(sdk, &ScannerSDK::scannerFWUpdateSucess_s, this, [this] {
        note("firmwareDone");
        emit firmwareDone();
    });
    connect(sdk, &ScannerSDK::scannerFWUpdateFailure_s, this, [this] {
        note("firmwareFailed");
        emit firmwareFailed();
    });
    connect(sdk, &ScannerSDK::scannerRequestEnded_s, this, [this](const RequestOutcome& outcome) {
        // Failures are noted by name in the order; the other outcomes would crowd it.
        if (outcome.result == RequestOutcome::Failed
            && (outcome.kind == ScannerSDK::RequestPrescan || outcome.kind == ScannerSDK::RequestScan)) {
            note("requestFailed");
            emit requestFailed(outcome.kind, outcome.message);
        }
        emit ended(outcome);
    });
    // Progress stays out of the order: it interleaves with everything a scan reports.
    connect(sdk, &ScannerSDK::scannerProgress_s, this, [this](int percent) { emit progress(percent); });
}

WorkerSignals::~WorkerSignals()
{
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}
