// The final scan from the last delivered line to the renamed 16-bit TIFF, at 3600 dpi
// of the whole window (5173 x 3445) and at 5000 dpi, for the colour-negative profile
// with every switch on (auto colour, balance, contrast, noise reduction, brightness),
// beside the peers' times for its steps: five 16-bit table passes, a 3x3 median, an
// HSV round trip and a TIFF write (libvips; OpenCV's image writer is not linked). Also the prescan pipeline
// on 431 x 287.
//
// The final-scan benchmarks report each step's share of the time and the peak memory
// in units of the scanned image as counters.

// The peers first: glib's headers use a name that Qt's headers define as a macro.
#ifdef KORVANE_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif
#ifdef KORVANE_BENCH_VIPS
#include <vips/vips.h>
#endif

#include "benchimages.h"

#include <cip_filmterms.h>
#include <cip_imageprocess.h>
#include <cip_rawimg.h>
#include <composedtables.h>
#include <finalfile.h>
#include <processingsteps.h>
#include <scannermodels.h>
#include <stimage.h>

#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <cmath>
#include <fstream>
#include <string>

namespace
{

// A negative film frame as the scanner delivers it: the dark holder, the bright
// orange base of the film's border, and the picture with texture, so that the auto
// crop and every analysis find what they look for.
STImage negativeFrame(std::uint32_t width, std::uint32_t height)
{
    STImage image = STImage::zeroed(width, height, 16, 3);
    auto* samples = reinterpret_cast<std::uint16_t*>(image.data());
    const std::uint32_t holderX = width * 40 / 1437, holderY = height * 30 / 957;
    const std::uint32_t borderX = width * 115 / 1437, borderY = height * 70 / 957;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x, samples += 3) {
            if (x < holderX || y < holderY || x >= width - holderX || y >= height - holderY) {
                samples[0] = samples[1] = samples[2] = 900;
                continue;
            }
            if (x < borderX || y < borderY || x >= width - borderX || y >= height - borderY) {
                samples[0] = 60000;
                samples[1] = 42000;
                samples[2] = 30000;
                continue;
            }
            const double u = double(x) / width;
            const double v = double(y) / height;
            const double texture = 0.05 * std::sin(double(x % 97) * 0.31 + double(y % 89) * 0.23);
            samples[0] = std::uint16_t(65535 * (0.45 + 0.30 * u + texture));
            samples[1] = std::uint16_t(65535 * (0.30 + 0.25 * v + texture));
            samples[2] = std::uint16_t(65535 * (0.20 + 0.20 * (1 - u) + texture));
        }
    }
    return image;
}

ProcessingOptions negativeEverySwitchOn()
{
    ProcessingOptions options;
    options.filmMode = true;
    options.filmType = FilmType::NegativeColour;
    options.balance = true;
    options.colour = true;
    options.contrast = true;
    options.noiseReduction = true;
    options.brightness = 10;
    options.modelCode = ScannerModels::kModels[0].code;
    return options;
}

std::array<const CIP_FilmTermTable*, ProcessingSteps::kFilmTermTables> shippedFilmTerms()
{
    CIP_FilmTerms::loadAll(KORVANE_APP_DIR);
    std::array<const CIP_FilmTermTable*, ProcessingSteps::kFilmTermTables> tables {};
    for (int i = 0; i < ProcessingSteps::kFilmTermTables; ++i)
        tables[std::size_t(i)] = CIP_FilmTerms::table(i);
    return tables;
}

long long statusField(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = field;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0)
            return std::stoll(line.substr(key.size())) * 1024;
    }
    return 0;
}

// Linux: resets the peak resident size to the current one.
void resetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The tables the prescan of the same film leaves for the final scan.
void prescanFirst(ProcessingSteps& steps, const ProcessingOptions& options)
{
    QDir::setCurrent(QStringLiteral(KORVANE_APP_DIR)); // the parameter files, as in the program
    steps.setFilmTermTables(shippedFilmTerms());
    STImage prescan = negativeFrame(431, 287);
    steps.runPrescan(prescan, options);
}

void finalScan(benchmark::State& state, std::uint32_t width, std::uint32_t height,
    const LevelsSettings& levels = LevelsSettings())
{
    ProcessingSteps steps;
    ProcessingOptions options = negativeEverySwitchOn();
    prescanFirst(steps, options);
    options.levels = levels;
    if (!steps.gammaTables().valid || !steps.rgbBalanceTables().valid || !steps.autoColourTables().valid
        || !steps.autoContrastTables().valid) {
        state.SkipWithError("the prescan analyses found no tables: the scan would skip steps");
        return;
    }
    const STImage delivered = negativeFrame(width, height);
    QTemporaryDir folder;
    QMap<QString, double> seconds;
    double total = 0;
    long long peak = 0;
    // One untimed scan first: the first use of this much memory pays the system's first touch
    // of its pages (a fresh virtual machine's most of all), once per session, not per scan.
    {
        STImage image(delivered);
        steps.runFinalScan(image, options, PipelineHooks());
        const QString path = folder.path() + QStringLiteral("/Film0001.tif");
        FinalFile::write(image, FinalFile::prepare(image, 3600, false, folder.path()), path, folder.path());
        QFile::remove(path);
    }
    PipelineHooks hooks;
    hooks.stepTimed = [&](const QString& step, qint64 ns) { seconds[step] += double(ns) / 1e9; };
    for (auto _ : state) {
        state.PauseTiming();
        STImage image(delivered); // the worker builds it from the line buffer
        const QString path = folder.path() + QStringLiteral("/Film0001.tif");
        QFile::remove(path);
        const long long before = statusField("VmRSS:");
        resetPeakResident();
        state.ResumeTiming();

        QElapsedTimer timer;
        timer.start();
        steps.runFinalScan(image, options, hooks);
        QElapsedTimer writeTimer;
        writeTimer.start();
        const FinalFile::Prepared prepared = FinalFile::prepare(image, 3600, false, folder.path());
        const QString written = FinalFile::write(image, prepared, path, folder.path());
        seconds[QStringLiteral("final file (16-bit TIFF, renamed)")]
            += double(writeTimer.nsecsElapsed()) / 1e9;
        total += double(timer.nsecsElapsed()) / 1e9;

        state.PauseTiming();
        if (written.isEmpty())
            state.SkipWithError("the final file was not written");
        peak = std::max(peak, statusField("VmHWM:") - before);
        state.ResumeTiming();
    }
    for (auto it = seconds.cbegin(); it != seconds.cend(); ++it)
        state.counters[QString(QStringLiteral("% ") + it.key()).toStdString()] = 100.0 * it.value() / total;
    // The delivered image itself plus what the scan needed beyond it.
    state.counters["peak memory / scanned image"] = 1.0 + double(peak) / double(delivered.byteCount());
}

void oursFinalScan3600(benchmark::State& state)
{
    finalScan(state, 5173, 3445);
}
BENCHMARK(oursFinalScan3600)
    ->Name("ours/final_scan_3600dpi")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// The same with levels on every channel: one table pass more (brightness is last).
void oursFinalScan3600Levels(benchmark::State& state)
{
    LevelsSettings levels;
    levels[LevelsSettings::All] = { 4, 250, 1.1 };
    levels[LevelsSettings::Red] = { 0, 245, 0.9 };
    levels[LevelsSettings::Blue] = { 6, 255, 1.0 };
    finalScan(state, 5173, 3445, levels);
}
BENCHMARK(oursFinalScan3600Levels)
    ->Name("ours/final_scan_3600dpi_levels")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

void oursFinalScan5000(benchmark::State& state)
{
    finalScan(state, 7185, 4785);
}
BENCHMARK(oursFinalScan5000)
    ->Name("ours/final_scan_5000dpi")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

void oursPrescan(benchmark::State& state)
{
    ProcessingSteps steps;
    const ProcessingOptions options = negativeEverySwitchOn();
    prescanFirst(steps, options);
    const STImage delivered = negativeFrame(431, 287);
    QMap<QString, double> seconds;
    double total = 0;
    PipelineHooks hooks;
    hooks.stepTimed = [&](const QString& step, qint64 ns) {
        seconds[step] += double(ns) / 1e9;
        total += double(ns) / 1e9;
    };
    for (auto _ : state) {
        STImage image(delivered);
        steps.runPrescan(image, options, hooks);
        benchmark::DoNotOptimize(image.data());
    }
    for (auto it = seconds.cbegin(); it != seconds.cend(); ++it)
        state.counters[QString(QStringLiteral("% ") + it.key()).toStdString()] = 100.0 * it.value() / total;
}
BENCHMARK(oursPrescan)->Name("ours/prescan_pipeline_431x287")->Unit(benchmark::kMillisecond)->UseRealTime();

// --- The steps one by one, ours beside the peers, on the standard 3600 dpi image ----------

const bench::Image16& image3600()
{
    return bench::standardImage3600();
}

std::vector<std::uint16_t> inverseTable()
{
    std::vector<std::uint16_t> table(65536);
    for (int i = 0; i < 65536; ++i)
        table[std::size_t(i)] = std::uint16_t(65535 - i);
    return table;
}

// One table pass, and the five of the final scan fused into one.
void oursTablePass(benchmark::State& state)
{
    const bench::Image16& source = image3600();
    std::vector<std::uint16_t> target(source.samples.size());
    const std::vector<std::uint16_t> table = inverseTable();
    const int passes = int(state.range(0));
    for (auto _ : state) {
        ComposedTables tables(16);
        for (int i = 0; i < passes; ++i)
            tables.append(table.data(), table.data(), table.data());
        tables.apply(reinterpret_cast<const uchar*>(source.samples.data()),
            reinterpret_cast<uchar*>(target.data()), std::size_t(source.width) * source.height);
        benchmark::DoNotOptimize(target.data());
    }
}
BENCHMARK(oursTablePass)->Name("ours/table_pass_16bit")->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(oursTablePass)
    ->Name("ours/five_table_passes_16bit")
    ->Arg(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A fresh copy of the standard image under a raw view, so each iteration starts from
// the same samples; the view hands the pixels back before the copy frees them.
struct FreshCopy {
    explicit FreshCopy(const bench::Image16& source)
        : pixels(source.samples)
    {
        raw.width = source.width;
        raw.height = source.height;
        raw.bits = 16;
        raw.channels = 3;
        raw.pixels = reinterpret_cast<unsigned char*>(pixels.data());
    }
    ~FreshCopy() { raw.pixels = nullptr; }
    FreshCopy(const FreshCopy&) = delete;
    FreshCopy& operator=(const FreshCopy&) = delete;

    std::vector<std::uint16_t> pixels;
    CIP_RawImg raw;
};

// Times step on a fresh copy of the standard image each iteration: the steps work in place.
template <typename Step> void onFreshCopies(benchmark::State& state, Step step)
{
    const bench::Image16& source = image3600();
    for (auto _ : state) {
        state.PauseTiming();
        FreshCopy copy(source);
        state.ResumeTiming();
        step(copy.raw);
    }
}

void oursMedian(benchmark::State& state)
{
    onFreshCopies(state, [](CIP_RawImg& raw) { CIP_ImageProcess::noiseReduction(raw, 3); });
}
BENCHMARK(oursMedian)->Name("ours/median3_16bit")->Unit(benchmark::kMillisecond)->UseRealTime();

void oursHsvRoundTrip(benchmark::State& state)
{
    onFreshCopies(state, [](CIP_RawImg& raw) { CIP_ImageProcess::brightness(raw, 10); });
}
BENCHMARK(oursHsvRoundTrip)->Name("ours/hsv_round_trip_16bit")->Unit(benchmark::kMillisecond)->UseRealTime();

void oursTiffWrite(benchmark::State& state)
{
    const bench::Image16& source = image3600();
    STImage image;
    image.setData(std::uint32_t(source.width), std::uint32_t(source.height), 16, 3, source.samples.data());
    QTemporaryDir folder;
    for (auto _ : state) {
        const QString path = folder.path() + QStringLiteral("/Film0001.tif");
        QFile::remove(path);
        const FinalFile::Prepared prepared = FinalFile::prepare(image, 3600, false, folder.path());
        benchmark::DoNotOptimize(FinalFile::write(image, prepared, path, folder.path()));
    }
}
BENCHMARK(oursTiffWrite)->Name("ours/tiff_write_16bit")->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef KORVANE_BENCH_VIPS
VipsImage* vipsImage(const bench::Image16& source)
{
    return vips_image_new_from_memory(
        source.samples.data(), source.bytes(), source.width, source.height, 3, VIPS_FORMAT_USHORT);
}

// Runs a vips operation to memory, as our steps leave their result in memory.
void vipsToMemory(VipsImage* out)
{
    size_t size = 0;
    void* memory = vips_image_write_to_memory(out, &size);
    benchmark::DoNotOptimize(memory);
    g_free(memory);
}

void vipsTablePass(benchmark::State& state)
{
    const bench::Image16& source = image3600();
    const std::vector<std::uint16_t> table = inverseTable();
    VipsImage* lut
        = vips_image_new_from_memory(table.data(), table.size() * 2, 65536, 1, 1, VIPS_FORMAT_USHORT);
    for (auto _ : state) {
        VipsImage* in = vipsImage(source);
        VipsImage* out = nullptr;
        if (vips_maplut(in, &out, lut, nullptr) == 0) {
            vipsToMemory(out);
            g_object_unref(out);
        } else {
            state.SkipWithError("vips_maplut failed");
        }
        g_object_unref(in);
    }
    g_object_unref(lut);
}
BENCHMARK(vipsTablePass)->Name("vips/table_pass_16bit")->Unit(benchmark::kMillisecond)->UseRealTime();

void vipsMedian(benchmark::State& state)
{
    const bench::Image16& source = image3600();
    for (auto _ : state) {
        VipsImage* in = vipsImage(source);
        VipsImage* out = nullptr;
        if (vips_median(in, &out, 3, nullptr) == 0) {
            vipsToMemory(out);
            g_object_unref(out);
        } else {
            state.SkipWithError("vips_median failed");
        }
        g_object_unref(in);
    }
}
BENCHMARK(vipsMedian)->Name("vips/median3_16bit")->Unit(benchmark::kMillisecond)->UseRealTime();

void vipsTiffWrite(benchmark::State& state)
{
    const bench::Image16& source = image3600();
    QTemporaryDir folder;
    const std::string path = QString(folder.path() + QStringLiteral("/peer.tif")).toStdString();
    for (auto _ : state) {
        VipsImage* in = vipsImage(source);
        if (vips_tiffsave(in, path.c_str(), nullptr) != 0)
            state.SkipWithError("vips_tiffsave failed");
        g_object_unref(in);
    }
}
BENCHMARK(vipsTiffWrite)->Name("vips/tiff_write_16bit")->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

#ifdef KORVANE_BENCH_OPENCV
cv::Mat openCvImage(const bench::Image16& source)
{
    return cv::Mat(source.height, source.width, CV_16UC3, const_cast<std::uint16_t*>(source.samples.data()));
}

void openCvMedian(benchmark::State& state)
{
    const cv::Mat source = openCvImage(image3600());
    cv::Mat target;
    for (auto _ : state) {
        cv::medianBlur(source, target, 3);
        benchmark::DoNotOptimize(target.data);
    }
}
BENCHMARK(openCvMedian)->Name("opencv/median3_16bit")->Unit(benchmark::kMillisecond)->UseRealTime();

// OpenCV converts to HSV from 8-bit or float only: 16 bits go through float.
void openCvHsvRoundTrip(benchmark::State& state)
{
    const cv::Mat source = openCvImage(image3600());
    cv::Mat floats, hsv, back;
    std::vector<cv::Mat> planes;
    for (auto _ : state) {
        source.convertTo(floats, CV_32FC3, 1.0 / 65535.0);
        cv::cvtColor(floats, hsv, cv::COLOR_RGB2HSV);
        cv::split(hsv, planes);
        planes[2] = cv::min(cv::max(planes[2] + 10.0 / 255.0, 0.0), 1.0);
        cv::merge(planes, hsv);
        cv::cvtColor(hsv, floats, cv::COLOR_HSV2RGB);
        floats.convertTo(back, CV_16UC3, 65535.0);
        benchmark::DoNotOptimize(back.data);
    }
}
BENCHMARK(openCvHsvRoundTrip)
    ->Name("opencv/hsv_round_trip_16bit")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

#endif

} // namespace
