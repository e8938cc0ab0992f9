// What the device library hands the program: the device information record (model code
// and firmware text), records of the wrong size, and the line callback fed a sequence of
// line records with hostile formats, sizes and counts. Each block's data is exactly as
// long as the record claims, so any read past it is a report.

#include "fuzzsupport.h"

#include <devicerecords.h>
#include <nvascanner.h>
#include <scannermodels.h>
#include <stimage.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace
{

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;

    bool done() const { return at >= size; }
    template <typename T> T take()
    {
        T value {};
        const std::size_t n = std::min(sizeof(T), size - std::min(at, size));
        std::memcpy(&value, data + at, n);
        at += sizeof(T);
        return value;
    }
};

// The formats the device may name, and now and then any number.
std::int32_t format(std::uint8_t selector, std::int32_t raw)
{
    constexpr std::int32_t kKnown[]
        = { device::PixelRgb8, device::PixelRgb16, device::PixelRgba8, device::PixelRgba16, 0, 5 };
    return selector < 6 * 40 ? kKnown[selector % 6] : raw;
}

// A block never holds more than this in the harness (the device's blocks are far smaller);
// a larger claim is cut down by lowering the lines delivered.
constexpr std::size_t kLargestBlock = std::size_t(1) << 20;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzSupport::quiet();
    Input in { data, size };
    const std::size_t infoBytes = std::min<std::size_t>(size, device::kDeviceInfoSize);
    const QByteArray info(reinterpret_cast<const char*>(data), int(infoBytes));
    in.at = infoBytes;
    const int model = NVAScanner::modelCode(info);
    NVAScanner::firmwareVersion(info);
    if (ScannerModels::isSupported(model)) {
        ScannerModels::deviceDpi(model, true);
        ScannerModels::outputDpi(model, false);
        ScannerModels::parameterIndex(model);
    }

    NVAScanner scanner; // no library: the records go nowhere, the callback is armed
    scanner.setScanParameter(info);
    scanner.sendServiceRecord(info);
    device::ScanOptionRecord option {};
    scanner.startScan(&option);

    while (!in.done()) {
        const std::uint8_t flags = in.take<std::uint8_t>();
        const std::uint8_t selector = in.take<std::uint8_t>();
        device::LineRecord record {};
        record.pixelFormat = format(selector, in.take<std::int32_t>());
        // Sizes mostly small, so the fuzzer explores sequences; the high flag bit takes
        // any 32-bit number instead.
        if (flags & 0x80) {
            record.pixelsPerLine = in.take<std::int32_t>();
            record.imageLines = in.take<std::int32_t>();
        } else {
            record.pixelsPerLine = in.take<std::int8_t>();
            record.imageLines = in.take<std::int8_t>();
        }
        record.linesDelivered = (flags & 0x40) ? in.take<std::int32_t>() : in.take<std::int8_t>();
        record.stopFlag = (flags & 1) ? 1 : 0;

        const std::size_t bpp = std::size_t(std::max(device::bytesPerPixel(record.pixelFormat), 1));
        const std::size_t row = std::size_t(std::max(record.pixelsPerLine, 0)) * bpp;
        if (row > 0 && std::size_t(std::max(record.linesDelivered, 0)) * row > kLargestBlock)
            record.linesDelivered = int(kLargestBlock / row);
        std::vector<std::uint8_t> block(row * std::size_t(std::max(record.linesDelivered, 0)));
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = std::uint8_t(i * 13 + flags);
        record.lines = (flags & 2) || block.empty() ? nullptr : block.data();

        if (flags & 4)
            scanner.setRunning(false);
        if (flags & 8)
            scanner.startScan(&option);
        NVAScanner::receiveLines(&record);
        if (scanner.bytesDelivered() > scanner.lineBuffer().size())
            __builtin_trap(); // more arrived than the buffer holds
    }
    // Once, as the worker takes it once a scan: on the largest image it copies 200 MB, and
    // after every record that would make an input of a few bytes run for seconds.
    scanner.scannedImage();
    return 0;
}
