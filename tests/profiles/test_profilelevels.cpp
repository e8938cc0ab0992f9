#include "profileprocessingoptions.h"
#include "scanprofile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <pugixml.hpp>

#include <cstring>
#include <sstream>

namespace
{

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

LevelsSettings slideLevels()
{
    LevelsSettings levels;
    levels[LevelsSettings::All] = LevelsChannel { 3, 251, 1.25 };
    levels[LevelsSettings::Blue] = LevelsChannel { 0, 240, 0.9 };
    return levels;
}

LevelsSettings filmLevels()
{
    LevelsSettings levels;
    levels[LevelsSettings::Red] = LevelsChannel { 12, 255, 1.0 };
    levels[LevelsSettings::Green] = LevelsChannel { 7, 233, 2.05 };
    return levels;
}

// A profile with something in every section, and levels only where asked.
ScanProfile profileWith(const LevelsSettings& slide, const LevelsSettings& film)
{
    SlideSettings slideSettings;
    slideSettings.description = QStringLiteral("Levels & more");
    slideSettings.scanningTarget = 1;
    slideSettings.saturation = { true, -38 };
    slideSettings.suggestedText = QStringLiteral("Common Things");
    slideSettings.levels = slide;
    FilmSettings filmSettings;
    filmSettings.description = QStringLiteral("Negative");
    filmSettings.scanningTarget = 1;
    filmSettings.autoColour = { true, 0 };
    filmSettings.brightness = { true, 12 };
    filmSettings.levels = film;
    ScanProfile profile;
    profile.setMode(ScanProfile::FilmMode);
    profile.setSlideSettings(slideSettings);
    profile.setFilmSettings(filmSettings);
    return profile;
}

} // namespace

Q_DECLARE_METATYPE(LevelsChannel)

class TestProfileLevels : public QObject
{
    Q_OBJECT

private slots:
    void savedLevelsLoadAgain();
    void unknownElementsAreAllAReaderSees();
    void fileWithoutLevelsLoadsNeutral();
    void damagedLevelsLoadInRange_data();
    void damagedLevelsLoadInRange();
    void levelsBelongToTheCurrentMode();
};

void TestProfileLevels::savedLevelsLoadAgain()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("levels.kor"));
    ScanProfile written = profileWith(slideLevels(), filmLevels());
    QVERIFY(written.save(path));

    ScanProfile read;
    QVERIFY(read.load(path));
    QCOMPARE(read.slideSettings().levels, slideLevels());
    QCOMPARE(read.filmSettings().levels, filmLevels());
    QCOMPARE(read, written);

    // Only the channels that are not neutral are written.
    const QByteArray xml = readAll(path);
    QCOMPARE(xml.count("<LevelsAll "), 1);
    QCOMPARE(xml.count("<LevelsRed "), 1);
    QCOMPARE(xml.count("<LevelsGreen "), 1);
    QCOMPARE(xml.count("<LevelsBlue "), 1);
    QVERIFY(xml.contains("<LevelsGreen black=\"7\" white=\"233\" gamma=\"2.05\" />"));
}

// The levels come after a section's other elements and are the only thing added: a
// reader that ignores unknown elements (today's, and every earlier one) reads the file
// exactly as it reads the same profile without levels.
void TestProfileLevels::unknownElementsAreAllAReaderSees()
{
    const QByteArray withLevels = profileWith(slideLevels(), filmLevels()).toXml();
    const QByteArray without = profileWith(LevelsSettings(), LevelsSettings()).toXml();
    QVERIFY(!without.contains("<Levels"));

    pugi::xml_document document;
    QVERIFY(document.load_buffer(withLevels.constData(), std::size_t(withLevels.size()),
        pugi::parse_default | pugi::parse_comments | pugi::parse_declaration));
    const pugi::xml_node root = document.child("KorObject");
    for (const char* section : { "SlideMode", "FilmMode" }) {
        pugi::xml_node node = root.child(section);
        QVERIFY(node);
        // Every levels element follows the section's last element of before.
        bool seenLevels = false;
        for (pugi::xml_node child = node.first_child(); child;) {
            const pugi::xml_node next = child.next_sibling();
            const bool levels = std::strncmp(child.name(), "Levels", 6) == 0;
            QVERIFY2(levels || !seenLevels, child.name());
            seenLevels = seenLevels || levels;
            if (levels)
                node.remove_child(child);
            child = next;
        }
        QVERIFY(seenLevels);
    }
    std::ostringstream stripped;
    document.save(stripped, "\t", pugi::format_indent, pugi::encoding_utf8);
    QCOMPARE(QByteArray::fromStdString(stripped.str()), without);
}

void TestProfileLevels::fileWithoutLevelsLoadsNeutral()
{
    // A file written before there were levels, read into a profile that had some.
    ScanProfile profile = profileWith(slideLevels(), filmLevels());
    QVERIFY(profile.load(QStringLiteral(KORVANE_TEST_DATA_DIR "/profiles/handwritten.kor")));
    QVERIFY(profile.slideSettings().levels.isNeutral());
    QVERIFY(profile.filmSettings().levels.isNeutral());
    QVERIFY(profile.levels().isNeutral());
    QCOMPARE(profile.filmSettings().description, QStringLiteral("Default 5"));
}

void TestProfileLevels::damagedLevelsLoadInRange_data()
{
    QTest::addColumn<QByteArray>("element");
    QTest::addColumn<LevelsChannel>("expected"); // of all channels

    QTest::newRow("whole") << QByteArray("<LevelsAll black=\"4\" white=\"200\" gamma=\"0.75\"/>")
                           << LevelsChannel { 4, 200, 0.75 };
    QTest::newRow("only a white point")
        << QByteArray("<LevelsAll white=\"128\"/>") << LevelsChannel { 0, 128, 1.0 };
    QTest::newRow("gamma with a comma")
        << QByteArray("<LevelsAll black=\"4\" gamma=\"1,5\"/>") << LevelsChannel { 4, 255, 1.0 };
    QTest::newRow("gamma not a number") << QByteArray("<LevelsAll gamma=\"bright\"/>") << LevelsChannel();
    QTest::newRow("gamma far too large")
        << QByteArray("<LevelsAll gamma=\"1e300\"/>") << LevelsChannel { 0, 255, LevelsChannel::kMaxGamma };
    QTest::newRow("points beyond the scale")
        << QByteArray("<LevelsAll black=\"-40\" white=\"70000\"/>") << LevelsChannel();
    QTest::newRow("black above white")
        << QByteArray("<LevelsAll black=\"200\" white=\"20\" gamma=\"2\"/>") << LevelsChannel();
    QTest::newRow("points not numbers")
        << QByteArray("<LevelsAll black=\"dark\" white=\"light\"/>") << LevelsChannel();
}

void TestProfileLevels::damagedLevelsLoadInRange()
{
    QFETCH(QByteArray, element);
    QFETCH(LevelsChannel, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("damaged.kor"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<?xml version=\"1.0\"?><KorObject version=\"1.0\" mode=\"0\"><SlideMode>"
               "<Description text=\"d\"/>"
        + element + "</SlideMode></KorObject>");
    file.close();

    ScanProfile profile;
    QVERIFY(profile.load(path));
    QCOMPARE(profile.slideSettings().levels[LevelsSettings::All], expected);
    QCOMPARE(profile.slideSettings().description, QStringLiteral("d"));
}

void TestProfileLevels::levelsBelongToTheCurrentMode()
{
    ScanProfile profile = profileWith(LevelsSettings(), LevelsSettings());
    profile.setLevels(filmLevels());
    QCOMPARE(profile.filmSettings().levels, filmLevels());
    QVERIFY(profile.slideSettings().levels.isNeutral());
    profile.setMode(ScanProfile::SlideMode);
    QVERIFY(profile.levels().isNeutral());

    // Out-of-range levels are kept in range, so the pipelines never see them.
    LevelsSettings wild;
    wild[LevelsSettings::Red] = LevelsChannel { -5, 400, 0.01 };
    profile.setLevels(wild);
    QCOMPARE(profile.levels()[LevelsSettings::Red], (LevelsChannel { 0, 255, LevelsChannel::kMinGamma }));

    // The pipelines take the current mode's levels; the uncorrected start of a filter
    // preview takes none.
    profile.setMode(ScanProfile::FilmMode);
    QCOMPARE(profileProcessingOptions(profile, 82).levels, filmLevels());
    QVERIFY(uncorrectedProcessingOptions(profile, 82).levels.isNeutral());
}

QTEST_GUILESS_MAIN(TestProfileLevels)
#include "test_profilelevels.moc"
