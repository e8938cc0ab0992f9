// The final scan from the last delivered line to the renamed 16-bit TIFF, at 3600 dpi
// of the whole window (5173 x 3445) for the colour-negative profile with every switch
// on, beside the fastest peers for each of its steps; the 5000 dpi case; the prescan
// pipeline on 431 x 287.

#include <cip_filmterms.h>
#include <finalfile.h>
#include <processingsteps.h>
#include <stimage.h>

#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <vips/vips.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <cmath>
#include <fstream>
#include <string>

namespace {

constexpr std::uint32_t kWidth3600 = 5173;
constexpr std::uint32_t kHeight3600 = 3445;
constexpr std::uint32_t kWidth5000 = 7185;
constexpr std::uint32_t kHeight5000 = 4785;

STImage filmFrame(std::uint32_t width, std::uint32_t height)
{
    STImage image = STImage::zeroed(width, height, 16, 3);
    auto* samples = reinterpret_cast<std::uint16_t*>(image.data());
    const std::uint32_t border = width / 14;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x, samples += 3) {
            const bool holder = x < border || y < border || x >= width - border || y >= height - border;
            if (holder) {
                samples[0] = samples[1] = samples[2] = 60000; // clear film base of a negative
                continue;
            }
            const double u = double(x) / width;
            const double v = double(y) / height;
            const double texture = 0.04 * std::sin(double(x % 97) * 0.3 + double(y % 89) * 0.2);
            samples[0] = std::uint16_t(65535 * (0.55 + 0.30 * u + texture));
            samples[1] = std::uint16_t(65535 * (0.35 + 0.25 * v + texture));
            samples[2] = std::uint16_t(65535 * (0.25 + 0.20 * (1 - u) + texture));
        }
    }
    return image;
}

ProcessingOptions negativeAllOn()
{
    ProcessingOptions options;
    options.filmMode = true;
    options.filmType = 1;
    options.filmTypeValue = 32;
    options.balance = true;
    options.colour = true;
    options.contrast = true;
    options.noiseReduction = true;
    options.brightness = 10;
    options.modelCode = 82;
    return options;
}

// The film terms as the program loads them, from the staged application folder.
std::array<const CIP_FilmTermTable*, ProcessingSteps::kFilmTermTables> filmTerms()
{
    CIP_FilmTerms::loadAll(KORVANE_APP_DIR);
    std::array<const CIP_FilmTermTable*, ProcessingSteps::kFilmTermTables> tables {};
    for (int i = 0; i < ProcessingSteps::kFilmTermTables; ++i)
        tables[std::size_t(i)] = CIP_FilmTerms::table(i);
    return tables;
}

// Peak resident memory since the last reset, in bytes (Linux).
long long peakResident()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6)) * 1024;
    }
    return 0;
}

long long currentResident()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoll(line.substr(6)) * 1024;
    }
    return 0;
}

void resetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

void finalScan(benchmark::State& state, std::uint32_t width, std::uint32_t height)
{
    QDir::setCurrent(QStringLiteral(KORVANE_APP_DIR));
    ProcessingSteps steps;
    steps.setFilmTermTables(filmTerms());
    const ProcessingOptions options = negativeAllOn();
    STImage prescan = filmFrame(431, 287);
    steps.runPrescan(prescan, options);

    const STImage delivered = filmFrame(width, height);
    QTemporaryDir folder;
    QMap<QString, double> seconds;
    double total = 0;
    long long peak = 0;
    PipelineHooks hooks;
    hooks.stepTimed = [&](const QString& step, qint64 ns) { seconds[step] += double(ns) / 1e9; };
    for (auto _ : state) {
        state.PauseTiming();
        STImage image(delivered); // the worker builds it from the line buffer
        const QString path = folder.path() + QStringLiteral("/Film0001.tif");
        QFile::remove(path);
        resetPeakResident();
        const long long before = currentResident();
        state.ResumeTiming();

        QElapsedTimer timer;
        timer.start();
        steps.runFinalScan(image, options, hooks);
        QElapsedTimer writeTimer;
        writeTimer.start();
        const FinalFile::Prepared prepared = FinalFile::prepare(image, 3600, false, folder.path());
        benchmark::DoNotOptimize(FinalFile::write(image, prepared, path, folder.path()));
        seconds[QStringLiteral("write 16-bit TIFF")] += double(writeTimer.nsecsElapsed()) / 1e9;
        total += double(timer.nsecsElapsed()) / 1e9;

        state.PauseTiming();
        peak = std::max(peak, peakResident() - before);
        state.ResumeTiming();
    }
    const double iterations = double(state.iterations());
    for (auto it = seconds.cbegin(); it != seconds.cend(); ++it) {
        state.counters[("share % " + it.key()).toStdString()] = 100.0 * it.value() / total;
        state.counters[("ms " + it.key()).toStdString()] = 1000.0 * it.value() / iterations;
    }
    // Memory the scan needs beyond the delivered image, in units of that image.
    state.counters["peak / scanned image"] = double(peak) / double(delivered.byteCount()) + 1.0;
    state.counters["Mpixel"] = double(width) * height / 1e6;
}

void BM_FinalScan3600(benchmark::State& state)
{
    finalScan(state, kWidth3600, kHeight3600);
}
BENCHMARK(BM_FinalScan3600)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_FinalScan5000(benchmark::State& state)
{
    finalScan(state, kWidth5000, kHeight5000);
}
BENCHMARK(BM_FinalScan5000)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void BM_PrescanPipeline(benchmark::State& state)
{
    QDir::setCurrent(QStringLiteral(KORVANE_APP_DIR));
    ProcessingSteps steps;
    steps.setFilmTermTables(filmTerms());
    const ProcessingOptions options = negativeAllOn();
    const STImage delivered = filmFrame(431, 287);
    for (auto _ : state) {
        STImage image(delivered);
        steps.runPrescan(image, options);
        benchmark::DoNotOptimize(image.data());
    }
}
BENCHMARK(BM_PrescanPipeline)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- Peers: the same steps in OpenCV and libvips ------------------------------------------

cv::Mat peerImage()
{
    static const bool vipsStarted = VIPS_INIT("korvane_bench") == 0;
    (void)vipsStarted;
    static const STImage image = filmFrame(kWidth3600, kHeight3600);
    return cv::Mat(int(image.height()), int(image.width()), CV_16UC3, const_cast<std::uint8_t*>(image.data()));
}

// One 16-bit table pass: libvips maps through a 65536-entry table (OpenCV's LUT is 8-bit only).
void BM_Peer_Vips_TablePass(benchmark::State& state)
{
    const cv::Mat source = peerImage();
    std::vector<std::uint16_t> table(65536 * 3);
    for (int i = 0; i < 65536; ++i)
        table[std::size_t(i) * 3] = table[std::size_t(i) * 3 + 1] = table[std::size_t(i) * 3 + 2]
            = std::uint16_t(65535 - i);
    VipsImage* lut = vips_image_new_from_memory(table.data(), table.size() * 2, 65536, 1, 3, VIPS_FORMAT_USHORT);
    for (auto _ : state) {
        VipsImage* in = vips_image_new_from_memory(source.data, source.total() * source.elemSize(), source.cols,
                                                   source.rows, 3, VIPS_FORMAT_USHORT);
        VipsImage* out = nullptr;
        vips_maplut(in, &out, lut, nullptr);
        size_t size = 0;
        void* memory = vips_image_write_to_memory(out, &size);
        benchmark::DoNotOptimize(memory);
        g_free(memory);
        g_object_unref(out);
        g_object_unref(in);
    }
    g_object_unref(lut);
}
BENCHMARK(BM_Peer_Vips_TablePass)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Peer_OpenCV_Median3(benchmark::State& state)
{
    const cv::Mat source = peerImage();
    cv::Mat target;
    for (auto _ : state) {
        cv::medianBlur(source, target, 3);
        benchmark::DoNotOptimize(target.data);
    }
}
BENCHMARK(BM_Peer_OpenCV_Median3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Peer_Vips_Median3(benchmark::State& state)
{
    const cv::Mat source = peerImage();
    for (auto _ : state) {
        VipsImage* in = vips_image_new_from_memory(source.data, source.total() * source.elemSize(), source.cols,
                                                   source.rows, 3, VIPS_FORMAT_USHORT);
        VipsImage* out = nullptr;
        vips_median(in, &out, 3, nullptr);
        size_t size = 0;
        void* memory = vips_image_write_to_memory(out, &size);
        benchmark::DoNotOptimize(memory);
        g_free(memory);
        g_object_unref(out);
        g_object_unref(in);
    }
}
BENCHMARK(BM_Peer_Vips_Median3)->Unit(benchmark::kMillisecond)->UseRealTime();

// HSV round trip with a value offset: OpenCV converts 16-bit through float.
void BM_Peer_OpenCV_HsvRoundTrip(benchmark::State& state)
{
    const cv::Mat source = peerImage();
    cv::Mat floats, hsv, back;
    for (auto _ : state) {
        source.convertTo(floats, CV_32FC3, 1.0 / 65535.0);
        cv::cvtColor(floats, hsv, cv::COLOR_RGB2HSV);
        std::vector<cv::Mat> planes;
        cv::split(hsv, planes);
        planes[2] = cv::min(cv::max(planes[2] + 10.0 / 255.0, 0.0), 1.0);
        cv::merge(planes, hsv);
        cv::cvtColor(hsv, floats, cv::COLOR_HSV2RGB);
        floats.convertTo(back, CV_16UC3, 65535.0);
        benchmark::DoNotOptimize(back.data);
    }
}
BENCHMARK(BM_Peer_OpenCV_HsvRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Peer_OpenCV_TiffWrite(benchmark::State& state)
{
    const cv::Mat source = peerImage();
    cv::Mat bgr;
    cv::cvtColor(source, bgr, cv::COLOR_RGB2BGR);
    QTemporaryDir folder;
    const std::string path = (folder.path() + QStringLiteral("/peer.tif")).toStdString();
    const std::vector<int> flags { cv::IMWRITE_TIFF_COMPRESSION, 1 };
    for (auto _ : state)
        benchmark::DoNotOptimize(cv::imwrite(path, bgr, flags));
}
BENCHMARK(BM_Peer_OpenCV_TiffWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Peer_Vips_TiffWrite(benchmark::State& state)
{
    const cv::Mat source = peerImage();
    QTemporaryDir folder;
    const std::string path = (folder.path() + QStringLiteral("/peer.tif")).toStdString();
    for (auto _ : state) {
        VipsImage* in = vips_image_new_from_memory(source.data, source.total() * source.elemSize(), source.cols,
                                                   source.rows, 3, VIPS_FORMAT_USHORT);
        benchmark::DoNotOptimize(vips_tiffsave(in, path.c_str(), nullptr));
        g_object_unref(in);
    }
}
BENCHMARK(BM_Peer_Vips_TiffWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
