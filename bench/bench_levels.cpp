// The levels: a change of the levels reaching the preview (new tables, the 431 x 287
// 16-bit prescan mapped through them, its histogram counted, the picture enlarged to
// zoom 3.0 for the view), the histogram of the preview alone, and the levels' table pass
// on the 3600 dpi standard image, to read beside ours/table_pass_16bit. The final scan
// with levels is ours/final_scan_3600dpi_levels in bench_pipeline.cpp.

#include "benchimages.h"
#include "levelspreview.h"
#include "levelstables.h"
#include "previewgeometry.h"
#include "stimage.h"
#include "tonehistogram.h"

#include <benchmark/benchmark.h>

#include <QImage>

namespace
{

constexpr double kZoom = 3.0;

const STImage& prescan()
{
    return bench::standardPrescan();
}

// A drag step: the levels differ from one iteration to the next, so the tables are
// built anew every time. With everyChannel each channel has a gamma of its own (the
// most a change can cost), otherwise only the gamma of all channels.
LevelsSettings dragStep(int i, bool everyChannel)
{
    LevelsSettings levels;
    levels[LevelsSettings::All] = { 5 + i % 20, 240, 0.8 + 0.01 * (i % 50) };
    if (everyChannel) {
        levels[LevelsSettings::Red] = { 0, 250, 1.2 + 0.01 * (i % 30) };
        levels[LevelsSettings::Green] = { 3, 255, 0.9 };
        levels[LevelsSettings::Blue] = { 0, 230, 1.4 };
    }
    return levels;
}

void levelsChangeToPreview(benchmark::State& state)
{
    const bool everyChannel = state.range(0) != 0;
    LevelsPreview preview;
    preview.setSource(prescan());
    int i = 0;
    for (auto _ : state) {
        preview.setLevels(dragStep(i++, everyChannel));
        QImage shown = PreviewGeometry::previewImage(preview.shown(), kZoom, 0, false, false);
        benchmark::DoNotOptimize(shown.constBits());
        benchmark::DoNotOptimize(preview.histogram().pixels());
    }
}
BENCHMARK(levelsChangeToPreview)
    ->Name("ours/levels_change_to_preview_zoom3")
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(levelsChangeToPreview)
    ->Name("ours/levels_change_to_preview_zoom3_every_channel")
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void levelsTablesBuild(benchmark::State& state)
{
    int i = 0;
    for (auto _ : state) {
        LevelsTables tables(dragStep(i++, true), 16);
        benchmark::DoNotOptimize(tables.table(0));
    }
}
BENCHMARK(levelsTablesBuild)
    ->Name("ours/levels_tables_every_channel")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void histogramOfPreview(benchmark::State& state)
{
    const STImage& image = prescan();
    for (auto _ : state) {
        ToneHistogram histogram = ToneHistogram::of(image);
        benchmark::DoNotOptimize(histogram.pixels());
    }
}
BENCHMARK(histogramOfPreview)
    ->Name("ours/histogram_preview_431x287")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void levelsTablePass3600(benchmark::State& state)
{
    const bench::Image16& source = bench::standardImage3600();
    STImage image;
    image.setData(std::uint32_t(source.width), std::uint32_t(source.height), 16, 3, source.samples.data(),
        source.bytes());
    const LevelsTables tables(dragStep(3, true), 16);
    for (auto _ : state) {
        tables.apply(image);
        benchmark::DoNotOptimize(image.data());
    }
}
BENCHMARK(levelsTablePass3600)->Name("ours/levels_pass_16bit")->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
