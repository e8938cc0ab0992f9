#pragma once

#include "imagetransform.h"
#include "nvascanner.h"

#include <scanprofile.h>
#include <stimage.h>

#include <QByteArray>
#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <array>
#include <atomic>
#include <memory>

class ProcessingSteps;

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
//  - The user-interface thread constructs and destroys the worker and calls the
//    request operations, startLink(), setKeepRunning() and setScanRunning(). None of
//    them waits on a lock held across a device call, so the interface never blocks.
//  - The worker thread runs run() and every handler; every device call except the
//    about dialog's service command happens there.
//  - running is guarded by m_runningLock, keep-running by m_loopLock (which also
//    wakes the worker's pauses); no code path holds both.
//  - The request is one atomic word: the code in its low byte and, above it, a count
//    of requests set. The interface sets it; the worker puts it back to the poll
//    with a compare-and-swap from the word it picked up, so a request set while a
//    handler finishes (even one of the same kind) is kept, not overwritten.
//  - settings, the scan area, the transform, the firmware bytes and the parameter
//    record are written by the interface just before it sets the request, while the
//    worker is polling, and read by the worker only inside the handler of that request; the
//    modal wait dialogs keep the two apart in time.
//  - linked is atomic: the request operations read it on the interface thread.
//  - The service command is a flag of its own (atomic), not a request code, so asking
//    for it cannot overwrite a request that is still waiting.
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

    void startLink();
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
    int request() const { return int(m_request.load() & kRequestCodeMask); }

    // The wrapper, for the about dialog's service command and for tests that point
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

protected:
    void run() override;

private:
    // Sleeps up to the given time, ending early when keep-running goes false.
    void pause(int milliseconds);
    static constexpr quint64 kRequestCodeMask = 0xFF;
    void setRequest(int code);
    // Puts the request back to the poll unless a new one was set meanwhile.
    void finishRequest(quint64 handled);

    void handleLink();
    void handlePoll();
    void handleFirmware();
    void handleGetScanParameter();
    void handleSetScanParameter();

    // Prescan and final scan (prescanacquisition.cpp, finalscanacquisition.cpp).
    void handlePrescan();
    void handleFinalScan();
    // The device colour balance preset of a model code; other codes keep current.
    static std::array<quint16, 3> presetBalance(int modelCode, const std::array<quint16, 3>& current);
    // Engineer gains and lightness, or the multipass balance.
    void applyScanBalance(device::ScanOptionRecord& record);
    int modelCode() const { return NVAScanner::modelCode(m_device->deviceInfo()); }
    // The one scan that makes the device settle its parameters before the first read.
    void runParameterScan();

    ScanArea m_scanArea;
    std::atomic<bool> m_linked { false };
    std::atomic<quint64> m_request { RequestPrescan };
    std::unique_ptr<NVAScanner> m_device;
    ImageTransform m_transform;
    QByteArray m_firmware;
    // The device colour balance sent in the scan option record.
    std::array<quint16, 3> m_colourBalance { { 137, 139, 133 } };
    bool m_running = false;
    mutable QMutex m_runningLock;
    bool m_keepRunning = false;
    mutable QMutex m_loopLock;
    QWaitCondition m_loopWake;
    QByteArray m_parameterRecord; // the 53-byte scan parameter record to send
    struct BalanceWork {
        std::array<qint32, 3> balance { { 100, 100, 100 } };
        std::array<qint32, 3> highlight { { 100, 100, 100 } };
        std::array<qint32, 3> shadow { { 100, 100, 100 } };
    } m_balanceWork;
    bool m_scannedOnce = false;
    std::atomic<bool> m_serviceRecordWanted { false };
    ProcessingSteps* m_processing = nullptr;
    int m_firmwareSettleMs = 8000;
};
