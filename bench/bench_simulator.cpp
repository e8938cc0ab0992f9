// The simulated scanner: a whole-window scan at 5000 dpi (7185 x 4785, 206 MB)
// rendered and delivered through the entry point into a buffer, as the wrapper
// receives it; beside it the peers' bilinear enlargement of a scene-sized image to
// the same pixel count, the bare minimum any rendering has to do.

#include "benchharness.h"
#include "benchimages.h"
#include "devicerecords.h"

#include <scannermodels.h>

#ifdef KORVANE_BENCH_OPENCV
#include <opencv2/imgproc.hpp>
#endif
#ifdef KORVANE_BENCH_VIPS
#include <vips/vips8>
#endif

#include <QLibrary>
#include <cstring>
#include <vector>

namespace
{

constexpr int kSceneWidth = 1725; // the simulator's scene: the window at 1200 dpi
constexpr int kSceneHeight = 1149;
constexpr int kWidth5000 = 7185;
constexpr int kHeight5000 = 4785;

struct Receiver {
    std::vector<std::uint8_t> buffer;
    std::size_t written = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
};
Receiver g_receiver;

extern "C" int receive(device::LineRecord* record)
{
    if (record->linesDelivered <= 0)
        return 0;
    g_receiver.width = record->pixelsPerLine;
    g_receiver.height = record->imageLines;
    const std::size_t bytes = std::size_t(record->linesDelivered) * std::size_t(record->pixelsPerLine) * 6;
    if (g_receiver.written + bytes <= g_receiver.buffer.size()) {
        std::memcpy(g_receiver.buffer.data() + g_receiver.written, record->lines, bytes);
        g_receiver.written += bytes;
    }
    return 0;
}

device::ScanOptionRecord wholeWindow(int dpi, std::uint8_t filmMediaType)
{
    device::ScanOptionRecord record;
    std::memset(&record, 0, sizeof record);
    device::ScanInfo& info = record.ScanInfoArray[0];
    info.nDPI = dpi;
    info.fScanAreaRight = 1.437f;
    info.fScanAreaBottom = 0.957f;
    info.nScanColorMode = device::PixelRgb16;
    info.wColorBalanceR = ScannerModels::kDefaultBalance[0];
    info.wColorBalanceG = ScannerModels::kDefaultBalance[1];
    info.wColorBalanceB = ScannerModels::kDefaultBalance[2];
    info.bFilmMediaType = filmMediaType;
    info.pLineCallback = receive;
    info.nMaxScanLine = 255;
    record.dwStatus = 1;
    return record;
}

device::ScannerDeviceIOFunction simulator()
{
    static device::ScannerDeviceIOFunction entry = [] {
        static QLibrary library(QStringLiteral(KORVANE_APP_DIR "/TQ4100.dll"));
        auto function = reinterpret_cast<device::ScannerDeviceIOFunction>(library.resolve("ScannerDeviceIO"));
        if (function)
            function(device::CmdInitialise, nullptr);
        return function;
    }();
    return entry;
}

void scan(benchmark::State& state, int dpi)
{
    const device::ScannerDeviceIOFunction entry = simulator();
    if (!entry) {
        state.SkipWithError("TQ4100.dll not found");
        return;
    }
    device::ScanOptionRecord record = wholeWindow(dpi, 16);
    g_receiver.buffer.resize(std::size_t(1.437 * dpi + 1) * std::size_t(0.957 * dpi + 1) * 6);
    std::memset(g_receiver.buffer.data(), 0, g_receiver.buffer.size());
    g_receiver.written = 0;
    entry(device::CmdScan, &record); // builds the scene once
    for (auto _ : state) {
        g_receiver.written = 0;
        if ((entry(device::CmdScan, &record) & 0xFF) == 0) {
            state.SkipWithError("scan failed");
            return;
        }
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(g_receiver.written));
    state.counters["pixels"] = double(g_receiver.width * g_receiver.height);
}

void scanOurs5000(benchmark::State& state)
{
    scan(state, 5000);
}
void scanOurs300(benchmark::State& state)
{
    scan(state, 300);
}

// A change of film type renders the scene anew before the scan.
void sceneBuild(benchmark::State& state)
{
    const device::ScannerDeviceIOFunction entry = simulator();
    if (!entry) {
        state.SkipWithError("TQ4100.dll not found");
        return;
    }
    g_receiver.buffer.resize(std::size_t(1 << 20));
    bool negative = false;
    for (auto _ : state) {
        negative = !negative;
        device::ScanOptionRecord record = wholeWindow(10, negative ? 32 : 16);
        g_receiver.written = 0;
        entry(device::CmdScan, &record);
    }
}

const bench::Image16& sceneSizedImage()
{
    static const bench::Image16 image = bench::makeTestImage(kSceneWidth, kSceneHeight, 1200);
    return image;
}

#ifdef KORVANE_BENCH_OPENCV
void scanOpenCv(benchmark::State& state)
{
    const bench::Image16& scene = sceneSizedImage();
    const cv::Mat source(
        scene.height, scene.width, CV_16UC3, const_cast<std::uint16_t*>(scene.samples.data()));
    cv::Mat target(kHeight5000, kWidth5000, CV_16UC3);
    for (auto _ : state) {
        cv::resize(source, target, target.size(), 0, 0, cv::INTER_LINEAR);
        benchmark::DoNotOptimize(target.data);
    }
    state.SetBytesProcessed(
        std::int64_t(state.iterations()) * std::int64_t(target.total() * target.elemSize()));
}
BENCHMARK(scanOpenCv)
    ->Name("opencv/scan_5000dpi")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
#endif

#ifdef KORVANE_BENCH_VIPS
void scanVips(benchmark::State& state)
{
    const bench::Image16& scene = sceneSizedImage();
    const vips::VImage source
        = vips::VImage::new_from_memory(const_cast<std::uint16_t*>(scene.samples.data()), scene.bytes(),
            scene.width, scene.height, 3, VIPS_FORMAT_USHORT);
    std::size_t size = 0;
    for (auto _ : state) {
        const vips::VImage resized = source.resize(double(kWidth5000) / kSceneWidth,
            vips::VImage::option()
                ->set("vscale", double(kHeight5000) / kSceneHeight)
                ->set("kernel", VIPS_KERNEL_LINEAR));
        void* pixels = resized.write_to_memory(&size);
        benchmark::DoNotOptimize(pixels);
        g_free(pixels);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(size));
}
BENCHMARK(scanVips)->Name("vips/scan_5000dpi")->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
#endif

} // namespace

BENCHMARK(scanOurs5000)
    ->Name("ours/scan_5000dpi")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK(scanOurs300)->Name("ours/prescan_300dpi")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(sceneBuild)->Name("ours/scene_build")->Unit(benchmark::kMillisecond)->UseRealTime();
