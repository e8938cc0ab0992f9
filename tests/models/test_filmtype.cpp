#include <filmtype.h>

#include <QtTest>

class TestFilmType : public QObject
{
    Q_OBJECT

private slots:
    // Every encoding of a film type, from the profile's target.
    void filmTypeEncodings_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("media");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("negative");
        QTest::newRow("positive colour") << 0 << 0 << 16 << 1 << 1 << false;
        QTest::newRow("colour negative") << 1 << 1 << 32 << 2 << 2 << true;
        QTest::newRow("positive black-and-white") << 2 << 2 << 16 << 1 << 1 << false;
        QTest::newRow("black-and-white negative") << 3 << 3 << 48 << 4 << 2 << true;
        QTest::newRow("target 4 of a damaged file") << 4 << 0 << 16 << 1 << 1 << false;
        QTest::newRow("target -1") << -1 << 0 << 16 << 1 << 1 << false;
    }
    void filmTypeEncodings()
    {
        QFETCH(int, target);
        const FilmType type = FilmTypes::fromTarget(target);
        QTEST(FilmTypes::target(type), "type");
        QTEST(FilmTypes::mediaCode(type), "media");
        QTEST(FilmTypes::filmCode(type), "code");
        QTEST(FilmTypes::histogramKind(type), "kind");
        QTEST(FilmTypes::isNegative(type), "negative");
    }

    // Only the three film codes read a section; a target or a media code handed in by
    // mistake reads none, so the parameters of the last run stay.
    void parameterSection_data()
    {
        QTest::addColumn<int>("filmCode");
        QTest::addColumn<QString>("section");
        QTest::newRow("positive") << 1 << QStringLiteral("P");
        QTest::newRow("colour negative") << 2 << QStringLiteral("N");
        QTest::newRow("black-and-white negative") << 4 << QStringLiteral("N");
        QTest::newRow("a target") << 3 << QString();
        QTest::newRow("zero") << 0 << QString();
        QTest::newRow("a media code") << 16 << QString();
    }
    void parameterSection()
    {
        QFETCH(int, filmCode);
        QFETCH(QString, section);
        const char* found = FilmTypes::parameterSection(filmCode, "P", "N");
        QCOMPARE(found ? QString::fromLatin1(found) : QString(), section);
    }
};

QTEST_GUILESS_MAIN(TestFilmType)
#include "test_filmtype.moc"
