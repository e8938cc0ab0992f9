// What the metadata and the colour profile add to a final file, and korvane-process on
// a roll of eight scans one at a time and on every core.

#include "benchharness.h"
#include "benchimages.h"
#include "imagefiles.h"
#include "imagemetadata.h"
#include "stimage.h"

#include <scanprofile.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

namespace
{

ImageMetadata scanMetadata()
{
    return ImageMetadata::forScan(
        QStringLiteral("Korvane"), QStringLiteral("TQ4100 Film Scanner"), QDateTime::currentDateTime());
}

const STImage& smallScan()
{
    static const STImage image = [] {
        const bench::Image16 source = bench::makeTestImage(64, 64);
        STImage result;
        result.setData(64, 64, 16, 3, source.samples.data(), source.bytes());
        return result;
    }();
    return image;
}

// A TIFF small enough that its pixels cost little: the difference between the two
// runs is what the tags and the profile cost.
void tiffSmall(benchmark::State& state, bool withMetadata)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("small.tif"));
    const ImageMetadata metadata = scanMetadata();
    ImageMetadataFiles::srgbProfile(); // made once per process, as in the program
    for (auto _ : state) {
        if (!ImageFiles::writeTiff(smallScan(), path, QString(), withMetadata ? &metadata : nullptr))
            state.SkipWithError("the TIFF was not written");
    }
}
BENCHMARK_CAPTURE(tiffSmall, plain, false)
    ->Name("ours/tiff_64x64_plain")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(tiffSmall, metadata, true)
    ->Name("ours/tiff_64x64_with_metadata")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Everything a JPEG gets besides its pixels: the Exif block and the profile segment.
void jpegSegments(benchmark::State& state)
{
    const ImageMetadata metadata = scanMetadata();
    ImageMetadataFiles::srgbProfile();
    for (auto _ : state)
        benchmark::DoNotOptimize(ImageMetadataFiles::jpegSegments(metadata, 3600, 5173, 3445));
}
BENCHMARK(jpegSegments)->Name("ours/jpeg_metadata_segments")->Unit(benchmark::kMillisecond)->UseRealTime();

// The roll: eight whole-window frames at 3600 dpi (5173 x 3445) of colour negative
// film, with the steps a user switches on and the profile beside them.
struct Roll {
    QTemporaryDir dir;
    QString out;
    QStringList inputs;

    Roll()
    {
        const bench::Image16& source = bench::standardImage3600();
        STImage frame;
        frame.setData(std::uint32_t(source.width), std::uint32_t(source.height), 16, 3, source.samples.data(),
            source.bytes());
        frame.setResolution(3600);
        ScanProfile profile;
        FilmSettings film;
        film.scanningTarget = 1;
        film.noiseReduction = { true, 1 };
        film.autoContrast = { true, 0 };
        film.brightness = { true, 12 };
        profile.setFilmSettings(film);
        profile.setMode(ScanProfile::FilmMode);
        profile.save(dir.filePath(QStringLiteral("Scan.kor")));
        for (int i = 1; i <= 8; ++i) {
            const QString path = dir.filePath(QStringLiteral("frame%1.tif").arg(i));
            frame.saveTiff(path);
            inputs << path;
        }
        out = dir.filePath(QStringLiteral("out"));
    }
};

Roll& roll()
{
    static Roll instance;
    return instance;
}

void processRoll(benchmark::State& state, int jobs)
{
    Roll& files = roll();
    for (auto _ : state) {
        state.PauseTiming();
        QDir(files.out).removeRecursively();
        QDir().mkpath(files.out);
        // The files of the run before out of the page cache first: their write-back
        // would otherwise be charged to whichever run comes next.
        ::sync();
        state.ResumeTiming();
        QProcess tool;
        QStringList arguments { QStringLiteral("--output-dir"), files.out };
        if (jobs > 0)
            arguments << QStringLiteral("--jobs") << QString::number(jobs);
        tool.start(QStringLiteral(KORVANE_APP_DIR "/korvane-process"), arguments + files.inputs);
        if (!tool.waitForFinished(600000) || tool.exitCode() != 0) {
            state.SkipWithError("korvane-process failed");
            break;
        }
    }
}
BENCHMARK_CAPTURE(processRoll, one_at_a_time, 1)
    ->Name("ours/process_8_frames_one_at_a_time")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK_CAPTURE(processRoll, every_core, 0)
    ->Name("ours/process_8_frames_every_core")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

} // namespace
