// The scan image's whole-image operations and file writers on a whole-window scan
// at 3600 dpi (5173 x 3445, 16-bit RGB, 107 MB), beside the same operations of
// the peers. Files go to a temporary folder on disk, so writes land in the page
// cache as a real save does.

// The peers' headers first: libvips names a member "signals", which Qt defines away.
#ifdef KORVANE_BENCH_VIPS
#include <vips/vips8>
#endif
#ifdef KORVANE_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#if __has_include(<opencv2/imgcodecs.hpp>) && defined(KORVANE_BENCH_OPENCV_IMGCODECS)
#include <opencv2/imgcodecs.hpp>
#define KORVANE_BENCH_OPENCV_JPEG 1
#endif
#endif

#include "benchharness.h"
#include "benchimages.h"
#include "imagefiles.h"
#include "rawenlarge.h"
#include "stimage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace
{

const STImage& scan16()
{
    static const STImage image = [] {
        const bench::Image16& source = bench::standardImage3600();
        STImage result;
        result.setData(std::uint32_t(source.width), std::uint32_t(source.height), 16, 3,
            source.samples.data(), source.bytes());
        return result;
    }();
    return image;
}

const STImage& scan8()
{
    static const STImage image = scan16().to8Bit();
    return image;
}

const QString& folder()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/korvane-bench-XXXXXX"));
    static const QString path = dir.path();
    return path;
}

QString file(const char* name)
{
    return folder() + QLatin1Char('/') + QLatin1String(name);
}

// The raw files the raw-path writers read, written once.
const QString& raw16()
{
    static const QString path = [] {
        const QString p = file("scan16.raw");
        scan16().dumpRaw(p);
        return p;
    }();
    return path;
}

const QString& raw8()
{
    static const QString path = [] {
        const QString p = file("scan8.raw");
        scan8().dumpRaw(p);
        return p;
    }();
    return path;
}

// A scan is written under a new name; removing the file of the iteration before
// (the kernel freeing its cached pages) is not part of the write, for either side.
void removeUntimed(benchmark::State& state, const QString& path)
{
    state.PauseTiming();
    QFile::remove(path);
    state.ResumeTiming();
}

void setBytes(benchmark::State& state, std::size_t bytes)
{
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes));
}

// Ours.

void oursRotate(benchmark::State& state)
{
    scan16(); // built outside the timed loop
    for (auto _ : state)
        benchmark::DoNotOptimize(scan16().rotatedRight().data());
    setBytes(state, scan16().byteCount());
}

void oursMirror(benchmark::State& state)
{
    scan16();
    for (auto _ : state)
        benchmark::DoNotOptimize(scan16().mirrored().data());
    setBytes(state, scan16().byteCount());
}

void oursFlip(benchmark::State& state)
{
    scan16();
    for (auto _ : state)
        benchmark::DoNotOptimize(scan16().flipped().data());
    setBytes(state, scan16().byteCount());
}

void oursTo8Bit(benchmark::State& state)
{
    scan16();
    for (auto _ : state)
        benchmark::DoNotOptimize(scan16().to8Bit().data());
    setBytes(state, scan16().byteCount());
}

void oursSaveTiff(benchmark::State& state)
{
    STImage image = scan16();
    for (auto _ : state) {
        if (!image.saveTiff(file("ours.tif")))
            state.SkipWithError("saveTiff failed");
        removeUntimed(state, file("ours.tif"));
    }
    QFile::remove(file("ours.tif"));
    setBytes(state, image.byteCount());
}

void oursTiffFromRaw(benchmark::State& state)
{
    const QString source = raw16();
    for (auto _ : state) {
        if (!ImageFiles::writeTiffFromRawWithLibtiff(16, source, file("oursraw.tif"), scan16().width(),
                scan16().height(), 10000, QStringLiteral("tif")))
            state.SkipWithError("writeTiffFromRaw failed");
        removeUntimed(state, file("oursraw.tif"));
    }
    QFile::remove(file("oursraw.tif"));
    setBytes(state, scan16().byteCount());
}

void oursJpegFromRaw(benchmark::State& state)
{
    const QString source = raw8();
    scan8();
    for (auto _ : state) {
        if (!ImageFiles::writeJpegFromRaw(
                8, source, file("ours.jpg"), scan8().width(), scan8().height(), 10000, "jpg"))
            state.SkipWithError("writeJpegFromRaw failed");
        removeUntimed(state, file("ours.jpg"));
    }
    QFile::remove(file("ours.jpg"));
}

void oursEnlarge(benchmark::State& state)
{
    const QString source = raw16();
    for (auto _ : state) {
        if (!enlargeRaw(source, file("enlarged.raw"), scan16().width(), scan16().height(), 2.0, 2.0, 16, 3))
            state.SkipWithError("enlargeRaw failed");
        removeUntimed(state, file("enlarged.raw"));
    }
    QFile::remove(file("enlarged.raw"));
    setBytes(state, scan16().byteCount() * 4);
}

BENCHMARK(oursRotate)->Name("ours/rotate90")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(oursMirror)->Name("ours/mirror")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(oursFlip)->Name("ours/flip")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(oursTo8Bit)->Name("ours/to8bit")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(oursSaveTiff)->Name("ours/tiff_write")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(oursTiffFromRaw)->Name("ours/tiff_from_raw")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(oursJpegFromRaw)->Name("ours/jpeg_q100")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(oursEnlarge)->Name("ours/enlarge_x2")->Unit(benchmark::kMillisecond)->UseRealTime();

// Peers, on the same pixels. Their result matrix is kept from one iteration to the
// next, so that after the first they pay no allocation, as ours reuse the mapping
// of the result freed the iteration before: both sides then pay for the pass alone.

#ifdef KORVANE_BENCH_OPENCV
cv::Mat matOf(const STImage& image)
{
    return cv::Mat(int(image.height()), int(image.width()), image.bitsPerSample() == 16 ? CV_16UC3 : CV_8UC3,
        const_cast<std::uint8_t*>(image.data()));
}

void opencvRotate(benchmark::State& state)
{
    const cv::Mat source = matOf(scan16());
    cv::Mat target;
    for (auto _ : state) {
        cv::rotate(source, target, cv::ROTATE_90_CLOCKWISE);
        benchmark::DoNotOptimize(target.data);
    }
}

void opencvMirror(benchmark::State& state)
{
    const cv::Mat source = matOf(scan16());
    cv::Mat target;
    for (auto _ : state) {
        cv::flip(source, target, 1);
        benchmark::DoNotOptimize(target.data);
    }
}

void opencvFlip(benchmark::State& state)
{
    const cv::Mat source = matOf(scan16());
    cv::Mat target;
    for (auto _ : state) {
        cv::flip(source, target, 0);
        benchmark::DoNotOptimize(target.data);
    }
}

void opencvTo8Bit(benchmark::State& state)
{
    const cv::Mat source = matOf(scan16());
    cv::Mat target;
    for (auto _ : state) {
        source.convertTo(target, CV_8UC3, 1.0 / 256.0);
        benchmark::DoNotOptimize(target.data);
    }
}

// Bilinear x2 in memory, then the result's bytes written with fwrite.
void opencvEnlarge(benchmark::State& state)
{
    const cv::Mat source = matOf(scan16());
    const QByteArray path = QFile::encodeName(file("opencv-enlarged.raw"));
    cv::Mat target;
    for (auto _ : state) {
        cv::resize(source, target, cv::Size(), 2.0, 2.0, cv::INTER_LINEAR);
        std::FILE* out = std::fopen(path.constData(), "wb");
        if (!out
            || std::fwrite(target.data, 1, target.total() * target.elemSize(), out)
                != target.total() * target.elemSize())
            state.SkipWithError("fwrite failed");
        if (out)
            std::fclose(out);
        removeUntimed(state, QFile::decodeName(path));
    }
    QFile::remove(QFile::decodeName(path));
}

BENCHMARK(opencvRotate)->Name("opencv/rotate90")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(opencvMirror)->Name("opencv/mirror")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(opencvFlip)->Name("opencv/flip")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(opencvTo8Bit)->Name("opencv/to8bit")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(opencvEnlarge)->Name("opencv/enlarge_x2")->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef KORVANE_BENCH_OPENCV_JPEG
void opencvJpeg(benchmark::State& state)
{
    // OpenCV holds blue first; the compression costs the same either way.
    const cv::Mat source = matOf(scan8());
    const std::string path = QFile::encodeName(file("opencv.jpg")).toStdString();
    for (auto _ : state) {
        if (!cv::imwrite(path, source, { cv::IMWRITE_JPEG_QUALITY, 100 }))
            state.SkipWithError("imwrite failed");
        removeUntimed(state, file("opencv.jpg"));
    }
    QFile::remove(file("opencv.jpg"));
}
BENCHMARK(opencvJpeg)->Name("opencv/jpeg_q100")->Unit(benchmark::kMillisecond)->UseRealTime();
#endif
#endif

#ifdef KORVANE_BENCH_VIPS
vips::VImage vipsOf(const STImage& image)
{
    return vips::VImage::new_from_memory(const_cast<std::uint8_t*>(image.data()), image.byteCount(),
        int(image.width()), int(image.height()), 3,
        image.bitsPerSample() == 16 ? VIPS_FORMAT_USHORT : VIPS_FORMAT_UCHAR);
}

void vipsTiff(benchmark::State& state)
{
    const vips::VImage source = vipsOf(scan16());
    const std::string path = QFile::encodeName(file("vips.tif")).toStdString();
    for (auto _ : state) {
        source.tiffsave(
            path.c_str(), vips::VImage::option()->set("compression", VIPS_FOREIGN_TIFF_COMPRESSION_NONE));
        removeUntimed(state, file("vips.tif"));
    }
    QFile::remove(file("vips.tif"));
}

void vipsJpeg(benchmark::State& state)
{
    const vips::VImage source = vipsOf(scan8());
    const std::string path = QFile::encodeName(file("vips.jpg")).toStdString();
    for (auto _ : state) {
        source.jpegsave(path.c_str(), vips::VImage::option()->set("Q", 100));
        removeUntimed(state, file("vips.jpg"));
    }
    QFile::remove(file("vips.jpg"));
}

// The same TIFF write under both of our names, so that each has its peer line.
BENCHMARK(vipsTiff)->Name("vips/tiff_write")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(vipsTiff)->Name("vips/tiff_from_raw")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(vipsJpeg)->Name("vips/jpeg_q100")->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

} // namespace
