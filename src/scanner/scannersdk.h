#pragma once

#include "imagetransform.h"
#include "nvascanner.h"
#include "scanrequest.h"

#include <scannermodels.h>
#include <scanprofile.h>
#include <stimage.h>

#include <QByteArray>
#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <array>
#include <atomic>
#include <list>
#include <memory>

class ProcessingSteps;
class ScanProgress;

namespace device
{
struct ScanOptionRecord;
}

// The scanner worker: the one thread that talks to the scanner. run() handles one
// request at a time and polls the device every 500 ms when idle; every result goes
// to the user interface as a signal, queued because the receivers live on the
// user-interface thread.
//
// Threads:
//  - The user-interface thread constructs and destroys the worker, writes settings,
//    the scan area (setScanArea) and the transform (setTransform), and calls the
//    request operations, startLink(), setKeepRunning() and setScanRunning(). Those
//    fields belong to that thread alone: the worker never reads them.
//  - Each request is one ScanRequest value (scanrequest.h) with everything its handler
//    needs, the final scan's own processing object included, queued under
//    m_requestLock with a serial. The worker takes them in order and its handler works
//    on its own value only, so what the interface does afterwards, or a request made
//    while another one is still being handled (one just cancelled, say), never
//    changes a running scan: the new request waits its turn with its own values.
//  - Every request ends in one scannerRequestEnded_s, after its own result signals,
//    carrying its serial: the interface ties a wait to the request it made.
//  - The worker thread runs run() and every handler; every device call happens there,
//    the about dialog's service command included. The device colour balance, the
//    balance work values, scanned-once and the progress meter are the worker's
//    alone; the wrapper calls the worker's line observer and cancel check on this
//    thread too, from inside the scan. Progress and failures are emitted here.
//  - running is guarded by m_runningLock, with the serial numbers that tie a cancel
//    to the requests made before it: setScanRunning(false) cancels every request
//    made so far, and a later setScanRunning(true) (every prescan and scan request
//    sets it) does not revive them. keep-running is guarded by m_loopLock (which
//    also wakes the worker's pauses). No code path holds two of the three locks.
//  - linked is atomic: the request operations read it on the interface thread.
//  - The scanner name is the interface thread's; the wrapper gets it from
//    setScannerName() before the thread starts, or from the relink request's
//    snapshot on the worker thread, which lets go of the old device first.
//  - The service command is a flag of its own (atomic), not a queued request: the
//    worker sends it before it takes the next request, so it never waits behind a
//    queue of scans and never meets another device call.
//
// Destruction (on the interface thread): keep-running goes false and wakes the
// worker, a running scan is cancelled through the running flag, and the thread is
// joined before the wrapper sends command 2 and unloads the library.
class ScannerSDK : public QThread
{
    Q_OBJECT

public:
    enum Request {
        RequestPrescan = 0,
        RequestScan = 1,
        RequestPoll = 2,
        RequestLink = 3,
        RequestFirmware = 4,
        RequestGetScanParameter = 5,
        RequestSetScanParameter = 6,
        RequestRelink = 7,
    };

    using ScanArea = ::ScanArea;

    explicit ScannerSDK(QObject* parent = nullptr);
    ~ScannerSDK() override;

    // The current profile; the main form copies the selected one in before every
    // prescan and scan.
    ScanProfile settings;

    // The scanner the next link reaches, as ScannerList names it (the simulated one by
    // default). Set before startLink(); relink() changes it later.
    void setScannerName(const QString& name);
    QString scannerName() const { return m_scannerName; }

    void startLink();
    // Lets go of the linked scanner and links the one called name, announced as the
    // first link is (scannerInquiry_s and scannerLinkReady_s, or scannerLinkFailure_s).
    // Also after a failed link, whose loop has ended: the thread is started again.
    void relink(const QString& name);
    void setKeepRunning(bool keepRunning);
    bool keepRunning() const;
    void setScanRunning(bool running);
    bool scanRunning() const;

    // The request's serial, 0 when refused (not linked): no outcome comes for it.
    quint64 requestPrescan(const ScanRequest& request);
    quint64 requestScan(const ScanRequest& request);
    // The same with settings, the scan area, the transform and a fork of processing().
    bool requestPrescan();
    bool requestScan();
    bool requestScanParameter();
    bool requestSetScanParameter(const QByteArray& record);
    quint64 requestFirmwareUpdate(const QByteArray& bytes);
    // The service command (47) with a zero parameter record. It is sent by the worker
    // thread before its next request, so it never meets another device call, and it
    // leaves a pending request in place. False when not linked.
    bool requestServiceRecord();

    // The final scan is only turned, mirrored and flipped: the scale goes back to 1.0.
    void setTransform(const ImageTransform& transform);
    ImageTransform transform() const { return m_transform; }
    void setScanArea(const ScanArea& area) { m_scanArea = area; }
    ScanArea scanArea() const { return m_scanArea; }

    bool isLinked() const { return m_linked.load(); }
    // The request being handled, else the next one waiting, else the poll.
    int request() const;

    // The wrapper, for tests that read its device record or point
    // it at another library folder before startLink().
    NVAScanner& device() { return *m_device; }

    // The processing-step object the argumentless requestScan() forks for its request
    // (the manager's; not owned; read on the user-interface thread only).
    void setProcessing(ProcessingSteps* steps) { m_processing = steps; }
    ProcessingSteps* processing() const { return m_processing; }

    // The pause after a successful firmware write, for the device to restart
    // (8000 ms); tests shorten it.
    void setFirmwareSettleTime(int milliseconds) { m_firmwareSettleMs = milliseconds; }

    // True once any worker in this process has seen the device present.
    static bool deviceSeen();
    // Forgets that mark, so one test program can link several simulated devices in
    // turn; the application never clears it.
    static void forgetDeviceSeenForTests();

signals:
    void scannerPreScan_s(STImage image);
    void scannerScanImage_s(QString path);
    void scannerLinkReady_s();
    void scannerLinkFailure_s();
    void scannerDisconnect_s();
    void scanKey_s();
    void scannerInquiry_s(QByteArray info);
    void scannerGetScanParameter_s(QByteArray record);
    void scannerSetScanParameter_s();
    void scannerFWUpdateSucess_s();
    // A firmware update was requested while not linked, or the device refused it.
    void scannerFWUpdateFailure_s();
    // How a request ended, once per request, after its result signals.
    void scannerRequestEnded_s(RequestOutcome outcome);
    // Progress of the running prescan or final scan in percent, at most ten times a second.
    void scannerProgress_s(int percent);
    // The same with the serial of the request it belongs to.
    void scannerRequestProgress_s(quint64 serial, int percent);

protected:
    void run() override;

private:
    // One queued request with everything its handler reads (requestsnapshot.h).
    struct RequestSnapshot;

    // Sleeps up to the given time, ending early when keep-running goes false.
    void pause(int milliseconds);
    // The pause between polls when idle; a new request ends it at once.
    void idlePause(int milliseconds);
    // Queues a request; its serial.
    quint64 queueRequest(int code, ScanRequest value);
    // The argumentless requests' value: settings, area, transform and a processing fork.
    ScanRequest currentRequest(bool withProcessing) const;
    // The next queued request, taken out of the queue; false when there is none.
    bool takeRequest(RequestSnapshot& request);
    // Back to the poll once a handler has returned.
    void finishRequest();
    // Whether a prescan or scan may go on: running, and not cancelled since it was
    // requested.
    bool stillWanted(const RequestSnapshot& request) const;
    quint64 activeSerial() const;
    bool stillWanted(quint64 serial) const;
    // Ties the device's scans to a prescan or scan request until finishRequest().
    void watchForCancel(const RequestSnapshot& request);
    // A failure, or the cancel when the request was cancelled meanwhile.
    RequestOutcome failed(const RequestSnapshot& request, const QString& reason) const;
    static RequestOutcome ended(RequestOutcome::Result result, const QString& message = QString());
    static QString notLinkedReason();
    // A service request the device refused, with its reason when the device gives one.
    RequestOutcome deviceRefusal(const char* what) const;

    // The handlers give the result and message; run() adds the serial and kind.
    RequestOutcome handleLink();
    RequestOutcome handleRelink(const RequestSnapshot& request);
    void handlePoll();
    RequestOutcome handleFirmware(const RequestSnapshot& request);
    RequestOutcome handleGetScanParameter(const RequestSnapshot& request);
    RequestOutcome handleSetScanParameter(const RequestSnapshot& request);

    // Prescan and final scan (prescanacquisition.cpp, finalscanacquisition.cpp).
    RequestOutcome handlePrescan(const RequestSnapshot& request);
    RequestOutcome handleFinalScan(const RequestSnapshot& request);
    // The device colour balance preset of a model code; other codes keep current.
    static std::array<quint16, 3> presetBalance(int modelCode, const std::array<quint16, 3>& current);
    // Engineer gains and lightness, or the multipass balance.
    void applyScanBalance(device::ScanOptionRecord& record, const RequestSnapshot& request);
    int modelCode() const { return NVAScanner::modelCode(m_device->deviceInfo()); }
    // The one scan that makes the device settle its parameters before the first read.
    void runParameterScan(const RequestSnapshot& request);

    // Written and read on the user-interface thread only; requests copy them.
    QString m_scannerName;
    ScanArea m_scanArea;
    ImageTransform m_transform;

    std::atomic<bool> m_linked { false };
    std::unique_ptr<NVAScanner> m_device;
    // The device colour balance sent in the scan option record.
    std::array<quint16, 3> m_colourBalance = ScannerModels::kDefaultBalance;
    // The balance the last prescan measured (a negative's film base, else its
    // exposure), which a negative's final scan is exposed with: a positive's scan in
    // between must not change it.
    std::array<quint16, 3> m_measuredBalance = ScannerModels::kDefaultBalance;

    bool m_running = false;
    quint64 m_lastSerial = 0; // of the last request made
    quint64 m_cancelledUpTo = 0; // requests up to this serial are cancelled
    quint64 m_activeSerial = 0; // of the request being handled, 0 when none
    mutable QMutex m_runningLock;

    bool m_keepRunning = false;
    bool m_requestWaiting = false; // a request was queued since the last idle pause; m_loopLock
    mutable QMutex m_loopLock;
    QWaitCondition m_loopWake;

    std::list<RequestSnapshot> m_pending;
    int m_handling = RequestPoll;
    mutable QMutex m_requestLock;

    struct BalanceWork {
        std::array<qint32, 3> balance { { 100, 100, 100 } };
        std::array<qint32, 3> highlight { { 100, 100, 100 } };
        std::array<qint32, 3> shadow { { 100, 100, 100 } };
    } m_balanceWork;
    bool m_scannedOnce = false;
    std::unique_ptr<ScanProgress> m_progress;
    std::atomic<bool> m_serviceRecordWanted { false };
    ProcessingSteps* m_processing = nullptr; // user-interface thread only
    int m_firmwareSettleMs = 8000;
};
