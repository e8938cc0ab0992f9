#pragma once

#include "devicerecord.h"

#include <QByteArray>
#include <QLibrary>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

class STImage;

namespace device
{
struct LineRecord;
struct ScanOptionRecord;
struct StatusRecord;
}

// The wrapper of the scanner's device library ("TQ4100.dll" in the application
// folder, one C entry point ScannerDeviceIO). Its operations are the only way to the
// scanner; the raw device records stay inside the scanner library (this header only
// names them).
//
// Threads: one instance per process, owned by the scanner worker (ScannerSDK).
// Every operation runs on the worker thread (the about dialog's service command too:
// the worker sends it between requests), with one exception:
//  - setRunning() is called from the user-interface thread (through the worker's
//    setScanRunning) to cancel a scan; the running flag is atomic because the line
//    callback reads it inside command 32 without a lock.
// The line buffer and its counters are written only by receiveLines(), which the
// library calls on the worker thread during command 32, and read by the worker after
// startScan() has returned.
class NVAScanner
{
public:
    NVAScanner();
    virtual ~NVAScanner();

    NVAScanner(const NVAScanner&) = delete;
    NVAScanner& operator=(const NVAScanner&) = delete;

    // The process-wide instance (the last one constructed and not yet destroyed),
    // which the line callback fills; nullptr when there is none.
    static NVAScanner* instance();

    // Folder that holds the device library; empty means the application folder.
    // Exists so that a test can point the wrapper at a folder without a library.
    void setLibraryFolder(const QString& folder);
    QString libraryPath() const;

    // The scanner the next link() reaches: kSimulatorName (or empty) is the simulated
    // device library; any other name is a SANE device name ("test:0") reached through
    // the SANE device library. Set while not linked.
    static constexpr const char* kSimulatorName = "simulator";
    void setScannerName(const QString& name);
    QString scannerName() const { return m_scannerName; }
    bool isSimulator() const;

    // Releases the device (command 2) and unloads the library, so that a later link()
    // can reach another scanner. Worker thread, while no scan runs.
    void unlink();
    bool isLinked() const; // the entry point is resolved

    // The link sequence (load, resolve, commands 1, 24, 3, 5, 22); the success byte
    // of command 22, 0 when any step fails.
    int link();

    // Command 21; the status bits come back in record->statusBits.
    int queryStatus(device::StatusRecord* record);

    // A copy of the device information record filled by the link; empty when no link
    // has filled one.
    QByteArray deviceInfo() const;
    // Fields of a device information record, as devicerecord.h reads them.
    static int modelCode(const QByteArray& deviceInfo) { return DeviceRecord::modelCode(deviceInfo); }
    static QString firmwareVersion(const QByteArray& deviceInfo)
    {
        return DeviceRecord::firmwareVersion(deviceInfo);
    }

    // Clears the started flag, sets the running flag and runs command 32, which
    // returns when the scan is over; the success byte.
    int startScan(device::ScanOptionRecord* record);

    // Command 33 into out (red, green, blue), preset to the device's default balance
    // (scannermodels.h); the preset is written again when the library reports failure.
    // The success byte.
    int readBalance(std::array<quint16, 3>& out);

    // Command 1008 into a zeroed 53-byte buffer (resized to 53 bytes).
    int getScanParameter(QByteArray& buffer);
    // Command 1009 / 47 with the first 53 bytes of record; a shorter record is
    // refused with 0 and never sent.
    int setScanParameter(const QByteArray& record);
    int sendServiceRecord(const QByteArray& record);

    // Command 7 with a 131072-byte block holding the firmware bytes, zero-padded; a
    // longer image is refused with 0 and never sent.
    int updateFirmware(const QByteArray& bytes);

    // The sizes of the scan parameter record and of the firmware block the device
    // takes, and where a firmware image keeps its four version characters.
    static int scanParameterSize() { return DeviceRecord::scanParameterSize(); }
    static int firmwareBlockSize() { return DeviceRecord::firmwareBlockSize(); }
    static int firmwareVersionOffset() { return DeviceRecord::firmwareVersionOffset(); }

    void setRunning(bool running);
    bool isRunning() const;

    // The line callback named in every scan option record.
    static int receiveLines(device::LineRecord* record);
    using LineCallbackFunction = int (*)(device::LineRecord*);
    static LineCallbackFunction lineCallback() { return &NVAScanner::receiveLines; }

    // Told after every block of lines stored, on the thread inside startScan(): the
    // bytes delivered so far and the bytes of the announced image. Set while no scan
    // runs.
    using LineObserver = std::function<void(std::size_t delivered, std::size_t total)>;
    void setLineObserver(LineObserver observer) { m_lineObserver = std::move(observer); }
    // Asked at every block besides the running flag; false stops the scan as a cancel
    // does. Lets the worker keep a cancel that startScan()'s raising of the running
    // flag would otherwise undo. Set while no scan runs; empty means always.
    void setScanWanted(std::function<bool()> wanted) { m_scanWanted = std::move(wanted); }

    // The image the last scan delivered, as announced by its first line record.
    int lineWidth() const { return m_width; }
    int lineHeight() const { return m_height; }
    int lineBytesPerPixel() const { return m_bytesPerPixel; }
    std::size_t bytesDelivered() const { return m_writePosition; }
    const std::vector<std::uint8_t>& lineBuffer() const { return m_buffer; }

    // The last scan as a 16-bit, 3-channel image (6 bytes per pixel, as colour mode
    // 7 delivers). Rows the library did not deliver are zero; an image whose pixel
    // format was unknown, or nothing announced, gives an empty image.
    STImage scannedImage() const;

private:
    int call(int command, void* data) const;
    void lineRecordArrived(device::LineRecord* record);
    void beginImage(const device::LineRecord& record);

    QString m_libraryFolder;
    QString m_scannerName;
    QLibrary m_library;
    std::atomic<int (*)(int, void*)> m_entry { nullptr };
    std::vector<std::uint8_t> m_deviceInfo;
    bool m_deviceInfoFilled = false;
    std::array<std::uint8_t, 20> m_sessionBuffer {};

    // The line buffer: reused from scan to scan.
    std::vector<std::uint8_t> m_buffer;
    int m_width = 0;
    int m_height = 0;
    int m_bytesPerPixel = 0;
    std::size_t m_writePosition = 0;
    bool m_started = false;
    LineObserver m_lineObserver;
    std::function<bool()> m_scanWanted;

    std::atomic<bool> m_running { false };
};
