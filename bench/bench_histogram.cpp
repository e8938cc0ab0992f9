// Channel histogram of the 5173 x 3445 16-bit standard image without colour filter, beside
// one plain read pass over its bytes, OpenCV's calcHist and libvips' hist_find.
#include "benchimages.h"
#include "cip_rawimg.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgproc.hpp>
#include <vips/vips.h>

#include <cstdint>
#include <cstring>

namespace
{

void BM_Histogram_ReadPass(benchmark::State& state)
{
    const bench::Image16& image = bench::standardImage3600();
    const std::size_t words = image.bytes() / 8;
    for (auto _ : state) {
        std::uint64_t sum = 0;
        const unsigned char* p = reinterpret_cast<const unsigned char*>(image.samples.data());
        for (std::size_t i = 0; i < words; ++i) {
            std::uint64_t w;
            std::memcpy(&w, p + i * 8, 8);
            sum += w;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(image.bytes()));
}

void BM_Histogram_Korvane(benchmark::State& state)
{
    const bench::Image16& image = bench::standardImage3600();
    CIP_RawImg raw;
    raw.width = image.width;
    raw.height = image.height;
    raw.bits = 16;
    raw.channels = 3;
    // The histogram only reads the pixels; the pointer is taken back before raw dies.
    raw.pixels = reinterpret_cast<unsigned char*>(const_cast<std::uint16_t*>(image.samples.data()));
    for (auto _ : state) {
        if (raw.ChannelHistogram(0, 0, image.width, image.height, false, nullptr, nullptr, 1) != 0) {
            state.SkipWithError("no histogram");
            break;
        }
        benchmark::DoNotOptimize(raw.channelHist);
    }
    raw.pixels = nullptr;
    state.SetBytesProcessed(state.iterations() * std::int64_t(image.bytes()));
}

void BM_Histogram_OpenCvCalcHist(benchmark::State& state)
{
    const bench::Image16& image = bench::standardImage3600();
    const cv::Mat mat(image.height, image.width, CV_16UC3, const_cast<std::uint16_t*>(image.samples.data()));
    const int histSize[] = { 65536 };
    const float range[] = { 0, 65536 };
    const float* ranges[] = { range };
    for (auto _ : state) {
        cv::Mat hist[3];
        for (int c = 0; c < 3; ++c) {
            const int channel[] = { c };
            cv::calcHist(&mat, 1, channel, cv::Mat(), hist[c], 1, histSize, ranges);
        }
        benchmark::DoNotOptimize(hist[2].data);
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(image.bytes()));
}

void BM_Histogram_VipsHistFind(benchmark::State& state)
{
    if (VIPS_INIT("bench_histogram") != 0) {
        state.SkipWithError("libvips did not start");
        return;
    }
    vips_cache_set_max(0); // measure the work, not the operation cache
    const bench::Image16& image = bench::standardImage3600();
    VipsImage* in = vips_image_new_from_memory(
        image.samples.data(), image.bytes(), image.width, image.height, 3, VIPS_FORMAT_USHORT);
    for (auto _ : state) {
        VipsImage* hist = nullptr;
        if (vips_hist_find(in, &hist, nullptr) != 0) {
            state.SkipWithError(vips_error_buffer());
            break;
        }
        benchmark::DoNotOptimize(hist);
        g_object_unref(hist);
    }
    g_object_unref(in);
    state.SetBytesProcessed(state.iterations() * std::int64_t(image.bytes()));
}

} // namespace

// The read pass is the yardstick of the histogram, not a peer: it stays out of the table.
BENCHMARK(BM_Histogram_ReadPass)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Histogram_Korvane)->Name("ours/channel_histogram")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Histogram_OpenCvCalcHist)
    ->Name("opencv/channel_histogram")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Histogram_VipsHistFind)
    ->Name("vips/channel_histogram")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
