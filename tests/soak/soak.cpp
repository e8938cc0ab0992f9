// Prescan and final-scan cycles through the real worker and pipelines, with the simulated
// scanner at 1800 dpi, the whole window each time. Prints the resident memory and the open
// file descriptors after the 10th and the last cycle and the time of each tenth of the run,
// so that growth or drift shows. Exit status 1 when a cycle fails.
//
// Usage: korvane_soak [cycles] (200 by default); run from the test-program folder so that the
// simulated device and the data are found as the program finds them.

#include "managerlink.h"

#include <manager.h>
#include <scannermodels.h>
#include <scannersdk.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstdio>
#include <unistd.h>

namespace
{

constexpr int kWaitMs = 120000;

long residentKilobytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

int openDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int cycles = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 200;
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    QTemporaryDir state;
    QTemporaryDir output;
    if (!state.isValid() || !output.isValid())
        return 1;
    qputenv("KORVANE_SIM_STATE_DIR", state.path().toUtf8());
    qputenv("KORVANE_SIM_MODEL", "82"); // Normal is 1800 dpi

    std::unique_ptr<WorkerSignals> results = linkManagerToSimulator(kWaitMs);
    if (!results) {
        std::fprintf(stderr, "korvane_soak: the simulated scanner did not link\n");
        return 1;
    }
    manager* data = manager::instance();
    ScannerSDK* sdk = data->scanner();
    ScanProfile profile = data->profile(4); // negative film, 16-bit TIFF
    FilmSettings film = profile.filmSettings();
    film.resolution = int(ScanProfile::Resolution::Normal);
    film.colourDepth = int(ScanProfile::ColourDepth::SixteenBit);
    film.fileFormat = int(ScanProfile::FileFormat::Tiff);
    film.directory = output.path();
    profile.setFilmSettings(film);

    std::printf("%8s %12s %10s %14s\n", "cycle", "resident kB", "open fds", "ms per cycle");
    QElapsedTimer total;
    total.start();
    QElapsedTimer stretch;
    stretch.start();
    const int report = std::max(1, cycles / 10);
    int status = 0;
    int lastPrinted = 0;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        QSignalSpy prescan(results.get(), &WorkerSignals::preScan);
        sdk->settings = profile;
        if (!sdk->requestPrescan() || !prescan.wait(kWaitMs)) {
            std::fprintf(stderr, "korvane_soak: prescan %d failed\n", cycle);
            status = 1;
            break;
        }
        QSignalSpy scan(results.get(), &WorkerSignals::scanImage);
        sdk->setScanArea({ 0.0, 0.0, ScannerModels::kWindowWidthInches, ScannerModels::kWindowHeightInches });
        if (!sdk->requestScan() || !scan.wait(kWaitMs) || scan.at(0).at(0).toString().isEmpty()) {
            std::fprintf(stderr, "korvane_soak: final scan %d failed\n", cycle);
            status = 1;
            break;
        }
        QFile::remove(scan.at(0).at(0).toString());
        if (cycle == 10 || cycle % report == 0 || cycle == cycles) {
            const int done = cycle - lastPrinted;
            lastPrinted = cycle;
            std::printf("%8d %12ld %10d %14.1f\n", cycle, residentKilobytes(), openDescriptors(),
                double(stretch.nsecsElapsed()) / 1e6 / done);
            std::fflush(stdout);
            stretch.restart();
        }
    }
    std::printf("%d cycles in %.1f s\n", cycles, double(total.nsecsElapsed()) / 1e9);
    results.reset();
    manager::release();
    return status;
}
