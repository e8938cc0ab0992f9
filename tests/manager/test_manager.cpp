#include "cip_filmterms.h"
#include "installcheck.h"
#include "manager.h"
#include "scannersdk.h"
#include "servicemodes.h"
#include "stagedump.h"
#include "stimage.h"
#include "userfolders.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <pugixml.hpp>
#include <tiffio.h>

#include <cstdio>

namespace
{

QString korvaneFolder()
{
    return manager::userFolder(QStringLiteral("Korvane"));
}

void clearDataFolder()
{
    QDir data(manager::dataFolder());
    const QStringList files = data.entryList(QDir::Files);
    for (const QString& file : files)
        data.remove(file);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Prints the start-up problems of a manager built in this program's own folder.
int reportFilmTerms()
{
    manager* data = manager::instance();
    std::printf("failed:%d\n", int(data->failedFilmTermFiles().size()));
    for (const QString& problem : data->startupProblems())
        std::printf("%s\n", problem.toUtf8().constData());
    manager::release();
    return 0;
}

} // namespace

class TestManager : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(korvaneFolder() + QStringLiteral("/lang.ini"));
        clearDataFolder();
        ServiceModes::instance().setRawMode(false);
        ServiceModes::instance().setEngineerMode(false);
    }
    void cleanup() { manager::release(); }

    void singletonAndMainWindow()
    {
        manager* first = manager::instance();
        QCOMPARE(manager::instance(), first);
        QVERIFY(!first->mainWindow());
        QWidget window;
        QCOMPARE(manager::instance(&window), first);
        QCOMPARE(first->mainWindow(), &window);
        QVERIFY(first->scanner());
        QVERIFY(!first->scanner()->isRunning());
        manager::release();
        QVERIFY(!manager::instance()->mainWindow());
    }

    void folders()
    {
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(korvaneFolder(), documents + QStringLiteral("/Korvane"));
        QCOMPARE(manager::dataFolder(), korvaneFolder() + QStringLiteral("/Data"));
        QCOMPARE(manager::picturesFolder(), korvaneFolder() + QStringLiteral("/Pictures"));
        QVERIFY(QFileInfo(manager::dataFolder()).isDir());
        QVERIFY(QFileInfo(manager::picturesFolder()).isDir());
        const QString debug = manager::debugFolder();
        QVERIFY(QFileInfo(debug).isDir());
        QVERIFY(debug.startsWith(korvaneFolder() + QStringLiteral("/Debug/")));
        QCOMPARE(manager::applicationFolder(), QCoreApplication::applicationDirPath());
    }

    void languageChoice()
    {
        manager* data = manager::instance();
        QVERIFY(data->loadLanguageMap()); // the shipped map and its .qm files
        QCOMPARE(
            data->languageNames(), QStringList({ QStringLiteral("English"), QStringLiteral("Deutsch") }));
        const QString folder = manager::applicationFolder() + QStringLiteral("/translator/");
        QCOMPARE(data->languageFile(1), folder + QStringLiteral("korvane_de.qm"));
        QVERIFY(data->languageFile(2).isEmpty());
        QVERIFY(data->languageFile(-1).isEmpty());

        QCOMPARE(data->language(), -1);
        QCOMPARE(data->currentLanguageFile(), folder + QStringLiteral("korvane_en.qm"));

        const QString ini = korvaneFolder() + QStringLiteral("/lang.ini");
        {
            QFile file(ini);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[General]\nOther=3\n");
        }
        QCOMPARE(data->language(), 0);

        QVERIFY(data->setLanguage(1));
        QCOMPARE(QSettings(ini, QSettings::IniFormat).value(QStringLiteral("Lang")).toInt(), 1);
        QCOMPARE(data->language(), 1);
        QCOMPARE(data->currentLanguageFile(), folder + QStringLiteral("korvane_de.qm"));
        QVERIFY(data->setLanguage(7));
        QVERIFY(data->currentLanguageFile().isEmpty());
    }

    void languageMapLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("two entries") << "English a.qm\nDeutsch b.qm\n"
                                     << QStringList({ "English", "Deutsch" });
        QTest::newRow("several blanks and a tab") << "English   \t a.qm" << QStringList({ "English" });
        QTest::newRow("leading blank skipped") << " English a.qm\nDeutsch b.qm" << QStringList({ "Deutsch" });
        QTest::newRow("trailing blank skipped")
            << "English a.qm \nDeutsch b.qm" << QStringList({ "Deutsch" });
        QTest::newRow("three words skipped") << "Simplified Chinese c.qm" << QStringList();
        QTest::newRow("one word and empty lines") << "English\n\n\n" << QStringList();
    }
    void languageMapLines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, names);
        const auto entries = manager::parseLanguageMap(text, QStringLiteral("/t/"));
        QStringList read;
        for (const auto& entry : entries) {
            read.append(entry.first);
            QVERIFY(entry.second.startsWith(QStringLiteral("/t/"))
                && entry.second.endsWith(QStringLiteral(".qm")));
        }
        QCOMPARE(read, names);
    }

    void germanTranslationIsCompleteAndLoads()
    {
        // Every message of the German source has a finished translation.
        QFile ts(QStringLiteral(KORVANE_SOURCE_DIR "/data/translator/korvane_de.ts"));
        QVERIFY(ts.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&ts);
        int messages = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement
                || xml.name() != QLatin1String("translation"))
                continue;
            ++messages;
            QVERIFY2(xml.attributes().value(QStringLiteral("type")).isEmpty(), "unfinished translation");
            QVERIFY(!xml.readElementText().isEmpty());
        }
        QVERIFY(!xml.hasError());
        QVERIFY(messages > 20);

        manager* data = manager::instance();
        QVERIFY(data->loadLanguageMap());
        QVERIFY(data->translator()->load(data->languageFile(1)));
        QCoreApplication::installTranslator(data->translator());
        data->initProfiles();
        QCoreApplication::removeTranslator(data->translator());
        QCOMPARE(data->profile(0).slideSettings().suggestedText, QStringLiteral("Gewebeschnitte"));
        QCOMPARE(data->profile(0).description(), QStringLiteral("Default 1")); // not translated
        QCOMPARE(data->profile(5).description(), QStringLiteral("Eigenes 1"));
    }

    void firstStartWritesTheTenFiles()
    {
        manager* data = manager::instance();
        data->initProfiles();
        QStringList expected;
        for (int n = 0; n <= 4; ++n)
            expected.append(QStringLiteral("default%1.kor").arg(n));
        for (int n = 1; n <= 5; ++n)
            expected.append(QStringLiteral("Custom%1.kor").arg(n));
        QStringList written = QDir(manager::dataFolder()).entryList(QDir::Files, QDir::Name);
        std::sort(expected.begin(), expected.end());
        QCOMPARE(written, expected);
        QVERIFY(data->profileProblems().isEmpty());
        for (int slot = 0; slot < 10; ++slot) {
            const QString path = data->profile(slot).path();
            QVERIFY(path.startsWith(manager::dataFolder()));
            pugi::xml_document document;
            QVERIFY(document.load_file(QFile::encodeName(path).constData()));
            QVERIFY(document.child("KorObject").child("FilmMode"));
            ScanProfile read;
            QVERIFY(read.load(path));
            QCOMPARE(read.slideSettings(), data->profile(slot).slideSettings());
            QCOMPARE(read.filmSettings(), data->profile(slot).filmSettings());
            QCOMPARE(read.mode(), data->profile(slot).mode());
        }
    }

    void slotContents_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("description");
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("suggested");
        QTest::addColumn<int>("saturation"); // slide saturation value (enabled)
        QTest::addColumn<int>("brightness"); // slide brightness value (enabled)
        QTest::addColumn<bool>("autoColour"); // film auto colour and auto balance
        QTest::newRow("0") << 0 << 0 << "Default 1" << 0 << "Image"
                           << "Tissue Sections" << 0 << 0 << false;
        QTest::newRow("1") << 1 << 0 << "Default 2" << 1 << "Image"
                           << "Common Things" << -38 << 0 << false;
        QTest::newRow("2") << 2 << 0 << "Default 3" << 2 << "Image"
                           << "Aquatic Organisms" << 49 << 10 << false;
        QTest::newRow("3") << 3 << 1 << "Default 4" << 0 << "Film"
                           << "Positive Color" << 0 << 0 << false;
        QTest::newRow("4") << 4 << 1 << "Default 5" << 1 << "Film"
                           << "Negative Color" << 0 << 0 << true;
        QTest::newRow("5") << 5 << 0 << "Custom 1" << 0 << "Image"
                           << "Tissue Sections" << 0 << 0 << false;
        QTest::newRow("9") << 9 << 0 << "Custom 5" << 0 << "Image"
                           << "Tissue Sections" << 0 << 0 << false;
    }
    void slotContents()
    {
        QFETCH(int, slot);
        QFETCH(int, mode);
        QFETCH(int, saturation);
        QFETCH(int, brightness);
        QFETCH(bool, autoColour);
        manager* data = manager::instance();
        data->initProfiles();
        const ScanProfile profile = data->profile(slot);
        QCOMPARE(profile.mode(), mode);
        QCOMPARE(profile.version(), QStringLiteral("1.0"));
        QTEST(profile.description(), "description");
        QTEST(mode == 0 ? profile.slideSettings().scanningTarget : profile.filmSettings().scanningTarget,
            "target");
        QTEST(profile.prefix(), "prefix");
        QTEST(profile.suggestedText(), "suggested");
        QCOMPARE(profile.resolution(), 1);
        QCOMPARE(profile.colourDepth(), 1);
        QCOMPARE(profile.directory(), manager::picturesFolder());

        const SlideSettings slide = profile.slideSettings();
        const FilmSettings film = profile.filmSettings();
        if (mode == 0 || slot >= 5) {
            QCOMPARE(slide.saturation, (EnableValue { true, saturation }));
            QCOMPARE(slide.brightness, (EnableValue { true, brightness }));
            QCOMPARE(slide.autoContrast, (EnableValue { true, 0 }));
        } else {
            QCOMPARE(slide, SlideSettings()); // the unused part is new
        }
        if (mode == 1 || slot >= 5) {
            QCOMPARE(film.autoColour, (EnableValue { autoColour, 0 }));
            QCOMPARE(film.autoBalance, (EnableValue { autoColour, 0 }));
            QVERIFY(!film.autoContrast.enable);
        } else {
            QCOMPARE(film, FilmSettings());
        }
        if (slot >= 5) { // both parts are filled for the custom slots
            QCOMPARE(film.description, profile.description());
            QCOMPARE(film.prefix, QStringLiteral("Film"));
            QCOMPARE(film.suggestedText, QStringLiteral("Positive Color"));
            QCOMPARE(film.scanningTarget, 0);
        }
    }

    void customFileFoundByPathContainingItsName()
    {
        ScanProfile custom;
        SlideSettings slide;
        slide.description = QStringLiteral("Mine");
        custom.setSlideSettings(slide);
        const QString path = manager::dataFolder() + QStringLiteral("/myCustom1.kor");
        QVERIFY(custom.save(path));

        manager* data = manager::instance();
        data->initProfiles();
        QCOMPARE(data->profile(5).path(), path);
        QCOMPARE(data->profile(5).description(), QStringLiteral("Mine"));
        QVERIFY(!QFileInfo::exists(manager::dataFolder() + QStringLiteral("/Custom1.kor")));
        QVERIFY(QFileInfo::exists(manager::dataFolder() + QStringLiteral("/Custom2.kor")));
    }

    void customFilesSurviveARestart()
    {
        manager::instance()->initProfiles();
        ScanProfile changed = manager::instance()->profile(8);
        changed.setMode(1);
        changed.setBrightness(33);
        QVERIFY(manager::instance()->setProfile(8, changed));
        manager::release();

        manager* data = manager::instance();
        data->initProfiles();
        QCOMPARE(data->profile(8).mode(), 1);
        QCOMPARE(data->profile(8).brightness(), 33);
        QCOMPARE(data->profile(8).path(), manager::dataFolder() + QStringLiteral("/Custom4.kor"));
    }

    void setProfileKeepsTheWholeProfile()
    {
        manager* data = manager::instance();
        data->initProfiles();
        ScanProfile given;
        given.setPath(QStringLiteral("/elsewhere/mine.kor"));
        given.setVersion(QStringLiteral("2.0"));
        given.setMode(ScanProfile::FilmMode);
        FilmSettings film;
        film.description = QStringLiteral("All set");
        film.scanningTarget = 3;
        film.resolution = 1;
        film.colourDepth = 1;
        film.directory = QStringLiteral("/out");
        film.prefix = QStringLiteral("Neg");
        film.fileFormat = 1;
        film.multipass = { true, 2 };
        film.noiseReduction = { true, 3 };
        film.scratchRemoval = { true, 4 };
        film.autoContrast = { true, 5 };
        film.autoColour = { true, 6 };
        film.autoBalance = { true, 7 };
        film.brightness = { true, -8 };
        film.suggestedText = QStringLiteral("Negatives");
        given.setFilmSettings(film);
        SlideSettings slide;
        slide.scanningTarget = 2;
        slide.saturation = { true, 40 };
        given.setSlideSettings(slide);

        QVERIFY(data->setProfile(1, given));
        QCOMPARE(data->profile(1), given);

        // A custom slot takes everything but the path, which becomes its own file.
        QVERIFY(data->setProfile(9, given));
        ScanProfile expected = given;
        expected.setPath(manager::dataFolder() + QStringLiteral("/Custom5.kor"));
        QCOMPARE(data->profile(9), expected);
        QCOMPARE(manager::customProfilePath(9), expected.path());
        QCOMPARE(manager::customProfilePath(manager::kFirstCustomSlot),
            manager::dataFolder() + QStringLiteral("/Custom1.kor"));
    }

    void setProfileWritesOnlyCustomSlots()
    {
        manager* data = manager::instance();
        data->initProfiles();
        const QString defaultFile = manager::dataFolder() + QStringLiteral("/default2.kor");
        const QByteArray before = readAll(defaultFile);

        ScanProfile changed;
        SlideSettings slide;
        slide.description = QStringLiteral("Changed & \"quoted\"");
        changed.setSlideSettings(slide);
        QVERIFY(data->setProfile(2, changed));
        QCOMPARE(data->profile(2).description(), QStringLiteral("Changed & \"quoted\""));
        QVERIFY(data->profile(2).path().isEmpty());
        QCOMPARE(readAll(defaultFile), before);
        QCOMPARE(QDir(manager::dataFolder()).entryList(QDir::Files).size(), 10);

        QVERIFY(data->setProfile(7, changed));
        const QString custom = manager::dataFolder() + QStringLiteral("/Custom3.kor");
        QCOMPARE(data->profile(7).path(), custom);
        ScanProfile read;
        QVERIFY(read.load(custom));
        QCOMPARE(read.slideSettings(), changed.slideSettings());

        QVERIFY(!data->setProfile(10, changed));
        QVERIFY(!data->setProfile(-1, changed));
        QCOMPARE(data->profile(10), ScanProfile());
        QCOMPARE(data->profile(-1), ScanProfile());
    }

    void damagedCustomFileIsKeptAside()
    {
        const QString own = manager::dataFolder() + QStringLiteral("/Custom2.kor");
        {
            QFile file(own);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("<KorObject version=\"1.0\"><SlideMode><Descr"); // truncated
        }
        manager* data = manager::instance();
        data->initProfiles();
        QCOMPARE(data->profile(6).description(), QStringLiteral("Custom 2"));
        QCOMPARE(data->profileProblems().size(), 1);
        QVERIFY(data->profileProblems().first().contains(QStringLiteral("Custom2.kor")));
        QVERIFY(data->startupProblems().contains(data->profileProblems().first()));
        const QStringList kept
            = QDir(manager::dataFolder()).entryList({ QStringLiteral("Custom2-damaged-*.kor") }, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readAll(manager::dataFolder() + QLatin1Char('/') + kept.first()),
            QByteArray("<KorObject version=\"1.0\"><SlideMode><Descr"));
        ScanProfile rewritten;
        QVERIFY(rewritten.load(own));
        QCOMPARE(rewritten.description(), QStringLiteral("Custom 2"));
    }

    void deviceInformation()
    {
        manager* data = manager::instance();
        QVERIFY(data->firmwareVersion().isEmpty());
        QVERIFY(data->hardwareVersion().isEmpty());
        QByteArray record(173, '\0');
        record[0] = 1;
        record.replace(33, 4, "1.07");
        record[117] = char(84);
        record[118] = 0;
        data->setScannerInfo(record);
        QCOMPARE(data->firmwareVersion(), QStringLiteral("1.07"));
        QCOMPARE(data->hardwareVersion(), QStringLiteral("84"));
        QCOMPARE(data->scannerInfo(), record);

        record[0] = 0; // not valid
        data->setScannerInfo(record);
        QVERIFY(data->firmwareVersion().isEmpty());
        QVERIFY(data->hardwareVersion().isEmpty());

        data->setScannerInfo(QByteArray("\x01short", 6)); // the rest reads as zero
        QCOMPARE(data->hardwareVersion(), QStringLiteral("0"));
        QCOMPARE(data->scannerInfo().size(), 173);
    }

    void serviceModes()
    {
        manager* data = manager::instance();
        QVERIFY(!data->isEngineerMode());
        QVERIFY(!data->isRawMode());
        data->setEngineerMode(true);
        data->setRawMode(true);
        QVERIFY(ServiceModes::instance().isEngineerMode() && data->isEngineerMode());
        QVERIFY(ServiceModes::instance().isRawMode() && data->isRawMode());
    }

    void stageDumps()
    {
        QVERIFY(QDir().mkpath(UserFolders::rawImageFolder()));
        const QString tif = UserFolders::rawImageFolder() + QStringLiteral("/Scan_Final.tif");
        const QString jpg = UserFolders::rawImageFolder() + QStringLiteral("/preScan_Brightness.jpg");
        QFile::remove(tif);
        QFile::remove(jpg);
        STImage image = STImage::zeroed(8, 4, 16, 3);
        QVERIFY(image.setRed(1, 2, 40000));
        QImage preview(6, 5, QImage::Format_RGB888);
        preview.fill(QColor(200, 30, 10));

        manager* data = manager::instance();
        data->dumpStage(image, QStringLiteral("Scan_Final"));
        data->dumpStage(preview, QStringLiteral("preScan_Brightness"));
        QVERIFY(!QFileInfo::exists(tif)); // RAW mode is off
        QVERIFY(!QFileInfo::exists(jpg));

        data->setRawMode(true);
        data->dumpStage(image, QStringLiteral("Scan_Final"));
        data->dumpStage(preview, QStringLiteral("preScan_Brightness"));
        const QImage jpeg(jpg);
        QCOMPARE(jpeg.size(), QSize(6, 5));
        QVERIFY(qAbs(QColor(jpeg.pixel(3, 2)).red() - 200) < 8);

        TIFF* tiff = TIFFOpen(QFile::encodeName(tif).constData(), "r");
        QVERIFY(tiff);
        uint32_t width = 0, height = 0;
        uint16_t bits = 0;
        TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
        TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
        std::vector<uint16_t> row(size_t(TIFFScanlineSize(tiff)) / 2);
        const bool rowRead = TIFFReadScanline(tiff, row.data(), 2) == 1;
        TIFFClose(tiff);
        QCOMPARE(width, 8u);
        QCOMPARE(height, 4u);
        QCOMPARE(bits, uint16_t(16));
        QVERIFY(rowRead);
        QCOMPARE(row[3], uint16_t(40000));

        // A missing folder fails quietly.
        QVERIFY(QDir(UserFolders::rawImageFolder()).removeRecursively());
        QVERIFY(!dumpStage(preview, QStringLiteral("nowhere")));
    }

    void missingFilmTermsAreNamed()
    {
        // A copy of this program in an empty folder finds none of the ten files.
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString copy = folder.filePath(QStringLiteral("manager_probe"));
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy));
        QProcess probe;
        probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        probe.start(copy, { QStringLiteral("--report-film-terms") });
        QVERIFY(probe.waitForFinished(20000));
        const QStringList lines
            = QString::fromUtf8(probe.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.value(0), QStringLiteral("failed:10"));
        // The film terms come first; the other missing files follow (named by InstallCheck).
        QCOMPARE(lines.size(), 11 + InstallCheck::problems(folder.path()).size());
        for (int table = 0; table < 10; ++table) {
            const QString file = QString::fromLatin1(CIP_FilmTerms::fileName(table));
            QVERIFY2(lines.at(table + 1).contains(QDir::toNativeSeparators(folder.path() + file)),
                qPrintable(lines.at(table + 1)));
        }
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc >= 2 && QByteArray(argv[1]) == "--report-film-terms")
        return reportFilmTerms();
    TestManager test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_manager.moc"
