// Faults between a prescan and the file of its final scan, through the real worker and the
// simulated scanner: the output folder removed or replaced by a file after the prescan or
// while the scan is processed, and the scanner unplugged in the middle of the final scan.
// Each time the user is told why, no file and no temporary file is left anywhere, and the
// worker either scans again once the folder is back or ends its thread cleanly.

#include <manager.h>
#include <processingsteps.h>
#include <scannersdk.h>
#include <stimage.h>
#include <userfolders.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include "managerlink.h"
#include "simulatorsettings.h"

#include <tiffio.h>

namespace
{

constexpr int kWaitMs = 60000;

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// The work folder holds the raw files of the enlarged resolution while a scan is saved.
QStringList workLeftovers()
{
    const QString work = UserFolders::userFolder(QStringLiteral("Korvane"));
    return QDir(work).entryList(
        { QStringLiteral("*.raw"), QStringLiteral(".*.part") }, QDir::Files | QDir::Hidden, QDir::Name);
}

// libtiff or Qt's JPEG reader takes the whole file.
bool completeFile(const QString& path)
{
    if (path.endsWith(QLatin1String(".jpg"))) {
        QImageReader reader(path);
        return !reader.read().isNull();
    }
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tiff)
        return false;
    uint32_t height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    std::vector<unsigned char> row(std::size_t(TIFFScanlineSize(tiff)));
    bool ok = height > 0;
    for (uint32_t y = 0; y < height && ok; ++y)
        ok = TIFFReadScanline(tiff, row.data(), y) >= 0;
    TIFFClose(tiff);
    return ok;
}

enum class Fault { Removed, ReplacedByFile };

bool breakFolder(const QString& folder, Fault fault)
{
    if (!QDir(folder).removeRecursively())
        return false;
    if (fault == Fault::Removed)
        return true;
    QFile file(folder);
    return file.open(QIODevice::WriteOnly) && file.write("not a folder") == 12;
}

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestScanFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void outputFolderBroken_data();
    void outputFolderBroken();
    void defaultFolderNamedInFailure();
    void unpluggedDuringFinalScan_data();
    void unpluggedDuringFinalScan();

private:
    // One manager and worker per simulator set-up: the simulator reads its settings at the link.
    bool link(int model, int unplugAfterBlocks);
    ScanProfile profileFor(const QString& folder, int resolution, int format) const;
    bool prescan(const ScanProfile& profile);

    QTemporaryDir m_state;
    std::unique_ptr<WorkerSignals> m_results;
    int m_model = 0;
    int m_unplugAfterBlocks = -1;
};

void TestScanFaults::initTestCase()
{
    QVERIFY(m_state.isValid());
    SimulatorSettings::reset(m_state.path().toUtf8().constData());
    QDir::setCurrent(QCoreApplication::applicationDirPath());
}

void TestScanFaults::cleanup()
{
    if (manager::instance()->processing())
        manager::instance()->processing()->setProgress({});
}

bool TestScanFaults::link(int model, int unplugAfterBlocks)
{
    if (m_results && m_model == model && m_unplugAfterBlocks == unplugAfterBlocks
        && manager::instance()->scanner()->isLinked())
        return true;
    m_results.reset();
    manager::release();
    ScannerSDK::forgetDeviceSeenForTests();
    qputenv("KORVANE_SIM_MODEL", QByteArray::number(model));
    qputenv("KORVANE_SIM_UNPLUG_AFTER_BLOCKS", QByteArray::number(unplugAfterBlocks));
    m_results = linkManagerToSimulator(kWaitMs);
    m_model = model;
    m_unplugAfterBlocks = unplugAfterBlocks;
    return m_results != nullptr;
}

// The film profile of slot 3 (positive colour) saving into folder.
ScanProfile TestScanFaults::profileFor(const QString& folder, int resolution, int format) const
{
    ScanProfile profile = manager::instance()->profile(3);
    FilmSettings film = profile.filmSettings();
    film.resolution = resolution;
    film.colourDepth = 0;
    film.fileFormat = format;
    film.directory = folder;
    profile.setFilmSettings(film);
    return profile;
}

bool TestScanFaults::prescan(const ScanProfile& profile)
{
    ScannerSDK* sdk = manager::instance()->scanner();
    QSignalSpy prescanned(m_results.get(), &WorkerSignals::preScan);
    sdk->settings = profile;
    if (!sdk->requestPrescan() || !prescanned.wait(kWaitMs))
        return false;
    return !prescanned.at(0).at(0).value<STImage>().isNull();
}

void TestScanFaults::outputFolderBroken_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("resolution");
    QTest::addColumn<int>("format");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("duringTheScan");

    QTest::newRow("removed after the prescan, TIFF") << 82 << 1 << 0 << Fault::Removed << false;
    QTest::newRow("replaced by a file after the prescan, JPEG")
        << 82 << 1 << 1 << Fault::ReplacedByFile << false;
    QTest::newRow("removed while the scan is processed") << 82 << 1 << 0 << Fault::Removed << true;
    QTest::newRow("replaced while processed, JPEG") << 82 << 1 << 1 << Fault::ReplacedByFile << true;
    // 10000 dpi goes through raw files in the work folder before the final file.
    QTest::newRow("removed, enlarged TIFF") << 84 << 0 << 0 << Fault::Removed << false;
    QTest::newRow("replaced while processed, enlarged JPEG") << 84 << 0 << 1 << Fault::ReplacedByFile << true;
}

void TestScanFaults::outputFolderBroken()
{
    QFETCH(int, model);
    QFETCH(int, resolution);
    QFETCH(int, format);
    QFETCH(Fault, fault);
    QFETCH(bool, duringTheScan);
    QVERIFY(link(model, 0));
    QTemporaryDir out;
    QVERIFY(out.isValid());
    const QString folder = out.filePath(QStringLiteral("scans"));
    QVERIFY(QDir().mkpath(folder));
    QFile neighbour(out.filePath(QStringLiteral("Film0001.tif")));
    QVERIFY(neighbour.open(QIODevice::WriteOnly));
    neighbour.write("a picture of the user's");
    neighbour.close();

    const ScanProfile profile = profileFor(folder, resolution, format);
    QVERIFY(prescan(profile));
    bool broken = false;
    if (duringTheScan) {
        // At the first processing step: the scan has arrived, its file is not written yet.
        manager::instance()->processing()->setProgress([&broken, folder, fault](const QString&) {
            if (!broken)
                broken = breakFolder(folder, fault);
        });
    } else {
        broken = breakFolder(folder, fault);
    }

    ScannerSDK* sdk = manager::instance()->scanner();
    QSignalSpy failed(m_results.get(), &WorkerSignals::requestFailed);
    QSignalSpy done(m_results.get(), &WorkerSignals::scanImage);
    sdk->setScanArea({ 0.2, 0.1, 0.12, 0.09 });
    QVERIFY(sdk->requestScan());
    QVERIFY(done.wait(kWaitMs));
    QVERIFY(broken);
    QCOMPARE(done.at(0).at(0).toString(), QString());
    // The failure is the outcome that follows the result.
    QTRY_COMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toInt(), int(ScannerSDK::RequestScan));
    QCOMPARE(failed.at(0).at(1).toString(),
        QStringLiteral("The scan could not be saved in %1: the folder does not exist or cannot be written. "
                       "Choose another folder in Preference...")
            .arg(QDir::toNativeSeparators(folder)));

    // Nothing written anywhere, the user's file untouched.
    const QStringList expected = fault == Fault::Removed
        ? QStringList { QStringLiteral("Film0001.tif") }
        : QStringList { QStringLiteral("Film0001.tif"), QStringLiteral("scans") };
    QCOMPARE(entries(out.path()), expected);
    QCOMPARE(workLeftovers(), QStringList());
    QVERIFY(neighbour.open(QIODevice::ReadOnly));
    QCOMPARE(neighbour.readAll(), QByteArray("a picture of the user's"));
    neighbour.close();
    if (fault == Fault::ReplacedByFile) {
        QFile file(folder);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("not a folder"));
        QVERIFY(file.remove());
    }

    // With the folder back the same worker scans again, into the first number.
    manager::instance()->processing()->setProgress({});
    QVERIFY(QDir().mkpath(folder));
    done.clear();
    QVERIFY(sdk->requestScan());
    QVERIFY(done.wait(kWaitMs));
    const QString written = done.at(0).at(0).toString();
    QCOMPARE(QFileInfo(written).fileName(), format == 1 ? "Film0001.jpg" : "Film0001.tif");
    QVERIFY(completeFile(written));
    QCOMPARE(entries(folder).size(), 1);
    QCOMPARE(workLeftovers(), QStringList());
}

// An empty folder in the profile saves into Pictures, so a failure names Pictures.
void TestScanFaults::defaultFolderNamedInFailure()
{
    QVERIFY(link(82, 0));
    const QString pictures = UserFolders::picturesFolder();
    QVERIFY(prescan(profileFor(QString(), 1, 0)));
    QVERIFY(QDir(pictures).removeRecursively());
    QFile blocker(pictures);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    QSignalSpy failed(m_results.get(), &WorkerSignals::requestFailed);
    QSignalSpy done(m_results.get(), &WorkerSignals::scanImage);
    ScannerSDK* sdk = manager::instance()->scanner();
    sdk->setScanArea({ 0.2, 0.1, 0.12, 0.09 });
    QVERIFY(sdk->requestScan());
    QVERIFY(done.wait(kWaitMs));
    QVERIFY(blocker.remove());
    QTRY_COMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(1).toString(),
        QStringLiteral("The scan could not be saved in %1: the folder does not exist or cannot be written. "
                       "Choose another folder in Preference...")
            .arg(QDir::toNativeSeparators(pictures)));
}

void TestScanFaults::unpluggedDuringFinalScan_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("resolution");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("blocks");

    // 255 lines a block; the scan is 0.3 inch high.
    QTest::newRow("1800 dpi TIFF, after the first block") << 82 << 1 << 0 << 1;
    QTest::newRow("1800 dpi JPEG, before the last block") << 82 << 1 << 1 << 2;
    QTest::newRow("5000 dpi for 10000, after four blocks") << 84 << 0 << 0 << 4;
}

void TestScanFaults::unpluggedDuringFinalScan()
{
    QFETCH(int, model);
    QFETCH(int, resolution);
    QFETCH(int, format);
    QFETCH(int, blocks);
    QVERIFY(link(model, blocks));
    QTemporaryDir out;
    QVERIFY(out.isValid());
    const ScanProfile profile = profileFor(out.path(), resolution, format);
    QVERIFY(prescan(profile)); // prescans are not cut

    ScannerSDK* sdk = manager::instance()->scanner();
    QSignalSpy failed(m_results.get(), &WorkerSignals::requestFailed);
    QSignalSpy done(m_results.get(), &WorkerSignals::scanImage);
    QSignalSpy disconnected(m_results.get(), &WorkerSignals::disconnected);
    sdk->setScanArea({ 0.2, 0.1, 0.2, 0.3 });
    QVERIFY(sdk->requestScan());
    QVERIFY(done.wait(kWaitMs));
    QCOMPARE(done.at(0).at(0).toString(), QString());
    // The failure is the outcome that follows the result.
    QTRY_COMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toInt(), int(ScannerSDK::RequestScan));
    QCOMPARE(failed.at(0).at(1).toString(),
        QStringLiteral("The scanner did not deliver the scan. Check the scanner and try again."));

    // The next status poll finds the scanner gone: the one disconnect the main window
    // ends the program on, and the worker's thread ends.
    QVERIFY(disconnected.count() == 1 || disconnected.wait(kWaitMs));
    QVERIFY(sdk->wait(kWaitMs));
    QCOMPARE(disconnected.count(), 1);
    QVERIFY(!sdk->isLinked());
    QVERIFY(!sdk->requestScan());

    QCOMPARE(entries(out.path()), QStringList());
    QCOMPARE(workLeftovers(), QStringList());
    // Releasing the manager (as the program does when it quits) joins nothing that hangs.
    m_results.reset();
    manager::release();
}

QTEST_GUILESS_MAIN(TestScanFaults)
#include "test_scanfaults.moc"
