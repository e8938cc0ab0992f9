#include "scanprofile.h"
#include "servicemodes.h"
#include "userfolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <pugixml.hpp>

namespace
{

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A profile whose every field differs from the defaults and from each other.
ScanProfile distinctProfile()
{
    SlideSettings slide;
    slide.description = QStringLiteral("Tom & \"Jerry\" <x> 'q' \u00e9\u4e2d");
    slide.scanningTarget = 2;
    slide.resolution = 1;
    slide.colourDepth = 1;
    slide.directory = QStringLiteral("/tmp/a & b/Pictures");
    slide.prefix = QStringLiteral("Slide");
    slide.fileFormat = 1;
    slide.multipass = { true, 4 };
    slide.autoContrast = { false, 5 };
    slide.saturation = { true, -38 };
    slide.brightness = { false, 17 };
    slide.suggestedText = QStringLiteral("Two\nlines\tand a tab");

    FilmSettings film;
    film.description = QStringLiteral("Film & co");
    film.scanningTarget = 3;
    film.resolution = 0;
    film.colourDepth = 0;
    film.directory = QStringLiteral("/tmp/films");
    film.prefix = QStringLiteral("Neg");
    film.fileFormat = 0;
    film.multipass = { true, 1 };
    film.noiseReduction = { true, 2 };
    film.scratchRemoval = { false, 3 };
    film.autoContrast = { true, 6 };
    film.autoColour = { false, 7 };
    film.autoBalance = { true, 8 };
    film.brightness = { true, -9 };
    film.suggestedText = QStringLiteral("135mm Film + Multipass\nXposure");

    ScanProfile profile;
    profile.setVersion(QStringLiteral("2.5"));
    profile.setMode(1);
    profile.setSlideSettings(slide);
    profile.setFilmSettings(film);
    return profile;
}

} // namespace

class TestScanProfile : public QObject
{
    Q_OBJECT

private slots:
    void init() { ServiceModes::instance().setEngineerMode(false); }

    void newProfileDefaults()
    {
        const ScanProfile profile;
        QCOMPARE(profile.version(), QStringLiteral("1.0"));
        QVERIFY(profile.isSlideMode());
        QVERIFY(profile.path().isEmpty());
        const SlideSettings slide = profile.slideSettings();
        QVERIFY(!slide.multipass.enable);
        QCOMPARE(slide.autoContrast, (EnableValue { true, 0 }));
        QCOMPARE(slide.saturation, (EnableValue { true, 0 }));
        QCOMPARE(slide.brightness, (EnableValue { true, 0 }));
        const FilmSettings film = profile.filmSettings();
        QVERIFY(!film.autoContrast.enable && !film.autoColour.enable && !film.brightness.enable);
    }

    void filmTypeCode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("filmType");
        QTest::addColumn<int>("code");
        QTest::newRow("slide, target 3") << 0 << 3 << 0 << 16;
        QTest::newRow("film positive") << 1 << 0 << 0 << 16;
        QTest::newRow("film negative") << 1 << 1 << 1 << 32;
        QTest::newRow("film positive bw") << 1 << 2 << 2 << 16;
        QTest::newRow("film negative bw") << 1 << 3 << 3 << 48;
        QTest::newRow("film target -3") << 1 << -3 << 0 << 16;
        QTest::newRow("film target 7") << 1 << 7 << 0 << 16;
        QTest::newRow("mode 5 is film") << 5 << 1 << 1 << 32;
    }
    void filmTypeCode()
    {
        QFETCH(int, mode);
        QFETCH(int, target);
        ScanProfile profile;
        profile.setMode(mode);
        SlideSettings slide;
        slide.scanningTarget = target;
        profile.setSlideSettings(slide);
        FilmSettings film;
        film.scanningTarget = target;
        profile.setFilmSettings(film);
        QTEST(FilmTypes::target(profile.filmType()), "filmType");
        QTEST(profile.filmTypeCode(), "code");
    }

    void currentModeAccessors()
    {
        ScanProfile profile = distinctProfile();
        profile.setMode(0);
        QCOMPARE(profile.description(), profile.slideSettings().description);
        QCOMPARE(profile.prefix(), QStringLiteral("Slide"));
        QCOMPARE(profile.extension(), QStringLiteral(".jpg"));
        QCOMPARE(profile.resolution(), 1);
        QCOMPARE(profile.colourDepth(), 1);
        QCOMPARE(profile.multipass(), (EnableValue { true, 4 }));
        QCOMPARE(profile.autoContrast(), (EnableValue { false, 5 }));
        QCOMPARE(profile.saturation(), -38);
        QCOMPARE(profile.brightness(), 17);
        QVERIFY(!profile.autoColour());
        QVERIFY(!profile.noiseReduction());
        QVERIFY(!profile.autoColourOrBalance());

        profile.setMode(1);
        QCOMPARE(profile.directory(), QStringLiteral("/tmp/films"));
        QCOMPARE(profile.extension(), QStringLiteral(".tif"));
        QCOMPARE(profile.resolution(), 0);
        QCOMPARE(profile.multipass(), (EnableValue { true, 1 }));
        QCOMPARE(profile.autoContrast(), (EnableValue { true, 6 }));
        QCOMPARE(profile.saturation(), 0);
        QCOMPARE(profile.brightness(), -9);
        QVERIFY(!profile.autoColour());
        QVERIFY(profile.noiseReduction());
        QVERIFY(profile.autoColourOrBalance()); // auto balance alone
    }

    void saturationNeedsItsSwitch()
    {
        ScanProfile profile;
        SlideSettings slide;
        slide.saturation = { false, 49 };
        profile.setSlideSettings(slide);
        QCOMPARE(profile.saturation(), 0);
        slide.saturation.enable = true;
        profile.setSlideSettings(slide);
        QCOMPARE(profile.saturation(), 49);
    }

    void setBrightnessChangesBothAndSwitchesOff()
    {
        ScanProfile profile = distinctProfile();
        profile.setBrightness(42);
        QCOMPARE(profile.slideSettings().brightness, (EnableValue { false, 42 }));
        QCOMPARE(profile.filmSettings().brightness, (EnableValue { false, 42 }));
        QCOMPARE(profile.brightness(), 42);
    }

    void absurdOffsetsAreLimited()
    {
        ScanProfile profile;
        SlideSettings slide;
        slide.saturation = { true, 2147483647 };
        slide.brightness = { true, -2147483647 - 1 };
        profile.setSlideSettings(slide);
        QCOMPARE(profile.saturation(), 255);
        QCOMPARE(profile.brightness(), -255);
    }

    void exposureTriple_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("red");
        QTest::addColumn<int>("green");
        QTest::addColumn<int>("blue");
        QTest::newRow("82 common things") << 0 << 1 << 82 << 137 << 139 << 133;
        QTest::newRow("83 film") << 1 << 0 << 83 << 137 << 139 << 133;
        QTest::newRow("84 film negative") << 1 << 1 << 84 << 136 << 143 << 135;
        QTest::newRow("84 tissue") << 0 << 0 << 84 << 100 << 100 << 100;
        QTest::newRow("82 tissue") << 0 << 0 << 82 << 100 << 100 << 100;
        QTest::newRow("film target 0 is not tissue") << 1 << 0 << 84 << 136 << 143 << 135;
        QTest::newRow("unknown model") << 0 << 2 << 99 << 137 << 139 << 133;
    }
    void exposureTriple()
    {
        QFETCH(int, mode);
        QFETCH(int, target);
        QFETCH(int, model);
        ScanProfile profile;
        profile.setMode(mode);
        SlideSettings slide;
        slide.scanningTarget = target;
        profile.setSlideSettings(slide);
        FilmSettings film;
        film.scanningTarget = target;
        profile.setFilmSettings(film);
        const ExposureTriple triple = profile.exposureTriple(model);
        QTEST(int(triple.red), "red");
        QTEST(int(triple.green), "green");
        QTEST(int(triple.blue), "blue");
    }

    void exposureTripleInEngineerMode()
    {
        ServiceModes& modes = ServiceModes::instance();
        modes.setExposureFactor(ServiceModes::Red, 90);
        modes.setExposureFactor(ServiceModes::Green, 110);
        modes.setExposureFactor(ServiceModes::Blue, 120);
        modes.setEngineerMode(true);
        const ScanProfile tissue; // slide mode, target 0
        QCOMPARE(tissue.exposureTriple(84), (ExposureTriple { 90, 110, 120 }));
        modes.setEngineerMode(false);
        QCOMPARE(tissue.exposureTriple(84), (ExposureTriple { 100, 100, 100 }));
        for (ServiceModes::Channel channel : { ServiceModes::Red, ServiceModes::Green, ServiceModes::Blue })
            modes.setExposureFactor(channel, 100);
    }

    void exposureTripleFromARequestsModes()
    {
        // The modes a scan took when it was requested count, not those of now.
        ServiceModes& modes = ServiceModes::instance();
        modes.setEngineerMode(true);
        modes.setExposureFactor(ServiceModes::Red, 90);
        const ServiceModeState requested = modes.state();
        modes.setExposureFactor(ServiceModes::Red, 150);
        modes.setEngineerMode(false);
        const ScanProfile tissue;
        QCOMPARE(tissue.exposureTriple(84, requested), (ExposureTriple { 90, 100, 100 }));
        ServiceModeState plain;
        plain.exposureFactor = { { 70, 70, 70 } };
        QCOMPARE(tissue.exposureTriple(84, plain), (ExposureTriple { 100, 100, 100 }));
        modes.setExposureFactor(ServiceModes::Red, 100);
    }

    void nextOutputPath()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        ScanProfile profile;
        SlideSettings slide;
        slide.directory = dir.path();
        slide.prefix = QStringLiteral("Image");
        profile.setSlideSettings(slide);
        QCOMPARE(profile.nextOutputPath(), dir.filePath(QStringLiteral("Image0001.tif")));
        QVERIFY(writeAll(dir.filePath(QStringLiteral("Image0002.tif")), "x"));
        QCOMPARE(profile.nextOutputPath(), dir.filePath(QStringLiteral("Image0001.tif")));
        QVERIFY(writeAll(dir.filePath(QStringLiteral("Image0001.tif")), "x"));
        QCOMPARE(profile.nextOutputPath(), dir.filePath(QStringLiteral("Image0003.tif")));
    }

    // An empty folder is the user's Pictures folder, never the root of the file system.
    void emptyDirectoryGoesToPictures_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("name");
        QTest::newRow("slides") << int(ScanProfile::SlideMode) << QStringLiteral("Slide0001.tif");
        QTest::newRow("film") << int(ScanProfile::FilmMode) << QStringLiteral("Slide0001.tif");
    }

    void emptyDirectoryGoesToPictures()
    {
        QFETCH(int, mode);
        QFETCH(QString, name);
        ScanProfile profile;
        profile.setMode(mode);
        SlideSettings slide;
        slide.prefix = QStringLiteral("Slide");
        FilmSettings film;
        film.prefix = QStringLiteral("Slide");
        profile.setSlideSettings(slide);
        profile.setFilmSettings(film);
        const QString path = profile.nextOutputPath();
        QCOMPARE(QFileInfo(path).absolutePath(), UserFolders::picturesFolder());
        QCOMPARE(QFileInfo(path).fileName(), name);
        QVERIFY(UserFolders::picturesFolder() != QDir::rootPath());
    }

    void prefixRule_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << QStringLiteral("Image") << true;
        QTest::newRow("spaces and dots") << QStringLiteral("my scan..v2") << true;
        QTest::newRow("umlaut") << QStringLiteral("Gew\u00e4be") << true;
        QTest::newRow("empty") << QString() << false;
        const QString refused = QStringLiteral("*?/\\:><|\"");
        for (const QChar c : refused)
            QTest::newRow(qPrintable(QStringLiteral("refuses %1").arg(c)))
                << QStringLiteral("a%1b").arg(c) << false;
    }

    void prefixRule()
    {
        QFETCH(QString, prefix);
        QFETCH(bool, valid);
        QCOMPARE(ScanProfile::prefixPattern().size(), 14);
        QCOMPARE(ScanProfile::isValidPrefix(prefix), valid);
    }

    // A prefix from a damaged file must not carry the file name out of its folder.
    void badPrefixFallsBackToDefault_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("name");
        QTest::newRow("slide parent")
            << int(ScanProfile::SlideMode) << QStringLiteral("../escape") << QStringLiteral("Image0001.tif");
        QTest::newRow("film absolute")
            << int(ScanProfile::FilmMode) << QStringLiteral("/tmp/x") << QStringLiteral("Film0001.tif");
        QTest::newRow("backslash") << int(ScanProfile::SlideMode) << QStringLiteral("..\\x")
                                   << QStringLiteral("Image0001.tif");
    }

    void badPrefixFallsBackToDefault()
    {
        QFETCH(int, mode);
        QFETCH(QString, prefix);
        QFETCH(QString, name);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        ScanProfile profile;
        profile.setMode(mode);
        SlideSettings slide;
        slide.directory = dir.path();
        slide.prefix = prefix;
        FilmSettings film;
        film.directory = dir.path();
        film.prefix = prefix;
        profile.setSlideSettings(slide);
        profile.setFilmSettings(film);
        QCOMPARE(profile.nextOutputPath(), dir.filePath(name));
    }

    void roundTripsEveryField()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("round.kor"));
        ScanProfile written = distinctProfile();
        QVERIFY(written.save(path));
        QCOMPARE(written.path(), path);

        // The file is what pugixml itself reads: the three-n element and both sections.
        pugi::xml_document document;
        QVERIFY(document.load_file(QFile::encodeName(path).constData()));
        const pugi::xml_node root = document.child("KorObject");
        QCOMPARE(QString::fromUtf8(root.attribute("version").value()), QStringLiteral("2.5"));
        QCOMPARE(root.child("SlideMode").child("Scannner").attribute("resolution").as_int(), 1);
        QCOMPARE(root.child("FilmMode").child("ScanningNumber").attribute("value").as_int(), 3);

        ScanProfile read;
        QVERIFY(read.load(path));
        QCOMPARE(read.path(), path);
        QCOMPARE(read.version(), QStringLiteral("2.5"));
        QCOMPARE(read.mode(), 1);
        QCOMPARE(read.slideSettings(), written.slideSettings());
        QCOMPARE(read.filmSettings(), written.filmSettings());
        QCOMPARE(read.slideSettings().description, QStringLiteral("Tom & \"Jerry\" <x> 'q' \u00e9\u4e2d"));
    }

    void writesTheHandWrittenLayout()
    {
        const QString fixture = QStringLiteral(KORVANE_TEST_DATA_DIR "/profiles/handwritten.kor");
        QVERIFY(!fixture.isEmpty());
        ScanProfile profile;
        profile.setMode(1);
        SlideSettings slide;
        slide.description = QStringLiteral("Tom & \"Jerry\"");
        slide.scanningTarget = 2;
        slide.resolution = 1;
        slide.colourDepth = 1;
        slide.directory = QStringLiteral("/home/user/Korvane/Pictures");
        slide.prefix = QStringLiteral("Image");
        slide.fileFormat = 1;
        slide.saturation = { true, -38 };
        slide.brightness = { true, 10 };
        slide.suggestedText = QStringLiteral("Common Things");
        profile.setSlideSettings(slide);
        FilmSettings film;
        film.description = QStringLiteral("Default 5");
        film.scanningTarget = 1;
        film.directory = QStringLiteral("/home/user/Korvane/Pictures");
        film.prefix = QStringLiteral("Film");
        film.multipass = { true, 3 };
        film.noiseReduction = { true, 0 };
        film.autoColour = { true, 0 };
        film.autoBalance = { true, 0 };
        film.brightness = { false, -7 };
        film.suggestedText = QStringLiteral("Negative Color");
        profile.setFilmSettings(film);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("layout.kor"));
        QVERIFY(profile.save(path));
        QCOMPARE(readAll(path), readAll(fixture));

        ScanProfile read;
        QVERIFY(read.load(fixture));
        QCOMPARE(read.slideSettings(), slide);
        QCOMPARE(read.filmSettings(), film);
        QCOMPARE(read.mode(), 1);
    }

    void saveOverExistingReplacesIt()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("over.kor"));
        QVERIFY(writeAll(path, QByteArray(20000, 'x')));
        const QFile::Permissions kept
            = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(path, kept));
        ScanProfile profile;
        QVERIFY(profile.save(path));
        QCOMPARE(readAll(path), profile.toXml());
        // The file keeps its permissions, a new one is readable by all, and the
        // temporary files are gone.
        QCOMPARE(QFile::permissions(path), kept);
        const QString fresh = dir.filePath(QStringLiteral("new.kor"));
        QVERIFY(profile.save(fresh));
        QCOMPARE(QFile::permissions(fresh) & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther),
            QFile::ReadGroup | QFile::ReadOther);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList({ QStringLiteral("new.kor"), QStringLiteral("over.kor") }));
    }

    void failedSaveReportsAndKeepsOldFile()
    {
        ScanProfile profile;
        QVERIFY(!profile.save(QString()));

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(!profile.save(dir.filePath(QStringLiteral("missing/folder/p.kor"))));

        // A name taken by a folder: the rename fails, and the folder is left alone.
        const QString taken = dir.filePath(QStringLiteral("taken.kor"));
        QVERIFY(QDir().mkpath(taken + QStringLiteral("/inside")));
        QVERIFY(!profile.save(taken));
        QVERIFY(QFileInfo(taken + QStringLiteral("/inside")).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList { QStringLiteral("taken.kor") });

        // A folder that cannot take the temporary file: the old profile stays whole.
        const QString folder = dir.filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/p.kor");
        QVERIFY(distinctProfile().save(path));
        const QByteArray before = readAll(path);
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        if (QFileInfo(folder).isWritable()) // running as root: permissions are not enforced
            QSKIP("folder permissions are not enforced for this user");
        const bool saved = profile.save(path);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!saved);
        QCOMPARE(readAll(path), before);
    }

    void loadsDamagedFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<bool>("pathSet");
        QTest::newRow("empty") << QByteArray() << false << false;
        QTest::newRow("not xml") << QByteArray("hello, world\n") << false << false;
        QTest::newRow("truncated") << QByteArray(
            "<?xml version=\"1.0\"?>\n<KorObject version=\"1.0\" mode=\"1\">\n\t<SlideMode>\n\t\t<Desc")
                                   << false << false;
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe\x01<", 5) << false << false;
        QTest::newRow("other root") << QByteArray("<Other mode=\"1\"><SlideMode/></Other>") << false << true;
        QTest::newRow("no sections") << QByteArray("<KorObject version=\"1.0\" mode=\"0\"/>") << true << true;
    }
    void loadsDamagedFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, loaded);
        QFETCH(bool, pathSet);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("damaged.kor"));
        QVERIFY(writeAll(path, content));
        ScanProfile profile = distinctProfile();
        profile.setPath(QStringLiteral("before"));
        QCOMPARE(profile.load(path), loaded);
        QCOMPARE(profile.path(), pathSet ? path : QStringLiteral("before"));
        QCOMPARE(profile.slideSettings(), distinctProfile().slideSettings());
        QCOMPARE(profile.filmSettings(), distinctProfile().filmSettings());
        QCOMPARE(profile.mode(), loaded ? 0 : 1);
    }

    void missingFileDoesNotLoad()
    {
        ScanProfile profile;
        QVERIFY(!profile.load(QStringLiteral("/nonexistent/folder/Custom1.kor")));
        QVERIFY(profile.path().isEmpty());
    }

    void readsSwitchesAndMissingAttributes()
    {
        const QByteArray xml = "<KorObject version=\"1.0\" mode=\"1\">"
                               "<SlideMode><Saturation enable=\"yes\" value=\"3\"/>"
                               "<Brightness enable=\"no\" value=\"4\"/>"
                               "<MultipassXposure enable=\"Y\"/><AutoContrast enable=\"1\"/></SlideMode>"
                               "<FilmMode><AutoColor value=\"5\"/><AutoBalance enable=\"T\"/>"
                               "<Brightness enable=\"false\"/><Extra text=\"x\"/></FilmMode></KorObject>";
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("switches.kor"));
        QVERIFY(writeAll(path, xml));
        ScanProfile profile = distinctProfile();
        QVERIFY(profile.load(path));
        const SlideSettings slide = profile.slideSettings();
        QCOMPARE(slide.saturation, (EnableValue { true, 3 }));
        QCOMPARE(slide.brightness, (EnableValue { false, 4 }));
        QCOMPARE(slide.multipass, (EnableValue { true, 0 }));
        QCOMPARE(slide.autoContrast, (EnableValue { true, 0 }));
        QVERIFY(slide.description.isEmpty()); // a missing element reads as empty
        QCOMPARE(slide.scanningTarget, 0);
        const FilmSettings film = profile.filmSettings();
        QCOMPARE(film.autoColour, (EnableValue { false, 5 }));
        QCOMPARE(film.autoBalance, (EnableValue { true, 0 }));
        QVERIFY(film.suggestedText.isEmpty());
        QCOMPARE(profile.version(), QStringLiteral("1.0"));
    }

    // A code no form writes is shown as the second choice and scanned as the first, as
    // the forms and the scan have always read it; the codes the forms write agree.
    void readingsOfStoredCodes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("shownSecond"); // Quality, 8 bits, JPEG
        QTest::addColumn<bool>("savedSecond"); // 8 bits, JPEG
        QTest::newRow("0") << 0 << false << false;
        QTest::newRow("1") << 1 << true << true;
        QTest::newRow("2, from a damaged file") << 2 << true << false;
        QTest::newRow("-1, from a damaged file") << -1 << true << false;
    }

    void readingsOfStoredCodes()
    {
        QFETCH(int, code);
        QFETCH(bool, shownSecond);
        QFETCH(bool, savedSecond);
        FilmSettings film;
        film.resolution = code;
        film.colourDepth = code;
        film.fileFormat = code;
        ScanProfile profile;
        profile.setMode(ScanProfile::FilmMode);
        profile.setFilmSettings(film);
        // Resolution: the forms show Normal only for 1, the scan takes Quality only for 0.
        QCOMPARE(profile.showsNormal(), code == 1);
        QCOMPARE(profile.scansAtQuality(), code == 0);
        QCOMPARE(profile.showsEightBit(), shownSecond);
        QCOMPARE(profile.savesEightBit(), savedSecond);
        QCOMPARE(profile.showsJpeg(), shownSecond);
        QCOMPARE(profile.savesJpeg(), savedSecond);
        QCOMPARE(profile.extension(), savedSecond ? QStringLiteral(".jpg") : QStringLiteral(".tif"));
    }

    void absurdValuesLoadAndStaySafe()
    {
        const QString longText(10000, QLatin1Char('w'));
        const QByteArray xml = "<KorObject version=\"x\" mode=\"abc\"><FilmMode>"
                               "<Description text=\""
            + longText.toUtf8()
            + "\"/><ScanningNumber value=\"-3\"/><Scannner resolution=\"7\"/>"
              "<ColorDepth value=\"99999999999\"/><FileFormat value=\"12\"/></FilmMode></KorObject>";
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("absurd.kor"));
        QVERIFY(writeAll(path, xml));
        ScanProfile profile;
        QVERIFY(profile.load(path));
        QCOMPARE(profile.mode(), 0); // not a number
        profile.setMode(1);
        QCOMPARE(profile.description(), longText);
        QCOMPARE(profile.resolution(), 7);
        QCOMPARE(profile.filmSettings().scanningTarget, -3);
        QCOMPARE(profile.filmType(), FilmType::PositiveColour);
        QCOMPARE(profile.filmTypeCode(), 16);
        QCOMPARE(profile.extension(), QStringLiteral(".tif"));
        QVERIFY(profile.showsEightBit());
        QVERIFY(!profile.savesEightBit());
        QVERIFY(!profile.scansAtQuality());
    }
};

QTEST_GUILESS_MAIN(TestScanProfile)
#include "test_scanprofile.moc"
