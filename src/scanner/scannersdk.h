#pragma once

#include "imagetransform.h"
#include "nvascanner.h"

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
//  - Each request operation takes a snapshot of everything its handler needs (the
//    profile in settings, the scan area, the transform, the firmware bytes or the
//    parameter record, the engineer and RAW flags and the engineer factors) at the
//    moment of the call and queues it under m_requestLock. The worker takes the
//    snapshots in order and its handler works on its own snapshot only, so what
//    the interface writes afterwards, or a request made while another one is still
//    being handled (one just cancelled, say), never changes a running scan: the new
//    request waits its turn with its own values.
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

    // Left, top, width and height in inches on the scanner's coordinates.
    struct ScanArea {
        double left = 0.0;
        double top = 0.0;
        double width = 0.0;
        double height = 0.0;
    };

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

    bool requestPrescan();
    bool requestScan();
    bool requestScanParameter();
    bool requestSetScanParameter(const QByteArray& record);
    void requestFirmwareUpdate(const QByteArray& bytes);
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

    // The processing-step object the final scan runs its pipeline with (the manager's;
    // not owned). Set before the worker starts; without one a scan is saved unprocessed.
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
    // A prescan or final scan that failed for another reason than the user's cancel,
    // sent before the empty result, a link the device refused (before the link
    // failure) or a service request the device does not take; reason is a sentence
    // for the user.
    void scannerRequestFailed_s(int request, QString reason);
    // Progress of the running prescan or final scan in percent, at most ten times a second.
    void scannerProgress_s(int percent);

protected:
    void run() override;

private:
    // One queued request with everything its handler reads (requestsnapshot.h).
    struct RequestSnapshot;

    // Sleeps up to the given time, ending early when keep-running goes false.
    void pause(int milliseconds);
    // The pause between polls when idle; a new request ends it at once.
    void idlePause(int milliseconds);
    // Snapshots the interface's values for a request and queues it.
    void queueRequest(int code, const QByteArray& bytes = QByteArray());
    // The next queued request, taken out of the queue; false when there is none.
    bool takeRequest(RequestSnapshot& request);
    // Back to the poll once a handler has returned.
    void finishRequest();
    // Whether a prescan or scan may go on: running, and not cancelled since it was
    // requested.
    bool stillWanted(const RequestSnapshot& request) const;
    bool stillWanted(quint64 serial) const;
    // Ties the device's scans to a prescan or scan request until finishRequest().
    void watchForCancel(const RequestSnapshot& request);
    // The failure signal of a prescan or scan, unless it was cancelled.
    void reportFailure(const RequestSnapshot& request, const QString& reason);
    static QString notLinkedReason();
    // A service request the device refused: its reason, when the device gives one.
    void reportDeviceRefusal(const RequestSnapshot& request, const char* what);

    void handleLink();
    void handleRelink(const RequestSnapshot& request);
    void handlePoll();
    void handleFirmware(const RequestSnapshot& request);
    void handleGetScanParameter(const RequestSnapshot& request);
    void handleSetScanParameter(const RequestSnapshot& request);

    // Prescan and final scan (prescanacquisition.cpp, finalscanacquisition.cpp).
    void handlePrescan(const RequestSnapshot& request);
    void handleFinalScan(const RequestSnapshot& request);
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
    ProcessingSteps* m_processing = nullptr;
    int m_firmwareSettleMs = 8000;
};
