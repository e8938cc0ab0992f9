#pragma once

// Drives the simulated device library through its C entry point, as the program does.

#include "devicerecords.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QTest>
#include <cstring>
#include <vector>

class SimulatorDriver
{
public:
    ~SimulatorDriver() { unload(); }

    bool load(const char* file = device::kSimulatorLibraryFile)
    {
        m_library.setFileName(
            QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(file));
        if (!m_library.load())
            return false;
        m_entry = reinterpret_cast<device::ScannerDeviceIOFunction>(m_library.resolve("ScannerDeviceIO"));
        return m_entry != nullptr;
    }

    void unload()
    {
        if (m_library.isLoaded())
            m_library.unload();
        m_entry = nullptr;
    }

    QString errorString() const { return m_library.errorString(); }

    // The low byte, the only part of a result that means anything.
    int call(int command, void* data) { return m_entry(command, data) & 0xFF; }

    // Commands 1, 24, 3, 5 and 22; the result of the first failing step, else of 22.
    int link(device::DeviceInfoRecord* info)
    {
        call(device::CmdInitialise, nullptr);
        std::uint8_t session[device::kSessionBufferSize] = {};
        device::PrepareSessionRecord prepare { session, std::uint8_t(device::kSessionBufferSize) };
        call(device::CmdPrepareSession, &prepare);
        device::SessionRecord open {};
        open.sessionBuffer = session;
        const int opened = call(device::CmdOpenSession, &open);
        if (opened != 1)
            return 0;
        call(device::CmdActivateSession, &open);
        std::memset(info, 0, sizeof *info);
        info->recordSize = std::uint8_t(device::kDeviceInfoSize);
        return call(device::CmdDeviceInfo, info);
    }

    int link()
    {
        device::DeviceInfoRecord info;
        return link(&info);
    }

    std::uint8_t poll()
    {
        device::StatusRecord status { 9, 0, {} };
        call(device::CmdStatus, &status);
        return status.statusBits;
    }

private:
    QLibrary m_library;
    device::ScannerDeviceIOFunction m_entry = nullptr;
};

// What a scan delivered through the line callback.
struct ScanResult {
    int result = -1;
    int width = 0;
    int height = 0;
    int pixelFormat = 0;
    int scanDpi = 0;
    int calls = 0;
    int largestBlock = 0;
    int linesReceived = 0;
    bool endCall = false; // a call with 0 lines came
    bool callAfterEnd = false;
    bool inconsistent = false; // a call changed the announced size or format, or overflowed it
    int stopAtCall = 0; // set the stop flag in this call (1-based); 0 never
    std::vector<std::uint16_t> pixels;

    // Sample c of the pixel at x, y.
    int at(int x, int y, int c) const { return pixels[(std::size_t(y) * width + x) * 3 + c]; }
    // Mean of channel c over a square of side 2r + 1 around the point (inches) at dpi.
    double mean(double xInch, double yInch, int dpi, int c, int r = 2) const
    {
        const int cx = int(xInch * dpi);
        const int cy = int(yInch * dpi);
        double sum = 0;
        int n = 0;
        for (int y = cy - r; y <= cy + r; ++y)
            for (int x = cx - r; x <= cx + r; ++x) {
                sum += at(x, y, c);
                ++n;
            }
        return sum / n;
    }
};

inline ScanResult*& currentScan()
{
    static ScanResult* scan = nullptr;
    return scan;
}

extern "C" inline int collectLines(device::LineRecord* record)
{
    ScanResult& scan = *currentScan();
    ++scan.calls;
    if (scan.endCall)
        scan.callAfterEnd = true;
    if (scan.calls == 1) {
        scan.width = record->pixelsPerLine;
        scan.height = record->imageLines;
        scan.pixelFormat = record->pixelFormat;
        scan.scanDpi = record->scanDpi;
        if (scan.width > 0 && scan.height > 0 && scan.width <= 20000 && scan.height <= 20000)
            scan.pixels.reserve(std::size_t(scan.width) * scan.height * 3);
    }
    if (record->pixelsPerLine != scan.width || record->imageLines != scan.height
        || record->pixelFormat != scan.pixelFormat)
        scan.inconsistent = true;
    if (record->linesDelivered == 0) {
        scan.endCall = true;
    } else {
        scan.largestBlock = std::max(scan.largestBlock, record->linesDelivered);
        scan.linesReceived += record->linesDelivered;
        if (scan.linesReceived > scan.height || !record->lines) {
            scan.inconsistent = true;
        } else {
            const auto* samples = reinterpret_cast<const std::uint16_t*>(record->lines);
            scan.pixels.insert(
                scan.pixels.end(), samples, samples + std::size_t(record->linesDelivered) * scan.width * 3);
        }
    }
    if (scan.calls == scan.stopAtCall)
        record->stopFlag = 1;
    return 0;
}

// The record of a scan as the program fills it for a prescan: 300 dpi, the whole
// window, preset balance, no multipass.
inline device::ScanOptionRecord scanRecord(std::uint8_t filmMediaType, int dpi = 300, double left = 0,
    double top = 0, double right = 1.437, double bottom = 0.957)
{
    device::ScanOptionRecord record;
    std::memset(&record, 0, sizeof record);
    device::ScanInfo& info = record.ScanInfoArray[0];
    info.nDPI = dpi;
    info.fScanAreaLeft = float(left);
    info.fScanAreaTop = float(top);
    info.fScanAreaRight = float(right);
    info.fScanAreaBottom = float(bottom);
    info.nScanColorMode = device::PixelRgb16;
    info.wColorBalanceR = 137;
    info.wColorBalanceG = 139;
    info.wColorBalanceB = 133;
    info.wHighlightEnhanceR = info.wHighlightEnhanceG = info.wHighlightEnhanceB = 100;
    info.bImageQuality = 3;
    info.bFilmType = 1;
    info.bFilmMediaType = filmMediaType;
    info.bThresHold = 128;
    info.pLineCallback = collectLines;
    info.nMaxScanLine = 255;
    info.bPrescan = 1;
    info.wHighColorBalanceR = info.wHighColorBalanceG = info.wHighColorBalanceB = 100;
    info.wLowColorBalanceR = info.wLowColorBalanceG = info.wLowColorBalanceB = 100;
    info.wGainFactorR = info.wGainFactorG = info.wGainFactorB = 100;
    record.dwStatus = 1;
    return record;
}

inline ScanResult runScan(SimulatorDriver& driver, device::ScanOptionRecord record, int stopAtCall = 0)
{
    ScanResult scan;
    scan.stopAtCall = stopAtCall;
    currentScan() = &scan;
    scan.result = driver.call(device::CmdScan, &record);
    currentScan() = nullptr;
    return scan;
}
