// The output fields the two editor pages and the preferences dialog share, on bare
// widgets: stored codes shown and read back, and the empty folder either kept or shown.
#include "outputfields.h"

#include <scanprofile.h>

#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

namespace
{

struct Form {
    QWidget window;
    QRadioButton quality { &window };
    QRadioButton normal { &window };
    QRadioButton sixteenBit { &window };
    QRadioButton eightBit { &window };
    QLineEdit directory { &window };
    QLineEdit prefix { &window };
    QRadioButton tiff { &window };
    QRadioButton jpeg { &window };

    OutputFields::Widgets widgets()
    {
        return { &quality, &normal, &sixteenBit, &eightBit, &directory, &prefix, &tiff, &jpeg };
    }
};

} // namespace

class TestOutputFields : public QObject
{
    Q_OBJECT

private slots:
    // A code no form writes is shown as Quality, 8 bits and JPEG, and saved back as
    // what it was shown as.
    void codesShownAndReadBack_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("normal");
        QTest::addColumn<bool>("second"); // 8 bits, JPEG
        QTest::addColumn<int>("resolution");
        QTest::addColumn<int>("other"); // colour depth and format read back
        QTest::newRow("0") << 0 << false << false << 0 << 0;
        QTest::newRow("1") << 1 << true << true << 1 << 1;
        QTest::newRow("2, damaged") << 2 << false << true << 0 << 1;
        QTest::newRow("-5, damaged") << -5 << false << true << 0 << 1;
    }

    void codesShownAndReadBack()
    {
        QFETCH(int, code);
        QFETCH(bool, normal);
        QFETCH(bool, second);
        Form form;
        const OutputFields fields(form.widgets(), OutputFields::EmptyFolder::Show, &form.window);
        FilmSettings stored;
        stored.resolution = code;
        stored.colourDepth = code;
        stored.fileFormat = code;
        stored.directory = QStringLiteral("/scans/film");
        stored.prefix = QStringLiteral("Roll");
        fields.show(stored);
        QCOMPARE(form.normal.isChecked(), normal);
        QCOMPARE(form.quality.isChecked(), !normal);
        QCOMPARE(form.eightBit.isChecked(), second);
        QCOMPARE(form.sixteenBit.isChecked(), !second);
        QCOMPARE(form.jpeg.isChecked(), second);
        QCOMPARE(form.tiff.isChecked(), !second);

        FilmSettings read;
        fields.read(read);
        QTEST(read.resolution, "resolution");
        QTEST(read.colourDepth, "other");
        QTEST(read.fileFormat, "other");
        QCOMPARE(read.directory, stored.directory);
        QCOMPARE(read.prefix, stored.prefix);
    }

    // An empty folder and prefix: the editors keep the fields' texts, the preferences
    // show the empty folder (Pictures at scan time); a prefix the field would refuse
    // is never shown.
    void emptyAndRefusedTexts_data()
    {
        QTest::addColumn<bool>("editor");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("directoryShown");
        QTest::newRow("editor, empty prefix") << true << QString() << "/before";
        QTest::newRow("editor, refused prefix") << true << "a/../b"
                                                << "/before";
        QTest::newRow("preferences, empty prefix") << false << QString() << QString();
        QTest::newRow("preferences, refused prefix") << false << "x:y" << QString();
    }

    void emptyAndRefusedTexts()
    {
        QFETCH(bool, editor);
        QFETCH(QString, prefix);
        Form form;
        const OutputFields fields(form.widgets(),
            editor ? OutputFields::EmptyFolder::KeepField : OutputFields::EmptyFolder::Show, &form.window);
        form.directory.setText(QStringLiteral("/before"));
        form.prefix.setText(QStringLiteral("Kept"));
        SlideSettings stored;
        stored.prefix = prefix;
        fields.show(stored);
        QTEST(form.directory.text(), "directoryShown");
        QCOMPARE(form.prefix.text(), QStringLiteral("Kept"));
        // The validator is installed: what a file name cannot hold is refused as typed.
        form.prefix.clear();
        QTest::keyClicks(&form.prefix, QStringLiteral("p?q"));
        QCOMPARE(form.prefix.text(), QStringLiteral("pq"));
    }
};

QTEST_MAIN(TestOutputFields)
#include "test_outputfields.moc"
