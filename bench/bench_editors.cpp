// The profile editors: one filter preview, as every slider step redraws it, on the
// sample picture and on a prescan-sized picture, with every switch of the mode on
// (multipass included); and opening the custom dialog with both pages built and the
// first preview drawn.

#include "benchharness.h"

#include <customdialog.h>
#include <filterpreview.h>
#include <processingsteps.h>
#include <scanprofile.h>

#include <QApplication>
#include <QDir>
#include <QImage>

namespace
{

constexpr int kModelCode = 82;

ScanProfile everySwitchOn(int mode)
{
    ScanProfile profile;
    profile.setMode(mode);
    SlideSettings slide;
    slide.multipass = { true, 0 };
    slide.autoContrast = { true, 0 };
    slide.saturation = { true, -38 };
    slide.brightness = { true, 26 };
    profile.setSlideSettings(slide);
    FilmSettings film;
    film.scanningTarget = 1;
    film.multipass = { true, 0 };
    film.noiseReduction = { true, 0 };
    film.autoContrast = { true, 0 };
    film.autoColour = { true, 0 };
    film.autoBalance = { true, 0 };
    film.brightness = { true, 30 };
    profile.setFilmSettings(film);
    return profile;
}

// The sample picture, or the same picture enlarged to a prescan's 431 x 287.
void filterPreview(benchmark::State& state, FilterPreview::Kind kind, bool prescanSized)
{
    QDir::setCurrent(QStringLiteral(KORVANE_APP_DIR)); // the parameter files, as in the program
    ProcessingSteps steps;
    FilterPreview preview(kind);
    if (prescanSized) {
        preview.setPictures(preview.before().scaled(431, 287), preview.multipassSample().scaled(431, 287));
    }
    preview.setProcessing(&steps, kModelCode);
    const ScanProfile profile = everySwitchOn(kind == FilterPreview::Slides ? 0 : 1);
    for (auto _ : state) {
        QImage after = preview.after(profile);
        benchmark::DoNotOptimize(after.constBits());
    }
}

void slidePreviewSample(benchmark::State& state)
{
    filterPreview(state, FilterPreview::Slides, false);
}

void filmPreviewSample(benchmark::State& state)
{
    filterPreview(state, FilterPreview::Film, false);
}

void slidePreviewPrescan(benchmark::State& state)
{
    filterPreview(state, FilterPreview::Slides, true);
}

void filmPreviewPrescan(benchmark::State& state)
{
    filterPreview(state, FilterPreview::Film, true);
}

void openCustomDialog(benchmark::State& state)
{
    QDir::setCurrent(QStringLiteral(KORVANE_APP_DIR));
    ProcessingSteps steps;
    const ScanProfile profile = everySwitchOn(0);
    for (auto _ : state) {
        CustomDialog dialog({ &steps, kModelCode, nullptr });
        dialog.setProfile(profile);
        dialog.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(dialog.isVisible());
    }
}

} // namespace

BENCHMARK(slidePreviewSample)
    ->Name("ours/editor_slide_preview_sample")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(filmPreviewSample)
    ->Name("ours/editor_film_preview_sample")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(slidePreviewPrescan)
    ->Name("ours/editor_slide_preview_431x287")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(filmPreviewPrescan)
    ->Name("ours/editor_film_preview_431x287")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(openCustomDialog)
    ->Name("ours/editor_open_custom_dialog")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
