// The tone, filter and analysis steps on a 5173 x 3445 16-bit final scan (and the analyses on
// a 428 x 287 reduced copy), beside the straightforward per-pixel versions and, when the
// build finds them, OpenCV and libvips doing the same work.

#include "cip_hsvadjust.h"
#include "cip_imageprocess.h"
#include "cip_median.h"
#include "cip_rawimg.h"
#include "cip_tonetable.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#ifdef KORVANE_BENCH_OPENCV
#include <opencv2/imgproc.hpp>
#endif
#ifdef KORVANE_BENCH_VIPS
#include <vips/vips.h>
#endif

namespace
{

constexpr int kWidth = 5173;
constexpr int kHeight = 3445;

// A smooth picture with grain, so the median and the conversions see realistic data.
std::vector<uint16_t> makeImage(int width, int height)
{
    std::vector<uint16_t> pixels(std::size_t(width) * height * 3);
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> grain(-600, 600);
    std::size_t i = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int base[3]
                = { 8000 + 50000 * x / width, 6000 + 40000 * y / height, 30000 - 20000 * x / width };
            for (int c = 0; c < 3; ++c)
                pixels[i++] = uint16_t(std::clamp(base[c] + grain(rng), 0, 65535));
        }
    }
    return pixels;
}

const std::vector<uint16_t>& image()
{
    static const std::vector<uint16_t> pixels = makeImage(kWidth, kHeight);
    return pixels;
}

std::vector<uint16_t> gammaTables()
{
    std::vector<uint16_t> t(3 * 65536);
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 65536; ++i)
            t[c * 65536 + i] = uint16_t(65535.0 * std::pow(i / 65535.0, 0.6 + 0.1 * c));
    return t;
}

void setPixels(benchmark::State& state)
{
    state.SetItemsProcessed(int64_t(state.iterations()) * kWidth * kHeight);
}

void BM_Tables_Fast(benchmark::State& state)
{
    const auto t = gammaTables();
    const uint16_t* const tables[3] = { &t[0], &t[65536], &t[131072] };
    std::vector<uint16_t> work = image();
    for (auto _ : state)
        CIP_ToneTable::apply(
            work.data(), work.data(), std::size_t(kWidth) * kHeight, 16, 3, tables, int(state.range(0)));
    setPixels(state);
}
BENCHMARK(BM_Tables_Fast)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Tables_Reference(benchmark::State& state)
{
    const auto t = gammaTables();
    const uint16_t* const tables[3] = { &t[0], &t[65536], &t[131072] };
    std::vector<uint16_t> work = image();
    for (auto _ : state)
        CIP_ToneTable::applyReference(work.data(), work.data(), std::size_t(kWidth) * kHeight, 16, 3, tables);
    setPixels(state);
}
BENCHMARK(BM_Tables_Reference)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Median_Fast(benchmark::State& state)
{
    const std::vector<uint16_t>& src = image();
    std::vector<uint16_t> dst(src.size());
    for (auto _ : state)
        CIP_Median::filter(src.data(), dst.data(), kWidth, kHeight, 16, 3, 3, int(state.range(0)));
    setPixels(state);
}
BENCHMARK(BM_Median_Fast)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Median_Reference(benchmark::State& state)
{
    const std::vector<uint16_t>& src = image();
    std::vector<uint16_t> dst(src.size());
    for (auto _ : state)
        CIP_Median::filterReference(src.data(), dst.data(), kWidth, kHeight, 16, 3, 3);
    setPixels(state);
}
BENCHMARK(BM_Median_Reference)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_Brightness_Fast(benchmark::State& state)
{
    std::vector<uint16_t> work = image();
    for (auto _ : state)
        CIP_HsvAdjust::brightness(work.data(), std::size_t(kWidth) * kHeight, 16, 3, 1, int(state.range(0)));
    setPixels(state);
}
BENCHMARK(BM_Brightness_Fast)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Brightness_QColor(benchmark::State& state)
{
    std::vector<uint16_t> work = image();
    for (auto _ : state)
        CIP_HsvAdjust::brightnessReference(work.data(), std::size_t(kWidth) * kHeight, 16, 3, 1);
    setPixels(state);
}
BENCHMARK(BM_Brightness_QColor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_Saturation_Fast(benchmark::State& state)
{
    std::vector<uint16_t> work = image();
    for (auto _ : state)
        CIP_HsvAdjust::saturation(work.data(), std::size_t(kWidth) * kHeight, 16, 3, 1, int(state.range(0)));
    setPixels(state);
}
BENCHMARK(BM_Saturation_Fast)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Saturation_QColor(benchmark::State& state)
{
    std::vector<uint16_t> work = image();
    for (auto _ : state)
        CIP_HsvAdjust::saturationReference(work.data(), std::size_t(kWidth) * kHeight, 16, 3, 1);
    setPixels(state);
}
BENCHMARK(BM_Saturation_QColor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The analyses on the reduced copy the final scan analyses.
struct Reduced {
    std::vector<uint16_t> pixels = makeImage(428, 287);
    CIP_RawImg view;
    Reduced()
    {
        view.width = 428;
        view.height = 287;
        view.bits = 16;
        view.channels = 3;
    }
    CIP_RawImg& fresh(std::vector<uint16_t>& copy)
    {
        copy = pixels;
        view.pixels = reinterpret_cast<unsigned char*>(copy.data());
        return view;
    }
    ~Reduced() { view.pixels = nullptr; }
};

template <typename Step> void analysis(benchmark::State& state, Step step)
{
    Reduced reduced;
    std::vector<uint16_t> copy;
    CIP_ImageProcess process;
    for (auto _ : state) {
        CIP_RawImg& img = reduced.fresh(copy);
        process.rect = CIP_Rect { 20, 15, 408, 272 };
        benchmark::DoNotOptimize(step(process, img));
    }
}

void BM_Analysis_AutoCrop(benchmark::State& state)
{
    analysis(state, [](CIP_ImageProcess& p, CIP_RawImg& img) { return p.autoCrop(img, 0, 1, 0); });
}
BENCHMARK(BM_Analysis_AutoCrop)->Unit(benchmark::kMillisecond);

void BM_Analysis_AutoColor(benchmark::State& state)
{
    analysis(state, [](CIP_ImageProcess& p, CIP_RawImg& img) { return p.autoColor(img, 1); });
}
BENCHMARK(BM_Analysis_AutoColor)->Unit(benchmark::kMillisecond);

void BM_Analysis_RgbBalance(benchmark::State& state)
{
    analysis(state, [](CIP_ImageProcess& p, CIP_RawImg& img) { return p.rgbBalance(img, 1, true); });
}
BENCHMARK(BM_Analysis_RgbBalance)->Unit(benchmark::kMillisecond);

void BM_Analysis_Gamma(benchmark::State& state)
{
    analysis(state, [](CIP_ImageProcess& p, CIP_RawImg& img) { return p.gammaCurve(img, 1, false); });
}
BENCHMARK(BM_Analysis_Gamma)->Unit(benchmark::kMillisecond);

void BM_Analysis_AutoContrast(benchmark::State& state)
{
    analysis(state, [](CIP_ImageProcess& p, CIP_RawImg& img) { return p.autoContrast(img, 1); });
}
BENCHMARK(BM_Analysis_AutoContrast)->Unit(benchmark::kMillisecond);

#ifdef KORVANE_BENCH_OPENCV
void BM_Peer_OpenCV_MedianBlur(benchmark::State& state)
{
    cv::Mat src(kHeight, kWidth, CV_16UC3, const_cast<uint16_t*>(image().data()));
    cv::Mat dst;
    for (auto _ : state)
        cv::medianBlur(src, dst, 3);
    setPixels(state);
}
BENCHMARK(BM_Peer_OpenCV_MedianBlur)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Peer_OpenCV_HsvRoundTrip(benchmark::State& state)
{
    cv::Mat src(kHeight, kWidth, CV_16UC3, const_cast<uint16_t*>(image().data()));
    cv::Mat f, hsv, back, out;
    for (auto _ : state) {
        src.convertTo(f, CV_32F, 1.0 / 65535.0);
        cv::cvtColor(f, hsv, cv::COLOR_RGB2HSV);
        cv::cvtColor(hsv, back, cv::COLOR_HSV2RGB);
        back.convertTo(out, CV_16U, 65535.0);
    }
    setPixels(state);
}
BENCHMARK(BM_Peer_OpenCV_HsvRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Peer_OpenCV_HlsRoundTrip(benchmark::State& state)
{
    cv::Mat src(kHeight, kWidth, CV_16UC3, const_cast<uint16_t*>(image().data()));
    cv::Mat f, hls, back, out;
    for (auto _ : state) {
        src.convertTo(f, CV_32F, 1.0 / 65535.0);
        cv::cvtColor(f, hls, cv::COLOR_RGB2HLS);
        cv::cvtColor(hls, back, cv::COLOR_HLS2RGB);
        back.convertTo(out, CV_16U, 65535.0);
    }
    setPixels(state);
}
BENCHMARK(BM_Peer_OpenCV_HlsRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

#ifdef KORVANE_BENCH_VIPS
void BM_Peer_Vips_Maplut(benchmark::State& state)
{
    static bool started = VIPS_INIT("korvane_bench") == 0;
    if (!started) {
        state.SkipWithError("libvips did not start");
        return;
    }
    const auto t = gammaTables();
    std::vector<uint16_t> lut(65536 * 3);
    for (int i = 0; i < 65536; ++i)
        for (int c = 0; c < 3; ++c)
            lut[std::size_t(i) * 3 + c] = t[c * 65536 + i];
    std::vector<uint16_t> out(image().size());
    for (auto _ : state) {
        VipsImage* in = vips_image_new_from_memory(
            image().data(), image().size() * 2, kWidth, kHeight, 3, VIPS_FORMAT_USHORT);
        VipsImage* l
            = vips_image_new_from_memory(lut.data(), lut.size() * 2, 65536, 1, 3, VIPS_FORMAT_USHORT);
        VipsImage* mapped = nullptr;
        if (vips_maplut(in, &mapped, l, nullptr) == 0) {
            size_t size = 0;
            void* mem = vips_image_write_to_memory(mapped, &size);
            g_free(mem);
            g_object_unref(mapped);
        }
        g_object_unref(l);
        g_object_unref(in);
    }
    setPixels(state);
}
BENCHMARK(BM_Peer_Vips_Maplut)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

} // namespace
