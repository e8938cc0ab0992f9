// The information panel's texts from a profile, in slide and film mode, and the
// custom button captions cut to their 80 pixels.
#include "informationpanel.h"

#include <userfolders.h>

#include <QFont>
#include <QFontMetrics>
#include <QtTest>

namespace
{

ScanProfile profileWith(int mode, int resolution, int depth, int format)
{
    SlideSettings slide;
    slide.resolution = resolution;
    slide.colourDepth = depth;
    slide.fileFormat = format;
    slide.directory = QStringLiteral("/slides/out");
    FilmSettings film;
    film.resolution = resolution;
    film.colourDepth = depth;
    film.fileFormat = format;
    film.directory = QStringLiteral("/film/out");
    ScanProfile profile;
    profile.setSlideSettings(slide);
    profile.setFilmSettings(film);
    profile.setMode(mode);
    return profile;
}

} // namespace

class TestInformationPanel : public QObject
{
    Q_OBJECT

private slots:
    void texts_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("resolution");
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("resolutionText");
        QTest::addColumn<QString>("depthText");
        QTest::addColumn<QString>("formatText");
        const int slide = ScanProfile::SlideMode;
        const int film = ScanProfile::FilmMode;
        QTest::newRow("slide quality 16 tiff") << slide << 0 << 0 << 0 << "Image Resolution: Quality"
                                               << "Color Depth: 16 bit"
                                               << "File Format: TIFF";
        QTest::newRow("slide normal 8 jpeg") << slide << 1 << 1 << 1 << "Image Resolution: Normal"
                                             << "Color Depth: 8 bit"
                                             << "File Format: JPEG";
        // Film mode spells the depth without a blank.
        QTest::newRow("film quality 16 tiff") << film << 0 << 0 << 0 << "Image Resolution: Quality"
                                              << "Color Depth: 16bit"
                                              << "File Format: TIFF";
        QTest::newRow("film normal 8 jpeg") << film << 1 << 1 << 1 << "Image Resolution: Normal"
                                            << "Color Depth: 8bit"
                                            << "File Format: JPEG";
    }

    void texts()
    {
        QFETCH(int, mode);
        QFETCH(int, resolution);
        QFETCH(int, depth);
        QFETCH(int, format);
        const InformationPanel panel(profileWith(mode, resolution, depth, format));
        QTEST(panel.resolutionText(), "resolutionText");
        QTEST(panel.colourDepthText(), "depthText");
        QTEST(panel.fileFormatText(), "formatText");
    }

    // The directory of the profile's own mode, cut at its start when it does not fit.
    void directoryOfTheCurrentMode()
    {
        const QFontMetrics metrics { QFont() };
        const InformationPanel slide(profileWith(ScanProfile::SlideMode, 0, 0, 0));
        QCOMPARE(slide.directoryText(metrics, 1000), QStringLiteral("Directory: /slides/out"));
        const InformationPanel film(profileWith(ScanProfile::FilmMode, 0, 0, 0));
        QCOMPARE(film.directoryText(metrics, 1000), QStringLiteral("Directory: /film/out"));

        const QString narrow
            = film.directoryText(metrics, metrics.horizontalAdvance(QStringLiteral("m/out")));
        QVERIFY2(narrow.startsWith(QStringLiteral("Directory: \u2026")), qPrintable(narrow));
        QVERIFY2(narrow.endsWith(QStringLiteral("out")), qPrintable(narrow));
        QVERIFY(!narrow.contains(QStringLiteral("/film")));

        // No folder of its own: the scans go to Pictures, and that is what is shown.
        ScanProfile unset = profileWith(ScanProfile::FilmMode, 0, 0, 0);
        FilmSettings settings = unset.filmSettings();
        settings.directory.clear();
        unset.setFilmSettings(settings);
        QCOMPARE(InformationPanel(unset).directoryText(metrics, 1000),
            QStringLiteral("Directory: ") + QDir::toNativeSeparators(UserFolders::picturesFolder()));
    }

    void captions_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<bool>("cut");
        QTest::newRow("short") << "Custom 1" << false;
        QTest::newRow("long") << "A description far too long for a narrow button" << true;
    }

    void captions()
    {
        QFETCH(QString, description);
        QFETCH(bool, cut);
        ScanProfile profile;
        SlideSettings slide;
        slide.description = description;
        profile.setSlideSettings(slide);
        const QFontMetrics metrics { QFont() };
        const QString caption = InformationPanel::caption(profile, metrics);
        QVERIFY(metrics.horizontalAdvance(caption) <= InformationPanel::kCaptionWidth);
        if (cut) {
            QVERIFY(caption.endsWith(QChar(0x2026)));
            QVERIFY(description.startsWith(caption.chopped(1)));
        } else {
            QCOMPARE(caption, description);
        }
    }

    void sizes_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << qint64(0) << "Size: 0.00 MB";
        QTest::newRow("two million") << qint64(2000000) << "Size: 1.91 MB";
        QTest::newRow("one mebibyte") << qint64(1048576) << "Size: 1.00 MB";
        // Beyond 32 bits: a 10000 dpi 16-bit scan.
        QTest::newRow("large") << qint64(5000000000) << "Size: 4768.37 MB";
    }

    void sizes()
    {
        QFETCH(qint64, bytes);
        QTEST(InformationPanel::sizeText(bytes), "text");
    }
};

QTEST_MAIN(TestInformationPanel)
#include "test_informationpanel.moc"
