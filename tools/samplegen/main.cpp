// Scans the sample pictures of the profile editors' filter previews through the
// simulated scanner: what lies in the holder (film or a microscope slide), once
// plainly and once with the multipass exposure, each as the prescan road turns it
// into a picture before any of the user's corrections, sized for the preview.
//
//   korvane_samplegen film|slide <plain.jpg> <multipass.jpg>
//
// Run from a folder that holds the device library and the data folder, with HOME
// pointing at a scratch folder (the manager writes its profile files there).

#include <manager.h>
#include <processingsteps.h>
#include <profileprocessingoptions.h>
#include <scannersdk.h>
#include <stimage.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace
{

constexpr int kWaitMs = 60000;
// The preview widget shows each half at about 225 x 150; a little more keeps the
// downscaled halves sharp.
constexpr int kWidth = 300;
constexpr int kHeight = 200;
constexpr int kQuality = 92;
// The simulator's default model; its parameter files steer the prescan road.
constexpr int kModelCode = 82;

// Starts something and runs the event loop until signal fires or the wait ends;
// false on time-out.
template <typename Signal, typename Start> bool waitFor(ScannerSDK* sdk, Signal signal, Start start)
{
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&loop] { loop.exit(1); });
    QObject::connect(sdk, signal, &loop, [&loop] { loop.exit(0); });
    start();
    timer.start(kWaitMs);
    return loop.exec() == 0;
}

bool prescan(ScannerSDK* sdk, const ScanProfile& profile, STImage* image)
{
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&loop] { loop.exit(1); });
    QObject::connect(sdk, &ScannerSDK::scannerPreScan_s, &loop, [&loop, image](const STImage& result) {
        *image = result;
        loop.exit(0);
    });
    sdk->settings = profile;
    if (!sdk->requestPrescan())
        return false;
    timer.start(kWaitMs);
    return loop.exec() == 0 && image->width() > 0 && image->height() > 0;
}

// The prescan road with every switch of the user off: only the corrections that any
// picture of this kind needs (gamma, film terms), so the filters have work left.
QImage developed(STImage image, const ScanProfile& profile, int modelCode)
{
    manager::instance()->processing()->runPrescan(image, uncorrectedProcessingOptions(profile, modelCode));
    return image.toQImage().scaled(kWidth, kHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

ScanProfile withMultipass(ScanProfile profile, bool on)
{
    SlideSettings slide = profile.slideSettings();
    slide.multipass = { on, 0 };
    profile.setSlideSettings(slide);
    FilmSettings film = profile.filmSettings();
    film.multipass = { on, 0 };
    profile.setFilmSettings(film);
    return profile;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 4
        || (arguments.at(1) != QLatin1String("film") && arguments.at(1) != QLatin1String("slide"))) {
        std::fprintf(stderr, "usage: korvane_samplegen film|slide <plain.jpg> <multipass.jpg>\n");
        return 2;
    }
    const bool slide = arguments.at(1) == QLatin1String("slide");
    QTemporaryDir memory;
    if (!memory.isValid()) {
        std::fprintf(stderr, "korvane_samplegen: no scratch folder\n");
        return 1;
    }
    qputenv("KORVANE_SIM_HOLDER", slide ? "slide" : "film");
    qputenv("KORVANE_SIM_STATE_DIR", memory.path().toLocal8Bit());
    qunsetenv("KORVANE_SIM_IMAGE");
    qunsetenv("KORVANE_SIM_MODEL");
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    manager* data = manager::instance();
    data->initProfiles();
    ScannerSDK* sdk = data->scanner();
    if (!waitFor(sdk, &ScannerSDK::scannerLinkReady_s, [sdk] { sdk->startLink(); })) {
        std::fprintf(stderr, "korvane_samplegen: the simulated scanner did not link\n");
        return 1;
    }
    // Tissue sections for the slide, positive colour film for the film frame.
    const ScanProfile profile = data->profile(slide ? 0 : 3);
    int status = 0;
    for (int pass = 0; pass < 2; ++pass) {
        const ScanProfile scanned = withMultipass(profile, pass == 1);
        STImage image;
        const QString path = arguments.at(2 + pass);
        if (!prescan(sdk, scanned, &image)) {
            std::fprintf(stderr, "korvane_samplegen: the prescan for %s failed\n", qPrintable(path));
            status = 1;
            break;
        }
        if (!developed(image, scanned, kModelCode).save(path, "JPEG", kQuality)) {
            std::fprintf(stderr, "korvane_samplegen: cannot write %s\n", qPrintable(path));
            status = 1;
            break;
        }
    }
    manager::release();
    return status;
}
