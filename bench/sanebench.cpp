// Real scanners through SANE, measured against SANE's own test backend: a final scan
// (colour, 16 bits, 1200 dpi, the whole window) through the device library beside
// scanimage reading the same scan into /dev/null, and a prescan from the request to
// the image the preview is drawn from.

#include "devicerecords.h"

#include <manager.h>
#include <scannersdk.h>
#include <stimage.h>

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace
{

// The whole window in the backend's whole millimetres.
constexpr const char* kScanimage = "scanimage -d test:0 --mode Color --depth 16 --resolution 1200 -l 0 -t 0 "
                                   "-x 37 -y 24 --format=pnm > /dev/null 2>&1";

QTemporaryDir* g_config = nullptr;

void configure()
{
    QFile dll(g_config->filePath(QStringLiteral("dll.conf")));
    QFile test(g_config->filePath(QStringLiteral("test.conf")));
    if (dll.open(QIODevice::WriteOnly))
        dll.write("test\n");
    if (test.open(QIODevice::WriteOnly))
        test.write("number_of_devices 1\ntest-picture \"Color pattern\"\n");
    qputenv("SANE_CONFIG_DIR", g_config->path().toUtf8());
}

std::size_t g_bytes = 0;

extern "C" int countLines(device::LineRecord* record)
{
    if (record->linesDelivered > 0)
        g_bytes += std::size_t(record->linesDelivered) * std::size_t(record->pixelsPerLine) * 6;
    return 0;
}

void BM_SaneFinalScan(benchmark::State& state)
{
    QLibrary library(QStringLiteral(KORVANE_APP_DIR "/korvane-sane.so"));
    auto entry = reinterpret_cast<device::ScannerDeviceIOFunction>(library.resolve("ScannerDeviceIO"));
    if (!entry) {
        state.SkipWithError("korvane-sane.so not loaded");
        return;
    }
    QByteArray name("test:0");
    entry(device::CmdSelectDevice, name.data());
    entry(device::CmdInitialise, nullptr);
    std::uint8_t session[device::kSessionBufferSize] = {};
    device::PrepareSessionRecord prepare { session, std::uint8_t(device::kSessionBufferSize) };
    entry(device::CmdPrepareSession, &prepare);
    device::SessionRecord open {};
    open.sessionBuffer = session;
    if ((entry(device::CmdOpenSession, &open) & 0xFF) != 1) {
        state.SkipWithError("test:0 did not open");
        return;
    }
    device::ScanOptionRecord record;
    std::memset(&record, 0, sizeof record);
    device::ScanInfo& info = record.ScanInfoArray[0];
    info.nDPI = 1200;
    info.fScanAreaRight = 1.437f;
    info.fScanAreaBottom = 0.957f;
    info.nScanColorMode = device::PixelRgb16;
    info.wColorBalanceR = 137;
    info.wColorBalanceG = 139;
    info.wColorBalanceB = 133;
    info.bFilmMediaType = 16;
    info.pLineCallback = countLines;
    info.nMaxScanLine = 255;
    for (auto _ : state) {
        g_bytes = 0;
        if ((entry(device::CmdScan, &record) & 0xFF) == 0)
            state.SkipWithError("the scan failed");
        benchmark::DoNotOptimize(g_bytes);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(g_bytes));
    entry(device::CmdRelease, nullptr);
}
BENCHMARK(BM_SaneFinalScan)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_ScanimageFinalScan(benchmark::State& state)
{
    for (auto _ : state) {
        if (std::system(kScanimage) != 0)
            state.SkipWithError("scanimage failed");
    }
}
BENCHMARK(BM_ScanimageFinalScan)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// From the prescan request to the image's arrival on the interface thread, for a
// positive (one scan) and a negative (film base first).
void BM_SanePrescan(benchmark::State& state)
{
    const int slot = int(state.range(0));
    manager* data = manager::instance();
    data->initProfiles();
    ScannerSDK* sdk = data->scanner();
    sdk->device().setScannerName(QStringLiteral("test:0"));
    sdk->device().setLibraryFolder(QStringLiteral(KORVANE_APP_DIR));
    bool ready = false;
    STImage image;
    QEventLoop loop;
    QObject::connect(sdk, &ScannerSDK::scannerLinkReady_s, &loop, [&] {
        ready = true;
        loop.quit();
    });
    QObject::connect(sdk, &ScannerSDK::scannerLinkFailure_s, &loop, &QEventLoop::quit);
    QObject::connect(sdk, &ScannerSDK::scannerPreScan_s, &loop, [&](STImage arrived) {
        image = arrived;
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    sdk->startLink();
    loop.exec();
    if (!ready) {
        state.SkipWithError("test:0 did not link");
        manager::release();
        return;
    }
    for (auto _ : state) {
        sdk->settings = data->profile(slot);
        image = STImage();
        sdk->requestPrescan();
        loop.exec();
        if (image.width() != 431)
            state.SkipWithError("no prescan");
    }
    manager::release();
    ScannerSDK::forgetDeviceSeenForTests();
}
BENCHMARK(BM_SanePrescan)->Arg(3)->Arg(4)->ArgNames({ "slot" })->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir config;
    g_config = &config;
    configure();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
