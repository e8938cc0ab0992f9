#include "scannersdk.h"

#include "devicerecords.h"

#include <QLoggingCategory>
#include <QMutexLocker>

Q_LOGGING_CATEGORY(lcWorker, "korvane.scanner.worker", QtInfoMsg)

namespace
{

constexpr int kIdlePauseMs = 500;
constexpr int kLinkFailurePauseMs = 1000;
constexpr int kFirstSightPauseMs = 100;
// Long enough for a cancelled scan to return from the library; every pause of the
// loop ends as soon as keep-running goes false.
constexpr unsigned long kShutdownJoinMs = 10000;

std::atomic<bool> s_deviceSeen { false };

bool isSupportedModel(int modelCode)
{
    return modelCode == 82 || modelCode == 83 || modelCode == 84;
}

} // namespace

ScannerSDK::ScannerSDK(QObject* parent)
    : QThread(parent)
    , m_device(std::make_unique<NVAScanner>())
{
    STImage::registerMetaType();
    m_transform.reset();
    m_device->setRunning(false);
}

ScannerSDK::~ScannerSDK()
{
    setKeepRunning(false);
    setScanRunning(false);
    if (!wait(kShutdownJoinMs)) {
        // Destroying a running thread would end the process, and unloading the
        // library under a device call would crash it: waiting is the only safe way.
        qCCritical(lcWorker) << "the scanner thread did not stop within" << kShutdownJoinMs
                             << "ms; still waiting";
        wait();
    }
    m_firmware.clear();
    m_device.reset();
}

bool ScannerSDK::deviceSeen()
{
    return s_deviceSeen.load();
}

void ScannerSDK::forgetDeviceSeenForTests()
{
    s_deviceSeen.store(false);
}

void ScannerSDK::startLink()
{
    setRequest(RequestLink);
    setScanRunning(true);
    setKeepRunning(true);
    start(QThread::InheritPriority);
}

void ScannerSDK::setKeepRunning(bool keepRunning)
{
    QMutexLocker lock(&m_loopLock);
    m_keepRunning = keepRunning;
    if (!keepRunning)
        m_loopWake.wakeAll();
}

bool ScannerSDK::keepRunning() const
{
    QMutexLocker lock(&m_loopLock);
    return m_keepRunning;
}

void ScannerSDK::setScanRunning(bool running)
{
    QMutexLocker lock(&m_runningLock);
    m_running = running;
    m_device->setRunning(running);
}

bool ScannerSDK::scanRunning() const
{
    QMutexLocker lock(&m_runningLock);
    return m_running;
}

bool ScannerSDK::requestPrescan()
{
    if (!isLinked())
        return false;
    setScanRunning(true);
    setRequest(RequestPrescan);
    return true;
}

bool ScannerSDK::requestScan()
{
    if (!isLinked())
        return false;
    setScanRunning(true);
    setRequest(RequestScan);
    return true;
}

bool ScannerSDK::requestScanParameter()
{
    if (!isLinked())
        return false;
    setRequest(RequestGetScanParameter);
    return true;
}

bool ScannerSDK::requestSetScanParameter(const QByteArray& record)
{
    if (!isLinked())
        return false;
    // A short record would be read past its end by the device.
    if (record.size() < static_cast<int>(device::kScanParameterSize)) {
        qCWarning(lcWorker) << "scan parameter record of" << record.size() << "bytes refused";
        return false;
    }
    m_parameterRecord = record.left(static_cast<int>(device::kScanParameterSize));
    setRequest(RequestSetScanParameter);
    return true;
}

void ScannerSDK::setTransform(const ImageTransform& transform)
{
    m_transform = transform;
    m_transform.setScale(1.0);
}

void ScannerSDK::requestFirmwareUpdate(const QByteArray& bytes)
{
    m_firmware = bytes;
    setRequest(RequestFirmware);
}

bool ScannerSDK::requestServiceRecord()
{
    if (!isLinked())
        return false;
    m_serviceRecordWanted.store(true);
    return true;
}

void ScannerSDK::pause(int milliseconds)
{
    QMutexLocker lock(&m_loopLock);
    if (m_keepRunning)
        m_loopWake.wait(&m_loopLock, static_cast<unsigned long>(milliseconds));
}

void ScannerSDK::setRequest(int code)
{
    quint64 word = m_request.load();
    quint64 next;
    do {
        next = ((word & ~kRequestCodeMask) + (kRequestCodeMask + 1)) | quint64(code);
    } while (!m_request.compare_exchange_weak(word, next));
}

void ScannerSDK::finishRequest(quint64 handled)
{
    const quint64 poll = (handled & ~kRequestCodeMask) | RequestPoll;
    m_request.compare_exchange_strong(handled, poll);
}

void ScannerSDK::run()
{
    while (keepRunning()) {
        if (m_serviceRecordWanted.exchange(false) && isLinked())
            m_device->sendServiceRecord(QByteArray(NVAScanner::scanParameterSize(), '\0'));
        const quint64 request = m_request.load();
        switch (int(request & kRequestCodeMask)) {
        case RequestPrescan:
            handlePrescan();
            finishRequest(request);
            break;
        case RequestScan:
            handleFinalScan();
            finishRequest(request);
            break;
        case RequestPoll:
            handlePoll();
            break;
        case RequestLink:
            handleLink();
            if (isLinked())
                finishRequest(request);
            break;
        case RequestFirmware:
            handleFirmware();
            finishRequest(request);
            break;
        case RequestGetScanParameter:
            handleGetScanParameter();
            finishRequest(request);
            break;
        case RequestSetScanParameter:
            handleSetScanParameter();
            finishRequest(request);
            break;
        default:
            break;
        }
        if (keepRunning())
            pause(kIdlePauseMs);
    }
    qCDebug(lcWorker) << "scanner loop ended";
}

void ScannerSDK::handleLink()
{
    const bool linked = m_device->link() != 0;
    if (!linked) {
        if (keepRunning())
            pause(kLinkFailurePauseMs);
        emit scannerLinkFailure_s();
        setKeepRunning(false);
    }
    m_linked.store(linked);
}

void ScannerSDK::handlePoll()
{
    if (!isLinked()) {
        setKeepRunning(false);
        return;
    }
    device::StatusRecord status {};
    m_device->queryStatus(&status);
    const std::uint8_t bits = status.statusBits;

    if (bits & device::kStatusPresent) {
        if (!s_deviceSeen.exchange(true)) {
            pause(kFirstSightPauseMs);
            const QByteArray info = m_device->deviceInfo();
            const int model = NVAScanner::modelCode(info);
            if (isSupportedModel(model)) {
                emit scannerInquiry_s(info);
                emit scannerLinkReady_s();
            } else {
                qCWarning(lcWorker) << "unsupported scanner model" << model;
                emit scannerLinkFailure_s();
                setKeepRunning(false);
                m_linked.store(false);
            }
        } else if (bits & device::kStatusScanKey) {
            emit scanKey_s();
        }
    } else if (s_deviceSeen.load()) {
        emit scannerDisconnect_s();
        setKeepRunning(false);
        m_linked.store(false);
    }
}

void ScannerSDK::handleFirmware()
{
    if (!isLinked()) {
        emit scannerFWUpdateFailure_s();
        return;
    }
    const QByteArray bytes = m_firmware;
    if (bytes.size() > NVAScanner::firmwareBlockSize()) {
        // Refused before anything reached the device, which stays linked as it was.
        qCWarning(lcWorker) << "firmware larger than the device's block refused";
        emit scannerFWUpdateFailure_s();
        return;
    }
    if (m_device->updateFirmware(bytes) != 0) {
        if (keepRunning())
            pause(m_firmwareSettleMs);
        emit scannerFWUpdateSucess_s();
    } else {
        qCWarning(lcWorker) << "the device refused the firmware";
        m_linked.store(false);
        emit scannerFWUpdateFailure_s();
    }
}

void ScannerSDK::handleGetScanParameter()
{
    if (!isLinked()) {
        setKeepRunning(false);
        return;
    }
    if (!m_scannedOnce) {
        runParameterScan();
        m_scannedOnce = true;
    }
    QByteArray record;
    if (m_device->getScanParameter(record) != 0)
        emit scannerGetScanParameter_s(record);
    else
        qCWarning(lcWorker) << "reading the scan parameters failed";
}

void ScannerSDK::handleSetScanParameter()
{
    if (!isLinked()) {
        setKeepRunning(false);
        return;
    }
    if (m_device->setScanParameter(m_parameterRecord) != 0)
        emit scannerSetScanParameter_s();
    else
        qCWarning(lcWorker) << "writing the scan parameters failed";
}
