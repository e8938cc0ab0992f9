// korvane-process: its answers to bad input, and the same samples as the
// application's own final file when given the RAW-mode dump of that scan.

#include <manager.h>
#include <processingsteps.h>
#include <scannersdk.h>
#include <servicemodes.h>
#include <stimage.h>
#include <userfolders.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "exiftool.h"
#include "managerlink.h"

#include <tiffio.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace
{

constexpr int kWaitMs = 60000;

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run process(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral(KORVANE_PROCESS_PATH), arguments);
    Run run;
    if (!tool.waitForFinished(kWaitMs))
        return run;
    run.exitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    run.out = QString::fromUtf8(tool.readAllStandardOutput());
    run.err = QString::fromUtf8(tool.readAllStandardError());
    return run;
}

// Width, height, bits and every sample of a TIFF, read with libtiff.
struct Samples {
    int width = 0;
    int height = 0;
    int bits = 0;
    std::vector<unsigned char> bytes;
};

Samples readTiff(const QString& path)
{
    Samples samples;
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tiff)
        return samples;
    uint32_t width = 0, height = 0;
    uint16_t bits = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    const std::size_t row = std::size_t(TIFFScanlineSize(tiff));
    samples.bytes.resize(row * height);
    for (uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tiff, samples.bytes.data() + row * y, y) < 0) {
            TIFFClose(tiff);
            return Samples();
        }
    }
    TIFFClose(tiff);
    samples.width = int(width);
    samples.height = int(height);
    samples.bits = int(bits);
    return samples;
}

// A 16-bit RGB TIFF of mid-grey with the given resolution, written with libtiff.
bool writeRgb16Tiff(const QString& path, uint32_t width, uint32_t height, float resolution)
{
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tiff)
        return false;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, resolution);
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, resolution);
    std::vector<std::uint16_t> row(std::size_t(width) * 3, 20000);
    bool ok = true;
    for (uint32_t y = 0; y < height && ok; ++y)
        ok = TIFFWriteScanline(tiff, row.data(), y) >= 0;
    TIFFClose(tiff);
    return ok;
}

const QStringList kExif { QStringLiteral("EXIF") };

bool hasIccProfile(const QJsonObject& tags)
{
    const QStringList keys = tags.keys();
    return std::any_of(keys.begin(), keys.end(),
        [](const QString& key) { return key.startsWith(QLatin1String("ICC_Profile:")); });
}

void writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
}

} // namespace

class TestKorvaneProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void badInput_data();
    void badInput();
    void sameSamplesAsTheApplication_data();
    void sameSamplesAsTheApplication();
    void prescanDump();
    void resolutionNoScannerHasIsIgnored_data();
    void resolutionNoScannerHasIsIgnored();
    void rollWithADamagedScan();
    void progressLineOnATerminal();
    void rollUsage_data();
    void rollUsage();

private:
    QTemporaryDir m_folder;
    QTemporaryDir m_state;
    std::unique_ptr<WorkerSignals> m_results;
    QString m_goodTiff;
    QString m_goodProfile;
};

void TestKorvaneProcess::initTestCase()
{
    QVERIFY(m_folder.isValid());
    QVERIFY(m_state.isValid());
    QVERIFY(QFile::exists(QStringLiteral(KORVANE_PROCESS_PATH)));
    qputenv("KORVANE_SIM_STATE_DIR", m_state.path().toUtf8());
    qputenv("KORVANE_SIM_MODEL", "82");
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    m_results = linkManagerToSimulator(kWaitMs);
    QVERIFY(m_results);

    // A small 16-bit RGB TIFF and a profile for the bad-input cases.
    STImage image = STImage::zeroed(40, 30, 16, 3);
    m_goodTiff = m_folder.path() + QStringLiteral("/good.tif");
    QVERIFY(image.saveTiff(m_goodTiff));
    m_goodProfile = m_folder.path() + QStringLiteral("/good.kor");
    QVERIFY(manager::instance()->profile(3).save(m_goodProfile));
}

void TestKorvaneProcess::cleanupTestCase()
{
    m_results.reset();
    manager::release();
}

void TestKorvaneProcess::badInput_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("message");

    const QString folder = m_folder.path();
    writeText(folder + QStringLiteral("/text.tif"), "this is not a TIFF file\n");
    STImage eight = STImage::zeroed(10, 10, 8, 3);
    eight.saveTiff(folder + QStringLiteral("/eight.tif"));
    writeText(folder + QStringLiteral("/broken.kor"), "<KorObject><SlideMode");
    writeText(folder + QStringLiteral("/taken.tif"), "a user's file");
    const QString good = m_goodTiff;
    const QString profile = m_goodProfile;
    const QString out = folder + QStringLiteral("/out.tif");

    QTest::newRow("unreadable TIFF") << folder + "/text.tif" << profile << "82" << out
                                     << "not a readable TIFF";
    QTest::newRow("missing TIFF") << folder + "/none.tif" << profile << "82" << out << "not a readable TIFF";
    QTest::newRow("8-bit TIFF") << folder + "/eight.tif" << profile << "82" << out
                                << "not a 16-bit RGB image";
    QTest::newRow("damaged profile") << good << folder + "/broken.kor"
                                     << "82" << out << "not a Korvane profile";
    QTest::newRow("missing profile") << good << folder + "/none.kor"
                                     << "82" << out << "does not exist";
    // One pixel wider and one line taller than the whole window at 5000 dpi: no scan's dump.
    writeRgb16Tiff(folder + QStringLiteral("/wide.tif"), 7188, 1, 300.f);
    writeRgb16Tiff(folder + QStringLiteral("/tall.tif"), 1, 4788, 300.f);
    QTest::newRow("wider than any scan") << folder + "/wide.tif" << profile << "82" << out << "is too large";
    QTest::newRow("taller than any scan") << folder + "/tall.tif" << profile << "82" << out << "is too large";
    QTest::newRow("unknown model") << good << profile << "85" << out << "unsupported model code";
    QTest::newRow("output folder missing") << good << profile << "84" << folder + "/gone/out.tif"
                                           << "output folder";
    QTest::newRow("output exists") << good << profile << "83" << folder + "/taken.tif"
                                   << "not overwritten";
}

void TestKorvaneProcess::badInput()
{
    QFETCH(QString, input);
    QFETCH(QString, profile);
    QFETCH(QString, model);
    QFETCH(QString, output);
    QFETCH(QString, message);
    const QByteArray before = [&] {
        QFile file(output);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    const Run run
        = process({ QStringLiteral("--profile"), profile, QStringLiteral("--model"), model, input, output });
    QVERIFY(run.exitCode > 0);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QFile result(output);
    if (before.isEmpty()) {
        QVERIFY(!result.exists());
    } else {
        QVERIFY(result.open(QIODevice::ReadOnly));
        QCOMPARE(result.readAll(), before);
    }
}

void TestKorvaneProcess::sameSamplesAsTheApplication_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("depth");
    QTest::newRow("negative colour, 16 bits") << 4 << 0;
    QTest::newRow("aquatic organisms, 8 bits") << 2 << 1;
}

// The application's final scan in RAW mode leaves "Scan.tif" and "Scan.kor"; the tool
// given those must write the same samples as the application's own file.
void TestKorvaneProcess::sameSamplesAsTheApplication()
{
    QFETCH(int, slot);
    QFETCH(int, depth);
    manager* data = manager::instance();
    ScanProfile profile = data->profile(slot);
    if (profile.isSlideMode()) {
        SlideSettings slide = profile.slideSettings();
        slide.directory = m_folder.path();
        slide.colourDepth = depth;
        slide.resolution = 1;
        profile.setSlideSettings(slide);
    } else {
        FilmSettings film = profile.filmSettings();
        film.directory = m_folder.path();
        film.colourDepth = depth;
        film.resolution = 1;
        film.autoContrast.enable = true;
        film.noiseReduction.enable = true;
        film.brightness = { true, 12 };
        profile.setFilmSettings(film);
    }
    // As after a filter preview: the final scan analyses its own reduced copy, as the
    // tool does.
    data->processing()->clearTables();
    ServiceModes::instance().setRawMode(true);
    QSignalSpy done(m_results.get(), &WorkerSignals::scanImage);
    data->scanner()->settings = profile;
    data->scanner()->setScanArea({ 0.1, 0.1, 0.5, 0.4 });
    QVERIFY(data->scanner()->requestScan());
    QVERIFY(done.wait(kWaitMs));
    ServiceModes::instance().setRawMode(false);
    const QString appFile = done.at(0).at(0).toString();
    QVERIFY(!appFile.isEmpty());

    const QString raw = UserFolders::rawImageFolder();
    const QString output = m_folder.path() + QStringLiteral("/tool%1.tif").arg(slot);
    const QString stages = m_folder.path() + QStringLiteral("/stages%1").arg(slot);
    const Run run = process(
        { QStringLiteral("--stages"), stages, QStringLiteral("--profile"), raw + QStringLiteral("/Scan.kor"),
            QStringLiteral("--model"), QStringLiteral("82"), raw + QStringLiteral("/Scan.tif"), output });
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY(run.out.contains(QStringLiteral("Scan_Analysis")));

    const Samples expected = readTiff(appFile);
    const Samples actual = readTiff(output);
    QVERIFY(expected.width > 0);
    QCOMPARE(actual.width, expected.width);
    QCOMPARE(actual.height, expected.height);
    QCOMPARE(actual.bits, depth == 1 ? 8 : 16);
    QCOMPARE(actual.bits, expected.bits);
    QVERIFY(actual.bytes == expected.bytes);
    // Every stage the application would dump, and the final one.
    QVERIFY(QFile::exists(stages + QStringLiteral("/Scan_Final.jpg")));
    QVERIFY(!QDir(stages).entryList({ QStringLiteral("Scan_*.tif") }, QDir::Files).isEmpty());

    // The scanner's identity from its device record, the scan's time and the colour
    // space in the application's file; the tool passes the same on from the dump,
    // which itself claims no colour space.
    const QJsonObject app = ExifTool::tags(appFile);
    QCOMPARE(ExifTool::value(app, "Make", kExif), QStringLiteral("Korvane"));
    QCOMPARE(ExifTool::value(app, "Model", kExif), QStringLiteral("TQ4100 Film Scanner (simulated)"));
    QVERIFY(ExifTool::value(app, "Software", kExif).startsWith(QLatin1String("Korvane ")));
    const QDateTime scanned = QDateTime::fromString(
        ExifTool::value(app, "ModifyDate", kExif), QStringLiteral("yyyy:MM:dd HH:mm:ss"));
    QVERIFY(scanned.isValid());
    QVERIFY(qAbs(scanned.secsTo(QDateTime::currentDateTime())) < 600);
    QCOMPARE(ExifTool::value(app, "XResolution", kExif), QStringLiteral("1800"));
    QVERIFY(ExifTool::value(app, "ProfileDescription", { QStringLiteral("ICC_Profile") }).contains("sRGB"));
    const QJsonObject dump = ExifTool::tags(raw + QStringLiteral("/Scan.tif"));
    QVERIFY(!dump.isEmpty());
    QVERIFY(!hasIccProfile(dump));
    const QJsonObject tool = ExifTool::tags(output);
    for (const char* tag : { "Make", "Model", "ModifyDate", "XResolution" })
        QCOMPARE(ExifTool::value(tool, tag, kExif), ExifTool::value(app, tag, kExif));
    QVERIFY(hasIccProfile(tool));
}

// The prescan pipeline on the RAW-mode dump of a prescan.
void TestKorvaneProcess::prescanDump()
{
    manager* data = manager::instance();
    ServiceModes::instance().setRawMode(true);
    QSignalSpy arrived(m_results.get(), &WorkerSignals::preScan);
    data->scanner()->settings = data->profile(4);
    QVERIFY(data->scanner()->requestPrescan());
    QVERIFY(arrived.wait(kWaitMs));
    ServiceModes::instance().setRawMode(false);
    const QString dump = UserFolders::rawImageFolder() + QStringLiteral("/preScan_432_287.tif");
    const QString output = m_folder.path() + QStringLiteral("/preview.jpg");
    const Run run = process({ QStringLiteral("--prescan"), QStringLiteral("--profile"), m_goodProfile,
        QStringLiteral("--model"), QStringLiteral("83"), dump, output });
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY(run.out.contains(QStringLiteral("preScan_GammaCurve")));
    QImage written(output);
    const Samples source = readTiff(dump);
    QCOMPARE(written.width(), source.width);
    QCOMPARE(written.height(), source.height);
}

void TestKorvaneProcess::resolutionNoScannerHasIsIgnored_data()
{
    QTest::addColumn<float>("resolution");
    QTest::addColumn<float>("written");
    // Beyond int the conversion to whole dots used to overflow; the image keeps 300 dpi.
    QTest::newRow("beyond int") << 1e30f << 300.f;
    QTest::newRow("just beyond int") << 3e9f << 300.f;
    QTest::newRow("infinite") << std::numeric_limits<float>::infinity() << 300.f;
    QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << 300.f;
    QTest::newRow("below one") << 0.5f << 300.f;
    QTest::newRow("a scanner's") << 2400.f << 2400.f;
}

void TestKorvaneProcess::resolutionNoScannerHasIsIgnored()
{
    QFETCH(float, resolution);
    QFETCH(float, written);
    const QString input = m_folder.path() + QStringLiteral("/resolution.tif");
    QFile::remove(input);
    QVERIFY(writeRgb16Tiff(input, 20, 10, resolution));
    const QString output = m_folder.path() + QStringLiteral("/resolution-out.tif");
    QFile::remove(output);
    const Run run = process({ QStringLiteral("--prescan"), QStringLiteral("--profile"), m_goodProfile,
        QStringLiteral("--model"), QStringLiteral("83"), input, output });
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    TIFF* tiff = TIFFOpen(QFile::encodeName(output).constData(), "r");
    QVERIFY(tiff);
    float x = 0;
    const bool has = TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x);
    TIFFClose(tiff);
    QVERIFY(has);
    QCOMPARE(x, written);
}

// A roll: RAW-mode dumps each in a folder of its own with the profile the worker saved
// beside it, one of them damaged. One command, no profile or model given.
void TestKorvaneProcess::rollWithADamagedScan()
{
    const QString raw = UserFolders::rawImageFolder();
    QVERIFY(QFile::exists(raw + QStringLiteral("/Scan.tif"))); // left by the test above
    QTemporaryDir roll;
    QVERIFY(roll.isValid());
    QDir folder(roll.path());
    for (const char* frame : { "01", "02", "03" }) {
        QVERIFY(folder.mkdir(frame));
        QVERIFY(QFile::copy(
            raw + QStringLiteral("/Scan.kor"), folder.filePath(frame + QStringLiteral("/Scan.kor"))));
    }
    QVERIFY(QFile::copy(raw + QStringLiteral("/Scan.tif"), folder.filePath(QStringLiteral("01/Scan.tif"))));
    QVERIFY(QFile::copy(raw + QStringLiteral("/Scan.tif"), folder.filePath(QStringLiteral("02/Scan.tif"))));
    // Cut off in its pixel data, as by a full disk.
    QFile whole(raw + QStringLiteral("/Scan.tif"));
    QVERIFY(whole.open(QIODevice::ReadOnly));
    const QByteArray damaged = whole.read(whole.size() / 2);
    writeText(folder.filePath(QStringLiteral("03/Scan.tif")), damaged);
    QVERIFY(folder.mkdir(QStringLiteral("out")));
    const QString out = folder.filePath(QStringLiteral("out"));

    const Run run = process(
        { folder.filePath(QStringLiteral("01/Scan.tif")), folder.filePath(QStringLiteral("02/Scan.tif")),
            folder.filePath(QStringLiteral("03/Scan.tif")), out });
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(folder.filePath(QStringLiteral("03/Scan.tif"))), qPrintable(run.err));
    QVERIFY2(
        !run.err.contains(QStringLiteral("01/Scan.tif")) && !run.err.contains(QStringLiteral("02/Scan.tif")),
        qPrintable(run.err));
    // Same names from different folders: the folder's name in front; nothing else left.
    QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
        (QStringList { QStringLiteral("01_Scan.tif"), QStringLiteral("02_Scan.tif") }));
    const Samples first = readTiff(out + QStringLiteral("/01_Scan.tif"));
    QVERIFY(first.width > 0);
    QVERIFY(first.bytes == readTiff(out + QStringLiteral("/02_Scan.tif")).bytes);
    QCOMPARE(ExifTool::value(ExifTool::tags(out + QStringLiteral("/02_Scan.tif")), "Model", kExif),
        QStringLiteral("TQ4100 Film Scanner (simulated)"));
    // Not a terminal: one line per file written, no progress line.
    QCOMPARE(run.out.count(QStringLiteral("wrote ")), 2);
    QVERIFY(!run.out.contains(QLatin1Char('\r')));

    // Run again: the files there are not overwritten, each named as it fails.
    const QByteArray before = [&] {
        QFile file(out + QStringLiteral("/01_Scan.tif"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    const Run again
        = process({ QStringLiteral("--output-dir"), out, QStringLiteral("--jobs"), QStringLiteral("1"),
            folder.filePath(QStringLiteral("01/Scan.tif")), folder.filePath(QStringLiteral("02/Scan.tif")) });
    QCOMPARE(again.exitCode, 1);
    QCOMPARE(again.err.count(QStringLiteral("is not overwritten")), 2);
    QFile kept(out + QStringLiteral("/01_Scan.tif"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QVERIFY(kept.readAll() == before);
}

// On a terminal the roll shows one line rewritten in place instead of a line per file.
void TestKorvaneProcess::progressLineOnATerminal()
{
    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    QVERIFY2(!script.isEmpty(), "script (util-linux) gives the tool a terminal");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QStringList inputs;
    for (const char* name : { "a.tif", "b.tif" }) {
        inputs << dir.filePath(QLatin1String(name));
        QVERIFY(STImage::zeroed(30, 20, 16, 3).saveTiff(inputs.last()));
    }
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("out")));
    const QString command = QStringList { QStringLiteral(KORVANE_PROCESS_PATH), QStringLiteral("--profile"),
        m_goodProfile, inputs.at(0), inputs.at(1), dir.filePath(QStringLiteral("out")) }
                                .join(QLatin1Char(' '));
    QProcess terminal;
    terminal.start(script, { QStringLiteral("-qec"), command, QStringLiteral("/dev/null") });
    QVERIFY(terminal.waitForFinished(kWaitMs));
    const QString out = QString::fromUtf8(terminal.readAllStandardOutput());
    QVERIFY2(terminal.exitCode() == 0, qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("\r\033[K2 of 2 done, 0 failed")), qPrintable(out));
    QVERIFY(!out.contains(QStringLiteral("wrote ")));
    QCOMPARE(QDir(dir.filePath(QStringLiteral("out"))).entryList(QDir::Files),
        (QStringList { QStringLiteral("a.tif"), QStringLiteral("b.tif") }));
}

void TestKorvaneProcess::rollUsage_data()
{
    QTest::addColumn<QStringList>("arguments"); // "@" stands for the test's folder
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    STImage::zeroed(4, 4, 16, 3).saveTiff(m_folder.path() + QStringLiteral("/lonely.tif"));
    QTest::newRow("no profile beside the input")
        << QStringList { "@/lonely.tif", "@/nothing.tif" } << 1 << "no RAW-mode profile";
    QTest::newRow("jobs not a number") << QStringList { "--jobs", "x", "@/good.tif", "@" } << 2 << "--jobs";
    QTest::newRow("jobs zero") << QStringList { "-j", "0", "@/good.tif", "@" } << 2 << "--jobs";
    QTest::newRow("folder without inputs") << QStringList { "--output-dir", "@" } << 2 << "no input";
    QTest::newRow("three arguments, no folder")
        << QStringList { "@/good.tif", "@/good.tif", "@/x.tif" } << 2 << "output folder";
    QTest::newRow("output folder missing")
        << QStringList { "-o", "@/gone", "@/good.tif" } << 1 << "does not exist";
}

void TestKorvaneProcess::rollUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    for (QString& argument : arguments)
        argument.replace(QLatin1Char('@'), m_folder.path());
    const QStringList before = QDir(m_folder.path()).entryList(QDir::Files | QDir::Hidden);
    const Run run = process(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(QDir(m_folder.path()).entryList(QDir::Files | QDir::Hidden), before);
}

QTEST_GUILESS_MAIN(TestKorvaneProcess)
#include "test_korvaneprocess.moc"
