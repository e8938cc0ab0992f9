// The final scan of the simulated scanner: resolutions by model, depth and format of
// the file (read back with libtiff and libjpeg), the carried tables, a cancel before
// saving and a file that cannot be written.

#include <manager.h>
#include <processingsteps.h>
#include <profileprocessingoptions.h>
#include <scannersdk.h>
#include <servicemodes.h>
#include <stimage.h>
#include <userfolders.h>

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QtTest>

#include "managerlink.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <jpeglib.h>
#include <tiffio.h>

namespace
{

constexpr int kWaitMs = 60000;

struct FileFacts {
    bool read = false;
    int width = 0;
    int height = 0;
    int bits = 0;
    int samples = 0;
    double resolution = 0;
};

FileFacts tiffFacts(const QString& path)
{
    FileFacts facts;
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tiff)
        return facts;
    uint32_t width = 0, height = 0;
    uint16_t bits = 0, samples = 0;
    float resolution = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &resolution);
    // Every row must be there.
    std::vector<unsigned char> row(std::size_t(TIFFScanlineSize(tiff)));
    bool complete = true;
    for (uint32_t y = 0; y < height && complete; ++y)
        complete = TIFFReadScanline(tiff, row.data(), y) >= 0;
    TIFFClose(tiff);
    facts = { complete, int(width), int(height), int(bits), int(samples), double(resolution) };
    return facts;
}

FileFacts jpegFacts(const QString& path)
{
    FileFacts facts;
    FILE* file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!file)
        return facts;
    jpeg_decompress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    if (jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK) {
        jpeg_start_decompress(&info);
        std::vector<JSAMPLE> row(std::size_t(info.output_width) * info.output_components);
        while (info.output_scanline < info.output_height) {
            JSAMPROW rows[1] = { row.data() };
            jpeg_read_scanlines(&info, rows, 1);
        }
        facts = { true, int(info.output_width), int(info.output_height), 8, info.output_components,
            info.density_unit == 1 ? double(info.X_density) : 0.0 };
        jpeg_finish_decompress(&info);
    }
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return facts;
}

// The device colour balance of a RAW-mode option record dump, red, green, blue.
QList<int> dumpedBalance(const QString& dump)
{
    QFile file(UserFolders::rawImageFolder() + QLatin1Char('/') + dump);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QList<int> balance { -1, -1, -1 };
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        for (int c = 0; c < 3; ++c) {
            const QString key = QStringLiteral("pOptionScan.ScanInfoArray[0].wColorBalance")
                + QLatin1Char("RGB"[c]) + QStringLiteral(" = ");
            if (line.startsWith(key))
                balance[c] = line.mid(key.size()).toInt();
        }
    }
    return balance;
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestFinalScan : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void fileByProfile_data();
    void fileByProfile();
    void tablesCarryOverFromPrescan();
    void scanKeepsTheTablesItWasAskedWith();
    void negativeKeepsTheMeasuredBalance();
    void cancelBeforeSavingSavesNothing_data();
    void cancelBeforeSavingSavesNothing();
    void unwritableFolderReportsEmptyPath();
    void prescanProgressEndsAtTheHandOver();

private:
    void link(int model);
    QString scan(const ScanProfile& profile, double width, double height);
    STImage prescan(const ScanProfile& profile);
    ScanProfile profileFor(int slot, int resolution, int depth, int format) const;

    QTemporaryDir m_state;
    QTemporaryDir m_output;
    std::unique_ptr<WorkerSignals> m_results;
    int m_model = 0;
    QStringList m_steps;
};

void TestFinalScan::initTestCase()
{
    QVERIFY(m_state.isValid());
    QVERIFY(m_output.isValid());
    qputenv("KORVANE_SIM_STATE_DIR", m_state.path().toUtf8());
    QDir::setCurrent(QCoreApplication::applicationDirPath());
}

void TestFinalScan::init()
{
    m_steps.clear();
}

void TestFinalScan::cleanup()
{
    ServiceModes::instance().setRawMode(false);
    if (manager::instance()->processing())
        manager::instance()->processing()->setProgress({});
    for (const QString& name : filesIn(m_output.path()))
        QFile::remove(m_output.path() + QLatin1Char('/') + name);
}

void TestFinalScan::cleanupTestCase()
{
    m_results.reset();
    manager::release();
}

// One manager, and so one worker, per model: the simulator takes its model at the link.
void TestFinalScan::link(int model)
{
    if (m_model == model)
        return;
    m_results.reset();
    manager::release();
    ScannerSDK::forgetDeviceSeenForTests();
    qputenv("KORVANE_SIM_MODEL", QByteArray::number(model));
    m_results = linkManagerToSimulator(kWaitMs);
    QVERIFY(m_results);
    m_model = model;
}

ScanProfile TestFinalScan::profileFor(int slot, int resolution, int depth, int format) const
{
    ScanProfile profile = manager::instance()->profile(slot);
    if (profile.isSlideMode()) {
        SlideSettings slide = profile.slideSettings();
        slide.resolution = resolution;
        slide.colourDepth = depth;
        slide.fileFormat = format;
        slide.directory = m_output.path();
        profile.setSlideSettings(slide);
    } else {
        FilmSettings film = profile.filmSettings();
        film.resolution = resolution;
        film.colourDepth = depth;
        film.fileFormat = format;
        film.directory = m_output.path();
        profile.setFilmSettings(film);
    }
    return profile;
}

// Scans width x height inches from the window's corner; the path reported.
QString TestFinalScan::scan(const ScanProfile& profile, double width, double height)
{
    ScannerSDK* sdk = manager::instance()->scanner();
    QSignalSpy done(m_results.get(), &WorkerSignals::scanImage);
    sdk->settings = profile;
    sdk->setScanArea({ 0.2, 0.1, width, height });
    if (!sdk->requestScan() || !done.wait(kWaitMs))
        return QStringLiteral("<no result>");
    return done.at(0).at(0).toString();
}

STImage TestFinalScan::prescan(const ScanProfile& profile)
{
    ScannerSDK* sdk = manager::instance()->scanner();
    QSignalSpy prescanned(m_results.get(), &WorkerSignals::preScan);
    sdk->settings = profile;
    if (!sdk->requestPrescan() || !prescanned.wait(kWaitMs))
        return STImage();
    return prescanned.at(0).at(0).value<STImage>();
}

void TestFinalScan::fileByProfile_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("resolution");
    QTest::addColumn<int>("depth");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("bits");

    QTest::newRow("82 Normal, 16-bit TIFF") << 82 << 4 << 1 << 0 << 0 << 1800 << 1 << 16;
    QTest::newRow("82 Normal, 8-bit TIFF") << 82 << 1 << 1 << 1 << 0 << 1800 << 1 << 8;
    QTest::newRow("83 Quality, JPEG") << 83 << 3 << 0 << 0 << 1 << 3600 << 1 << 8;
    QTest::newRow("84 Normal, 8-bit TIFF") << 84 << 2 << 1 << 1 << 0 << 5000 << 1 << 8;
    QTest::newRow("84 Quality, 16-bit TIFF doubled") << 84 << 4 << 0 << 0 << 0 << 10000 << 2 << 16;
    QTest::newRow("84 Quality, JPEG doubled") << 84 << 0 << 0 << 1 << 1 << 10000 << 2 << 8;
}

// The device resolution, size, depth, resolution and format of the saved file; the
// scan itself is read from its RAW-mode dump.
void TestFinalScan::fileByProfile()
{
    QFETCH(int, model);
    QFETCH(int, slot);
    QFETCH(int, resolution);
    QFETCH(int, depth);
    QFETCH(int, format);
    QFETCH(int, dpi);
    QFETCH(int, scale);
    QFETCH(int, bits);
    link(model);
    ServiceModes::instance().setRawMode(true);
    const QString raw = UserFolders::rawImageFolder();
    QFile::remove(raw + QStringLiteral("/Scan.tif"));

    const QString path = scan(profileFor(slot, resolution, depth, format), 0.15, 0.1);
    QVERIFY2(!path.isEmpty() && QFile::exists(path), qPrintable(path));
    QCOMPARE(path.endsWith(QLatin1String(format == 1 ? ".jpg" : ".tif")), true);

    QFile option(raw + QStringLiteral("/Scan_option.txt"));
    QVERIFY(option.open(QIODevice::ReadOnly));
    const int deviceDpi = model == 84 ? 5000 : dpi;
    QVERIFY(
        option.readLine().startsWith("pOptionScan.ScanInfoArray[0].nDP I=" + QByteArray::number(deviceDpi)));

    const FileFacts scanned = tiffFacts(raw + QStringLiteral("/Scan.tif"));
    QVERIFY(scanned.read);
    QVERIFY(std::abs(scanned.width - int(0.15 * deviceDpi)) <= 1);
    const FileFacts saved = format == 1 ? jpegFacts(path) : tiffFacts(path);
    QVERIFY(saved.read);
    QCOMPARE(saved.width, scanned.width * scale);
    QCOMPARE(saved.height, scanned.height * scale);
    QCOMPARE(saved.bits, bits);
    QCOMPARE(saved.samples, 3);
    if (format == 1 && dpi != 10000)
        QVERIFY(std::abs(saved.resolution - dpi) <= 1); // through dots per metre
    else
        QCOMPARE(saved.resolution, double(dpi));
    // Nothing but the file is left in the folder, no temporary file in the user folder.
    QCOMPARE(filesIn(m_output.path()).size(), 1);
    QVERIFY(
        !QFile::exists(UserFolders::userFolder(QStringLiteral("Korvane")) + QStringLiteral("/tmpImage.raw")));
    QVERIFY(!QFile::exists(
        UserFolders::userFolder(QStringLiteral("Korvane")) + QStringLiteral("/resizeImage.raw")));
}

// Straight after a prescan the final scan applies its tables; after a filter preview
// it analyses its reduced copy first.
void TestFinalScan::tablesCarryOverFromPrescan()
{
    link(82);
    ProcessingSteps* steps = manager::instance()->processing();
    QVERIFY(steps);
    steps->setProgress([this](const QString& step) { m_steps << step; });
    const ScanProfile profile = profileFor(4, 1, 0, 0);

    QSignalSpy prescanned(m_results.get(), &WorkerSignals::preScan);
    manager::instance()->scanner()->settings = profile;
    QVERIFY(manager::instance()->scanner()->requestPrescan());
    QVERIFY(prescanned.wait(kWaitMs));
    STImage preview = prescanned.at(0).at(0).value<STImage>();
    steps->runPrescan(preview, profileProcessingOptions(profile, 82));
    QVERIFY(steps->gammaTables().valid);

    m_steps.clear();
    QVERIFY(!scan(profile, 0.2, 0.15).isEmpty());
    QVERIFY2(!m_steps.isEmpty() && !m_steps.contains(QStringLiteral("Scan_Analysis")),
        qPrintable(m_steps.join(", ")));

    steps->runFilmPreview(STImage::zeroed(200, 150, 8, 3).toQImage(), profileProcessingOptions(profile, 82));
    QVERIFY(!steps->gammaTables().valid);
    m_steps.clear();
    QVERIFY(!scan(profile, 0.2, 0.15).isEmpty());
    QCOMPARE(m_steps.value(0), QStringLiteral("Scan_Analysis"));
}

// A scan owns the tables it was asked with: a filter preview that clears the
// interface's tables while the scan's handler runs does not reach it.
void TestFinalScan::scanKeepsTheTablesItWasAskedWith()
{
    link(82);
    ProcessingSteps* steps = manager::instance()->processing();
    const ScanProfile profile = profileFor(4, 1, 0, 0);
    STImage preview = prescan(profile);
    QVERIFY(!preview.isNull());
    steps->runPrescan(preview, profileProcessingOptions(profile, 82));
    QVERIFY(steps->gammaTables().valid);
    steps->setProgress([this](const QString& step) { m_steps << step; });

    ScannerSDK* sdk = manager::instance()->scanner();
    // The handler is held at its first progress, on the worker thread, until the
    // tables are cleared.
    QSemaphore cleared;
    std::atomic<bool> held { false };
    const QMetaObject::Connection hold = connect(
        sdk, &ScannerSDK::scannerProgress_s, this,
        [&cleared, &held](int) {
            if (!held.exchange(true))
                cleared.acquire();
        },
        Qt::DirectConnection);
    QSignalSpy done(m_results.get(), &WorkerSignals::scanImage);
    sdk->settings = profile;
    sdk->setScanArea({ 0.2, 0.1, 0.2, 0.15 });
    QVERIFY(sdk->requestScan());
    steps->runFilmPreview(STImage::zeroed(200, 150, 8, 3).toQImage(), profileProcessingOptions(profile, 82));
    QVERIFY(!steps->gammaTables().valid);
    cleared.release();
    QVERIFY(done.wait(kWaitMs));
    disconnect(hold);
    QVERIFY(held.load());
    QVERIFY(!done.at(0).at(0).toString().isEmpty());
    QVERIFY2(!m_steps.isEmpty() && !m_steps.contains(QStringLiteral("Scan_Analysis")),
        qPrintable(m_steps.join(", ")));
}

// A negative scanned after a positive, without a prescan between, is exposed with the
// balance the negative's prescan measured, not with the positive's exposure.
void TestFinalScan::negativeKeepsTheMeasuredBalance()
{
    link(82);
    ServiceModes::instance().setRawMode(true);
    const ScanProfile negative = profileFor(4, 1, 0, 0);
    QVERIFY(!prescan(negative).isNull());
    const QList<int> measured = dumpedBalance(QStringLiteral("preScan_option.txt"));
    QVERIFY(!measured.contains(-1) && !measured.isEmpty());

    QVERIFY(!scan(negative, 0.1, 0.08).isEmpty());
    QCOMPARE(dumpedBalance(QStringLiteral("Scan_option.txt")), measured);
    QVERIFY(!scan(profileFor(3, 1, 0, 0), 0.1, 0.08).isEmpty());
    const QList<int> positive = dumpedBalance(QStringLiteral("Scan_option.txt"));
    // Otherwise the last scan could not tell the two apart.
    QVERIFY2(positive != measured, "the positive's exposure equals the measured balance");
    QVERIFY(!scan(negative, 0.1, 0.08).isEmpty());
    QCOMPARE(dumpedBalance(QStringLiteral("Scan_option.txt")), measured);
}

void TestFinalScan::cancelBeforeSavingSavesNothing_data()
{
    QTest::addColumn<int>("model");
    QTest::newRow("3600 dpi") << 82;
    QTest::newRow("10000 dpi") << 84;
}

// A cancel that arrives while the scan is processed saves nothing and leaves no
// temporary file.
void TestFinalScan::cancelBeforeSavingSavesNothing()
{
    QFETCH(int, model);
    link(model);
    ScannerSDK* sdk = manager::instance()->scanner();
    // The user cancels once the scan has arrived and its processing has begun.
    manager::instance()->processing()->setProgress([sdk](const QString&) { sdk->setScanRunning(false); });
    const QString path = scan(profileFor(4, 0, 0, 0), 0.1, 0.08);
    QCOMPARE(path, QString());
    QVERIFY(filesIn(m_output.path()).isEmpty());
    const QString work = UserFolders::userFolder(QStringLiteral("Korvane"));
    QVERIFY(!QFile::exists(work + QStringLiteral("/tmpImage.raw")));
    QVERIFY(!QFile::exists(work + QStringLiteral("/resizeImage.raw")));
}

// A folder that is gone: the empty path is reported and nothing is left anywhere.
void TestFinalScan::unwritableFolderReportsEmptyPath()
{
    link(82);
    ScanProfile profile = profileFor(3, 1, 0, 0);
    FilmSettings film = profile.filmSettings();
    film.directory = m_output.path() + QStringLiteral("/gone");
    profile.setFilmSettings(film);
    QFile existing(m_output.path() + QStringLiteral("/Film0001.tif"));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();

    QCOMPARE(scan(profile, 0.1, 0.08), QString());
    QCOMPARE(filesIn(m_output.path()), QStringList { QStringLiteral("Film0001.tif") });
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), QByteArray("keep me"));
}

// A prescan's progress: 0 first, never down, the end of the acquisition, and 100 once
// the image is handed over.
void TestFinalScan::prescanProgressEndsAtTheHandOver()
{
    link(82);
    ScannerSDK* sdk = manager::instance()->scanner();
    QSignalSpy progress(m_results.get(), &WorkerSignals::progress);
    QSignalSpy prescanned(m_results.get(), &WorkerSignals::preScan);
    sdk->settings = profileFor(4, 1, 0, 0); // a negative: the film-base scan counts for nothing
    QVERIFY(sdk->requestPrescan());
    QVERIFY(prescanned.wait(kWaitMs));
    QList<int> values;
    for (const QList<QVariant>& arguments : progress)
        values << arguments.at(0).toInt();
    QCOMPARE(values.value(0, -1), 0);
    QVERIFY(values.contains(80));
    QCOMPARE(values.last(), 100);
    QVERIFY(std::is_sorted(values.begin(), values.end()));
}

QTEST_GUILESS_MAIN(TestFinalScan)
#include "test_finalscan.moc"
