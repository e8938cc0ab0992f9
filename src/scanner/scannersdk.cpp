#include "scannersdk.h"

#include "devicerecords.h"
#include "requestsnapshot.h"
#include "scanprogress.h"

#include <processingsteps.h>

#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QMutexLocker>

#include <servicemodes.h>

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

} // namespace

ScannerSDK::ScannerSDK(QObject* parent)
    : QThread(parent)
    , m_device(std::make_unique<NVAScanner>())
    , m_progress(std::make_unique<ScanProgress>([this](int percent) {
        emit scannerProgress_s(percent);
        emit scannerRequestProgress_s(activeSerial(), percent);
    }))
{
    STImage::registerMetaType();
    qRegisterMetaType<RequestOutcome>();
    m_transform.reset();
    m_device->setRunning(false);
    m_device->setLineObserver(
        [this](std::size_t delivered, std::size_t total) { m_progress->linesDelivered(delivered, total); });
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
    m_pending.clear();
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

void ScannerSDK::setScannerName(const QString& name)
{
    m_scannerName = name;
    // The thread has not started, or has ended and been joined: nothing else
    // touches the wrapper.
    if (!isRunning())
        m_device->setScannerName(name);
}

void ScannerSDK::relink(const QString& name)
{
    m_scannerName = name;
    ScanRequest request;
    request.bytes = name.toUtf8();
    if (isRunning() && keepRunning()) {
        queueRequest(RequestRelink, request);
        return;
    }
    // A failed link ends the loop on its own; join it before starting again.
    wait();
    setScanRunning(true);
    queueRequest(RequestRelink, request);
    setKeepRunning(true);
    start(QThread::InheritPriority);
}

void ScannerSDK::startLink()
{
    setScanRunning(true);
    queueRequest(RequestLink, ScanRequest());
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
    if (!running) {
        m_cancelledUpTo = m_lastSerial;
        m_device->setRunning(false);
    } else if (m_activeSerial == 0 || m_activeSerial > m_cancelledUpTo) {
        // A cancelled scan still in the library stays cancelled: the next request
        // raises the device's flag itself when its own scan starts.
        m_device->setRunning(true);
    }
}

bool ScannerSDK::scanRunning() const
{
    QMutexLocker lock(&m_runningLock);
    return m_running;
}

// settings, the area and the transform keep showing what was last asked for.
quint64 ScannerSDK::requestPrescan(const ScanRequest& request)
{
    if (!isLinked())
        return 0;
    settings = request.profile;
    setScanRunning(true);
    return queueRequest(RequestPrescan, request);
}

quint64 ScannerSDK::requestScan(const ScanRequest& request)
{
    if (!isLinked())
        return 0;
    settings = request.profile;
    m_scanArea = request.area;
    setTransform(request.transform);
    setScanRunning(true);
    return queueRequest(RequestScan, request);
}

bool ScannerSDK::requestPrescan()
{
    return requestPrescan(currentRequest(false)) != 0;
}

bool ScannerSDK::requestScan()
{
    return requestScan(currentRequest(true)) != 0;
}

ScanRequest ScannerSDK::currentRequest(bool withProcessing) const
{
    ScanRequest request;
    request.profile = settings;
    request.area = m_scanArea;
    request.transform = m_transform;
    request.modes = ServiceModes::instance().state();
    if (withProcessing && m_processing)
        request.processing = m_processing->fork();
    return request;
}

bool ScannerSDK::requestScanParameter()
{
    if (!isLinked())
        return false;
    queueRequest(RequestGetScanParameter, currentRequest(false));
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
    ScanRequest request;
    request.bytes = record.left(static_cast<int>(device::kScanParameterSize));
    queueRequest(RequestSetScanParameter, request);
    return true;
}

void ScannerSDK::setTransform(const ImageTransform& transform)
{
    m_transform = transform;
    m_transform.setScale(1.0);
}

quint64 ScannerSDK::requestFirmwareUpdate(const QByteArray& bytes)
{
    ScanRequest request;
    request.bytes = bytes;
    return queueRequest(RequestFirmware, request);
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
    const QDeadlineTimer deadline(milliseconds);
    QMutexLocker lock(&m_loopLock);
    while (m_keepRunning && !deadline.hasExpired())
        m_loopWake.wait(&m_loopLock, deadline);
}

void ScannerSDK::idlePause(int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    QMutexLocker lock(&m_loopLock);
    while (m_keepRunning && !m_requestWaiting && !deadline.hasExpired())
        m_loopWake.wait(&m_loopLock, deadline);
    m_requestWaiting = false;
}

quint64 ScannerSDK::queueRequest(int code, ScanRequest value)
{
    RequestSnapshot request;
    {
        QMutexLocker lock(&m_runningLock);
        request.serial = ++m_lastSerial;
    }
    const quint64 serial = request.serial;
    request.code = code;
    // The final scan is only turned, mirrored and flipped.
    value.transform.setScale(1.0);
    request.value = std::move(value);
    {
        QMutexLocker lock(&m_requestLock);
        m_pending.push_back(std::move(request));
    }
    // The worker starts on it at once instead of at the end of its idle pause.
    QMutexLocker lock(&m_loopLock);
    m_requestWaiting = true;
    m_loopWake.wakeAll();
    return serial;
}

bool ScannerSDK::takeRequest(RequestSnapshot& request)
{
    {
        QMutexLocker lock(&m_requestLock);
        if (m_pending.empty())
            return false;
        request = std::move(m_pending.front());
        m_pending.pop_front();
        m_handling = request.code;
    }
    QMutexLocker lock(&m_runningLock);
    m_activeSerial = request.serial;
    return true;
}

void ScannerSDK::finishRequest()
{
    m_device->setScanWanted(nullptr);
    m_progress->finish();
    {
        QMutexLocker lock(&m_runningLock);
        m_activeSerial = 0;
    }
    QMutexLocker lock(&m_requestLock);
    m_handling = RequestPoll;
}

int ScannerSDK::request() const
{
    QMutexLocker lock(&m_requestLock);
    if (m_handling == RequestPoll && !m_pending.empty())
        return m_pending.front().code;
    return m_handling;
}

quint64 ScannerSDK::activeSerial() const
{
    QMutexLocker lock(&m_runningLock);
    return m_activeSerial;
}

bool ScannerSDK::stillWanted(const RequestSnapshot& request) const
{
    return stillWanted(request.serial);
}

bool ScannerSDK::stillWanted(quint64 serial) const
{
    QMutexLocker lock(&m_runningLock);
    return m_running && serial > m_cancelledUpTo;
}

void ScannerSDK::watchForCancel(const RequestSnapshot& request)
{
    m_device->setScanWanted([this, serial = request.serial] { return stillWanted(serial); });
}

RequestOutcome ScannerSDK::failed(const RequestSnapshot& request, const QString& reason) const
{
    if (!stillWanted(request))
        return ended(RequestOutcome::Cancelled);
    qCWarning(lcWorker) << "request" << request.code << "failed:" << reason;
    return ended(RequestOutcome::Failed, reason);
}

RequestOutcome ScannerSDK::ended(RequestOutcome::Result result, const QString& message)
{
    RequestOutcome outcome;
    outcome.result = result;
    outcome.message = message;
    return outcome;
}

QString ScannerSDK::notLinkedReason()
{
    return tr("The scanner is not linked. Check its cable and power, then start Korvane again.");
}

void ScannerSDK::run()
{
    RequestSnapshot request;
    while (keepRunning()) {
        if (m_serviceRecordWanted.exchange(false) && isLinked())
            m_device->sendServiceRecord(QByteArray(NVAScanner::scanParameterSize(), '\0'));
        if (!takeRequest(request)) {
            handlePoll();
        } else {
            RequestOutcome outcome = ended(RequestOutcome::Failed);
            switch (request.code) {
            case RequestPrescan:
                outcome = handlePrescan(request);
                break;
            case RequestScan:
                outcome = handleFinalScan(request);
                break;
            case RequestLink:
                outcome = handleLink();
                break;
            case RequestRelink:
                outcome = handleRelink(request);
                break;
            case RequestFirmware:
                outcome = handleFirmware(request);
                break;
            case RequestGetScanParameter:
                outcome = handleGetScanParameter(request);
                break;
            case RequestSetScanParameter:
                outcome = handleSetScanParameter(request);
                break;
            default:
                break;
            }
            outcome.serial = request.serial;
            outcome.kind = request.code;
            emit scannerRequestEnded_s(outcome);
            // The request's processing object and bytes are not kept until the next one.
            request = RequestSnapshot();
            finishRequest();
        }
        if (keepRunning())
            idlePause(kIdlePauseMs);
    }
    qCDebug(lcWorker) << "scanner loop ended";
}

RequestOutcome ScannerSDK::handleLink()
{
    const bool linked = m_device->link() != 0;
    if (!linked) {
        // A scanner that is missing, busy or not allowed says so, naming itself.
        const QString reason = m_device->failureReason();
        if (keepRunning())
            pause(kLinkFailurePauseMs);
        emit scannerLinkFailure_s();
        setKeepRunning(false);
        m_linked.store(false);
        return ended(RequestOutcome::Failed, reason);
    }
    m_linked.store(true);
    return ended(RequestOutcome::Done);
}

RequestOutcome ScannerSDK::handleRelink(const RequestSnapshot& request)
{
    m_linked.store(false);
    m_device->unlink();
    m_device->setScannerName(QString::fromUtf8(request.value.bytes));
    // The new scanner is announced by the first poll that finds it, as at start-up,
    // and its absence before that is no disconnect.
    s_deviceSeen.store(false);
    m_scannedOnce = false;
    return handleLink();
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
            if (ScannerModels::isSupported(model)) {
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

RequestOutcome ScannerSDK::handleFirmware(const RequestSnapshot& request)
{
    if (!isLinked()) {
        emit scannerFWUpdateFailure_s();
        return ended(RequestOutcome::Failed, notLinkedReason());
    }
    const QByteArray& bytes = request.value.bytes;
    if (bytes.size() > NVAScanner::firmwareBlockSize()) {
        // Refused before anything reached the device, which stays linked as it was.
        qCWarning(lcWorker) << "firmware larger than the device's block refused";
        emit scannerFWUpdateFailure_s();
        return ended(RequestOutcome::Failed);
    }
    if (m_device->updateFirmware(bytes) != 0) {
        if (keepRunning())
            pause(m_firmwareSettleMs);
        emit scannerFWUpdateSucess_s();
        return ended(RequestOutcome::Done);
    }
    qCWarning(lcWorker) << "the device refused the firmware";
    // A device that does not take firmware at all says so and stays linked as it was.
    const QString reason = m_device->failureReason();
    if (reason.isEmpty())
        m_linked.store(false);
    emit scannerFWUpdateFailure_s();
    return ended(RequestOutcome::Failed, reason);
}

RequestOutcome ScannerSDK::handleGetScanParameter(const RequestSnapshot& request)
{
    if (!isLinked()) {
        setKeepRunning(false);
        return ended(RequestOutcome::Failed, notLinkedReason());
    }
    if (!m_scannedOnce) {
        runParameterScan(request);
        m_scannedOnce = true;
    }
    QByteArray record;
    if (m_device->getScanParameter(record) != 0) {
        emit scannerGetScanParameter_s(record);
        return ended(RequestOutcome::Done);
    }
    return deviceRefusal("reading the scan parameters failed");
}

RequestOutcome ScannerSDK::handleSetScanParameter(const RequestSnapshot& request)
{
    if (!isLinked()) {
        setKeepRunning(false);
        return ended(RequestOutcome::Failed, notLinkedReason());
    }
    if (m_device->setScanParameter(request.value.bytes) != 0) {
        emit scannerSetScanParameter_s();
        return ended(RequestOutcome::Done);
    }
    return deviceRefusal("writing the scan parameters failed");
}

RequestOutcome ScannerSDK::deviceRefusal(const char* what) const
{
    qCWarning(lcWorker) << what;
    return ended(RequestOutcome::Failed, m_device->failureReason());
}
