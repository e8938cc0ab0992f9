// Rebuilding the preview for one click of the transform buttons: a 431 x 287 16-bit
// prescan at zoom 3.0, turned a quarter, mirrored and flipped, enlarged to 861 x 1293
// and made displayable; beside it Qt's own copy, transformed(), mirrored() and
// non-smooth scaled() doing the same on an 8-bit QImage (RGB32 as "qt", RGB888 as
// "qt-rgb888"; Qt is given the 8-bit picture for free, ours starts from 16 bits).
// Also the brightness preview of the slider: copy, brightness step, preview; and a mode
// change: the prescan pipeline of a negative profile with every switch on, then the preview.

#include "benchharness.h"
#include "benchimages.h"
#include "cip_filmterms.h"
#include "cip_hsvadjust.h"
#include "imagetransform.h"
#include "prescanprocessing.h"
#include "previewgeometry.h"
#include "processingsteps.h"
#include "scannermodels.h"
#include "scanprofile.h"
#include "stimage.h"

#include <QDir>
#include <QImage>
#include <QTransform>

namespace
{

constexpr double kZoom = 3.0;
constexpr int kRotation = 90;

const STImage& prescan()
{
    return bench::standardPrescan();
}

QImage qtPicture(QImage::Format format)
{
    return prescan().toQImage().convertToFormat(format);
}

void previewOurs(benchmark::State& state)
{
    const STImage& image = prescan();
    for (auto _ : state) {
        QImage preview = PreviewGeometry::previewImage(image, kZoom, kRotation, true, true);
        benchmark::DoNotOptimize(preview.constBits());
    }
}

// The same result through the whole-image operations one after another.
void previewByOperations(benchmark::State& state)
{
    const STImage& image = prescan();
    ImageTransform transform;
    transform.setScale(kZoom);
    transform.setRotation(kRotation);
    transform.setMirror(true);
    transform.setFlip(true);
    for (auto _ : state) {
        QImage preview = transform.apply(image).toQImage();
        benchmark::DoNotOptimize(preview.constBits());
    }
}

void previewQt(benchmark::State& state, QImage::Format format)
{
    const QImage source = qtPicture(format);
    for (auto _ : state) {
        QImage copy = source.copy();
        QImage turned = copy.transformed(QTransform().rotate(kRotation));
        QImage mirrored = turned.mirrored(true, true);
        QImage preview = mirrored.scaled(int(mirrored.width() * kZoom), int(mirrored.height() * kZoom),
            Qt::IgnoreAspectRatio, Qt::FastTransformation);
        benchmark::DoNotOptimize(preview.constBits());
    }
}

void previewQtRgb32(benchmark::State& state)
{
    previewQt(state, QImage::Format_RGB32);
}

void previewQtRgb888(benchmark::State& state)
{
    previewQt(state, QImage::Format_RGB888);
}

// The slider's preview: every move starts again from the processed prescan.
void brightnessPreviewOurs(benchmark::State& state)
{
    const STImage& working = prescan();
    ProcessingSteps steps;
    for (auto _ : state) {
        STImage copy = working;
        steps.brightness(copy, 40);
        QImage preview = PreviewGeometry::previewImage(copy, kZoom, kRotation, true, false);
        benchmark::DoNotOptimize(preview.constBits());
    }
}

// The same on one thread: what the slider costs when the second core is busy.
void brightnessPreviewOneThread(benchmark::State& state)
{
    const STImage& working = prescan();
    for (auto _ : state) {
        STImage copy = working;
        CIP_HsvAdjust::brightness(copy.data(), std::size_t(copy.width()) * copy.height(), 16, 3, 40, 1);
        QImage preview = PreviewGeometry::previewImage(copy, kZoom, kRotation, true, false);
        benchmark::DoNotOptimize(preview.constBits());
    }
}

// Choosing another mode: the prescan pipeline of the new profile, then the preview at zoom 1.
void modeChangeOurs(benchmark::State& state)
{
    QDir::setCurrent(QStringLiteral(KORVANE_APP_DIR)); // the parameter files, as in the program
    CIP_FilmTerms::loadAll(KORVANE_APP_DIR);
    std::array<const CIP_FilmTermTable*, ProcessingSteps::kFilmTermTables> tables {};
    for (int i = 0; i < ProcessingSteps::kFilmTermTables; ++i)
        tables[std::size_t(i)] = CIP_FilmTerms::table(i);
    ProcessingSteps steps;
    steps.setFilmTermTables(tables);

    FilmSettings film;
    film.scanningTarget = 1; // colour negative
    film.noiseReduction = { true, 0 };
    film.autoContrast = { true, 0 };
    film.autoColour = { true, 0 };
    film.autoBalance = { true, 0 };
    film.brightness = { true, 10 };
    ScanProfile profile;
    profile.setMode(ScanProfile::FilmMode);
    profile.setFilmSettings(film);
    const int model = ScannerModels::kModels[0].code;
    for (auto _ : state) {
        STImage working = PrescanProcessing::reprocess(prescan(), profile, model, steps);
        QImage preview = PreviewGeometry::previewImage(working, 1.0, 0, false, false);
        benchmark::DoNotOptimize(preview.constBits());
    }
}

} // namespace

BENCHMARK(modeChangeOurs)->Name("ours/mode_change_negative")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(previewOurs)->Name("ours/preview_click_zoom3")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(previewQtRgb32)->Name("qt/preview_click_zoom3")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(previewQtRgb888)
    ->Name("qt-rgb888/preview_click_zoom3")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(previewByOperations)
    ->Name("ours/preview_click_zoom3_by_operations")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(brightnessPreviewOurs)
    ->Name("ours/brightness_preview_zoom3")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(brightnessPreviewOneThread)
    ->Name("ours/brightness_preview_zoom3_one_thread")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
