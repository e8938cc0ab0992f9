#include "scannersdk.h"

#include "devicerecords.h"
#include "requestsnapshot.h"
#include "scanprogress.h"

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
    , m_progress(std::make_unique<ScanProgress>([this](int percent) { emit scannerProgress_s(percent); }))
{
    STImage::registerMetaType();
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
    if (isRunning() && keepRunning()) {
        queueRequest(RequestRelink, name.toUtf8());
        return;
    }
    // A failed link ends the loop on its own; join it before starting again.
    wait();
    setScanRunning(true);
    queueRequest(RequestRelink, name.toUtf8());
    setKeepRunning(true);
    start(QThread::InheritPriority);
}

void ScannerSDK::startLink()
{
    setScanRunning(true);
    queueRequest(RequestLink);
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

bool ScannerSDK::requestPrescan()
{
    if (!isLinked())
        return false;
    setScanRunning(true);
    queueRequest(RequestPrescan);
    return true;
}

bool ScannerSDK::requestScan()
{
    if (!isLinked())
        return false;
    setScanRunning(true);
    queueRequest(RequestScan);
    return true;
}

bool ScannerSDK::requestScanParameter()
{
    if (!isLinked())
        return false;
    queueRequest(RequestGetScanParameter);
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
    queueRequest(RequestSetScanParameter, record.left(static_cast<int>(device::kScanParameterSize)));
    return true;
}

void ScannerSDK::setTransform(const ImageTransform& transform)
{
    m_transform = transform;
    m_transform.setScale(1.0);
}

void ScannerSDK::requestFirmwareUpdate(const QByteArray& bytes)
{
    queueRequest(RequestFirmware, bytes);
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

void ScannerSDK::queueRequest(int code, const QByteArray& bytes)
{
    RequestSnapshot request;
    {
        QMutexLocker lock(&m_runningLock);
        request.serial = ++m_lastSerial;
    }
    request.code = code;
    request.bytes = bytes;
    // Copies of the interface's own fields: this runs on the thread that writes them.
    request.settings = settings;
    request.area = m_scanArea;
    request.transform = m_transform;
    request.modes = ServiceModes::instance().state();

    {
        QMutexLocker lock(&m_requestLock);
        m_pending.push_back(std::move(request));
    }
    // The worker starts on it at once instead of at the end of its idle pause.
    QMutexLocker lock(&m_loopLock);
    m_requestWaiting = true;
    m_loopWake.wakeAll();
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

void ScannerSDK::reportFailure(const RequestSnapshot& request, const QString& reason)
{
    if (!stillWanted(request))
        return;
    qCWarning(lcWorker) << "request" << request.code << "failed:" << reason;
    emit scannerRequestFailed_s(request.code, reason);
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
            switch (request.code) {
            case RequestPrescan:
                handlePrescan(request);
                break;
            case RequestScan:
                handleFinalScan(request);
                break;
            case RequestLink:
                handleLink();
                break;
            case RequestRelink:
                handleRelink(request);
                break;
            case RequestFirmware:
                handleFirmware(request);
                break;
            case RequestGetScanParameter:
                handleGetScanParameter(request);
                break;
            case RequestSetScanParameter:
                handleSetScanParameter(request);
                break;
            default:
                break;
            }
            // The snapshot's image-sized members are not kept until the next request.
            request = RequestSnapshot();
            finishRequest();
        }
        if (keepRunning())
            idlePause(kIdlePauseMs);
    }
    qCDebug(lcWorker) << "scanner loop ended";
}

void ScannerSDK::handleLink()
{
    const bool linked = m_device->link() != 0;
    if (!linked) {
        // A scanner that is missing, busy or not allowed says so, naming itself.
        const QString reason = m_device->failureReason();
        if (keepRunning())
            pause(kLinkFailurePauseMs);
        if (!reason.isEmpty())
            emit scannerRequestFailed_s(RequestLink, reason);
        emit scannerLinkFailure_s();
        setKeepRunning(false);
    }
    m_linked.store(linked);
}

void ScannerSDK::handleRelink(const RequestSnapshot& request)
{
    m_linked.store(false);
    m_device->unlink();
    m_device->setScannerName(QString::fromUtf8(request.bytes));
    // The new scanner is announced by the first poll that finds it, as at start-up,
    // and its absence before that is no disconnect.
    s_deviceSeen.store(false);
    m_scannedOnce = false;
    handleLink();
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

void ScannerSDK::handleFirmware(const RequestSnapshot& request)
{
    if (!isLinked()) {
        emit scannerFWUpdateFailure_s();
        return;
    }
    if (request.bytes.size() > NVAScanner::firmwareBlockSize()) {
        // Refused before anything reached the device, which stays linked as it was.
        qCWarning(lcWorker) << "firmware larger than the device's block refused";
        emit scannerFWUpdateFailure_s();
        return;
    }
    if (m_device->updateFirmware(request.bytes) != 0) {
        if (keepRunning())
            pause(m_firmwareSettleMs);
        emit scannerFWUpdateSucess_s();
    } else {
        qCWarning(lcWorker) << "the device refused the firmware";
        // A device that does not take firmware at all stays linked as it was.
        const QString reason = m_device->failureReason();
        if (reason.isEmpty())
            m_linked.store(false);
        else
            emit scannerRequestFailed_s(request.code, reason);
        emit scannerFWUpdateFailure_s();
    }
}

void ScannerSDK::handleGetScanParameter(const RequestSnapshot& request)
{
    if (!isLinked()) {
        setKeepRunning(false);
        return;
    }
    if (!m_scannedOnce) {
        runParameterScan(request);
        m_scannedOnce = true;
    }
    QByteArray record;
    if (m_device->getScanParameter(record) != 0)
        emit scannerGetScanParameter_s(record);
    else
        reportDeviceRefusal(request, "reading the scan parameters failed");
}

void ScannerSDK::handleSetScanParameter(const RequestSnapshot& request)
{
    if (!isLinked()) {
        setKeepRunning(false);
        return;
    }
    if (m_device->setScanParameter(request.bytes) != 0)
        emit scannerSetScanParameter_s();
    else
        reportDeviceRefusal(request, "writing the scan parameters failed");
}

void ScannerSDK::reportDeviceRefusal(const RequestSnapshot& request, const char* what)
{
    qCWarning(lcWorker) << what;
    const QString reason = m_device->failureReason();
    if (!reason.isEmpty())
        emit scannerRequestFailed_s(request.code, reason);
}
