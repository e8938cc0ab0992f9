#include "cip_filmtermreader.h"
#include "cip_filmterms.h"
#include "stimage.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

namespace
{

// A complete, valid file around the given FilmLut text (and extra entries).
QByteArray validFile(const QByteArray& lut, const QByteArray& extra = QByteArray())
{
    return "# test film;\nModelName TQ3300;\nFilmDefalut 240;\nDMinValue: 200 100 0;\nFilmClass REV;\n"
           "FilmMfgr Maker;\nFilmName Test Film;\nCreationDate 07152023;\nFilmBalance 90,95, 99;\n"
           "FilmExposure 12;\nFilmGain 3;\nFilmLevel 1 2 3 4;\n"
        + extra + lut + "\nFilmMatR 1 2 3 4 5;\nFilmMatG 0.5;\nFilmMatB 0 0 1 0;\n";
}

QByteArray identityLut(int valuesPerLine)
{
    QByteArray lut = "FilmLut ";
    int onLine = 0;
    for (int i = 0; i < 65536; ++i) {
        for (int c = 0; c < 3; ++c) {
            lut += QByteArray::number(c == 0 ? i : (c == 1 ? 65535 - i : i / 2));
            if (i == 65535 && c == 2)
                lut += ";";
            else if (++onLine == valuesPerLine) {
                lut += "\n";
                onLine = 0;
            } else {
                lut += ",";
            }
        }
    }
    return lut;
}

// Runs a read with standard output captured into a file.
bool readCapturing(CIP_FilmTermReader& reader, const QString& path, const QString& capture, QByteArray* out)
{
    std::fflush(stdout);
    const int saved = dup(fileno(stdout));
    std::FILE* f = std::freopen(capture.toLocal8Bit().constData(), "w", stdout);
    const bool ok = reader.ReadFile(path.toLocal8Bit().constData());
    std::fflush(stdout);
    if (f != nullptr)
        dup2(saved, fileno(stdout));
    close(saved);
    QFile file(capture);
    if (file.open(QIODevice::ReadOnly))
        *out = file.readAll();
    return ok;
}

} // namespace

class TestCipFilmTermReader : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void constructedValues();
    void readsEveryKey();
    void filmClass_data();
    void filmClass();
    void lutLayoutDoesNotMatter_data();
    void lutLayoutDoesNotMatter();
    void commentSwallowsLines();
    void textValueKeepsLastLine();
    void truncatesToSixteenBits();
    void malformed_data();
    void malformed();
    void shortDateAndShortLines();
    void wrongLutSizeIsNotLoaded();
    void applyTable();
    void shippedFilesLoad();

private:
    QString write(const QByteArray& content);
    QTemporaryDir m_dir;
    int m_count = 0;
};

QString TestCipFilmTermReader::write(const QByteArray& content)
{
    const QString path = m_dir.filePath(QString("f%1.ft").arg(++m_count));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(content);
    return path;
}

void TestCipFilmTermReader::init()
{
    QVERIFY(m_dir.isValid());
}

void TestCipFilmTermReader::constructedValues()
{
    CIP_FilmTermReader r;
    QCOMPARE(r.FilmDefalut, 250);
    QCOMPARE(r.FilmClass, 1);
    QCOMPARE(r.CreationDate[0], 1);
    QCOMPARE(r.CreationDate[2], 2000);
    QCOMPARE(r.FilmBalance[1], 100);
    QCOMPARE(r.FilmLevel[2], -1);
    QCOMPARE(r.FilmLutCount, 0);
    QVERIFY(r.FilmLut != nullptr);
    QCOMPARE(r.FilmLut[CIP_FilmTermReader::kLutValues - 1], 0.f);
    QVERIFY(r.ModelName.isEmpty());
}

void TestCipFilmTermReader::readsEveryKey()
{
    CIP_FilmTermReader r;
    QVERIFY(r.ReadFile(write(validFile(identityLut(3))).toLocal8Bit().constData()));
    QCOMPARE(r.ModelName.compare("TQ3300"), 0);
    QCOMPARE(r.FilmDefalut, 240);
    QCOMPARE(r.DMinValue[1], 100.f);
    QCOMPARE(r.DMinHSV[0], 30.f / 180.f); // 255,128,0: hue 30 degrees from red
    QCOMPARE(r.DMinHSV[1], 1.f);
    QCOMPARE(r.FilmClass, 2);
    QCOMPARE(r.FilmMfgr.compare("Maker"), 0);
    QCOMPARE(r.FilmName.compare("Test Film"), 0);
    QCOMPARE(r.CreationDate[0], 7);
    QCOMPARE(r.CreationDate[1], 15);
    QCOMPARE(r.CreationDate[2], 2023);
    QCOMPARE(r.FilmBalance[0], 90);
    QCOMPARE(r.FilmBalance[2], 99);
    QCOMPARE(r.FilmExposure, 12);
    QCOMPARE(r.FilmGain, 3);
    QCOMPARE(r.FilmLevel[2], 3); // a fourth value is not stored
    QCOMPARE(r.FilmLutCount, CIP_FilmTermReader::kLutValues);
    QCOMPARE(r.FilmLut[3 * 1000 + 1], float(65535 - 1000));
    QCOMPARE(r.FilmMatR[3], 4.f); // the fifth value is beyond the storage and ignored
    QCOMPARE(r.FilmMatG[0], 0.5f);
    QCOMPARE(r.FilmMatB[2], 1.f);
}

void TestCipFilmTermReader::filmClass_data()
{
    QTest::addColumn<QByteArray>("word");
    QTest::addColumn<int>("code");
    QTest::newRow("NEG") << QByteArray("NEG") << 1;
    QTest::newRow("REV") << QByteArray("REV") << 2;
    QTest::newRow("B&&W") << QByteArray("B&&W") << 3;
    QTest::newRow("KFT") << QByteArray("KFT") << 4;
    QTest::newRow("PHO") << QByteArray("PHO") << 5;
    QTest::newRow("blank skipped") << QByteArray("   PHO") << 5;
    QTest::newRow("B&W single ampersand") << QByteArray("B&W") << -1;
    QTest::newRow("lower case") << QByteArray("pho") << -1;
    QTest::newRow("trailing blank") << QByteArray("PHO ") << -1;
}

void TestCipFilmTermReader::filmClass()
{
    QFETCH(QByteArray, word);
    QFETCH(int, code);
    CIP_FilmTermReader r;
    const QByteArray line = "FilmClass" + word + ";";
    const bool ok = r.ParseLine(line.constData());
    QCOMPARE(ok, code > 0);
    if (code > 0)
        QCOMPARE(r.FilmClass, code);
}

void TestCipFilmTermReader::lutLayoutDoesNotMatter_data()
{
    QTest::addColumn<int>("valuesPerLine");
    QTest::newRow("one long line") << 3 * 65536;
    QTest::newRow("197 values a line (about 1000 lines)") << 197;
    QTest::newRow("one value a line") << 1;
}

void TestCipFilmTermReader::lutLayoutDoesNotMatter()
{
    QFETCH(int, valuesPerLine);
    CIP_FilmTermReader reference;
    QVERIFY(reference.ReadFile(write(validFile(identityLut(3))).toLocal8Bit().constData()));
    CIP_FilmTermReader r;
    QVERIFY(r.ReadFile(write(validFile(identityLut(valuesPerLine))).toLocal8Bit().constData()));
    QCOMPARE(r.FilmLutCount, reference.FilmLutCount);
    QVERIFY(std::equal(r.FilmLut, r.FilmLut + CIP_FilmTermReader::kLutValues, reference.FilmLut));
}

void TestCipFilmTermReader::commentSwallowsLines()
{
    CIP_FilmTermReader r;
    const QByteArray file = "#a comment\nFilmGain 7\nno key here\n still comment; \nFilmExposure 5;\n";
    // The line holding the ';' is all comment: its rest (" ") is not parsed.
    QVERIFY(r.ReadFile(write(file).toLocal8Bit().constData()));
    QCOMPARE(r.FilmGain, 0);
    QCOMPARE(r.FilmExposure, 5);
}

void TestCipFilmTermReader::textValueKeepsLastLine()
{
    CIP_FilmTermReader r;
    QVERIFY(r.ReadFile(
        write("FilmName  first part\nsecond part;\nFilmMfgr\tMaker;\n").toLocal8Bit().constData()));
    QCOMPARE(r.FilmName.compare("second part"), 0);
    QCOMPARE(r.FilmMfgr.compare("Maker"), 0);
}

void TestCipFilmTermReader::truncatesToSixteenBits()
{
    QByteArray lut = identityLut(3);
    lut.replace("FilmLut 0,65535,0\n", "FilmLut 65535.9,12.999,-1\n");
    CIP_FilmTermReader r;
    QVERIFY(r.ReadFile(write(validFile(lut)).toLocal8Bit().constData()));
    CIP_FilmTermTable table;
    QVERIFY(table.loadFrom(r));
    QCOMPARE(int(table.red()[0]), 65535);
    QCOMPARE(int(table.green()[0]), 12);
    QCOMPARE(int(table.blue()[0]), 65535); // -1 keeps its low 16 bits
    QCOMPARE(int(table.red()[65535]), 65535);
    QCOMPARE(int(table.green()[65535]), 0);
}

void TestCipFilmTermReader::malformed_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("offending");
    QTest::newRow("unknown key") << QByteArray("FilmGain 1;\nFilmColour 3;\n") << QByteArray("FilmColour 3;");
    QTest::newRow("blank line with spaces") << QByteArray("FilmGain 1;\n  \n") << QByteArray("  ");
    QTest::newRow("list without ;") << QByteArray("FilmBalance 1 2 3\n") << QByteArray("FilmBalance 1 2 3");
    QTest::newRow("list no longer than its column")
        << QByteArray("DMinValue: \n") << QByteArray("DMinValue: ");
    QTest::newRow("key alone") << QByteArray("FilmMatR\n") << QByteArray("FilmMatR");
    QTest::newRow("bad film class") << QByteArray("FilmClass SLIDE;\n") << QByteArray("FilmClass SLIDE;");
    QTest::newRow("text to end of file")
        << QByteArray("FilmName open\nstill open\n") << QByteArray("still open");
    QTest::newRow("lut to end of file") << QByteArray("FilmLut 1 2 3\n4 5 6\n") << QByteArray("4 5 6");
    QTest::newRow("lut too long") << QByteArray(identityLut(3) + "\n").replace(";", ",7;")
                                  << QByteArray("65535,0,32767,7;");
}

void TestCipFilmTermReader::malformed()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, offending);
    CIP_FilmTermReader r;
    QByteArray out;
    QVERIFY(!readCapturing(r, write(content), m_dir.filePath("stdout.txt"), &out));
    const QByteArray banner = "==========CIP_FilmTermReader::ReadFile(LPCTSTR lpszFileName)==========\n";
    QCOMPARE(out, banner + "The ft file format is error.\n" + offending + "\n" + banner);
}

void TestCipFilmTermReader::shortDateAndShortLines()
{
    CIP_FilmTermReader r;
    QVERIFY(r.ParseLine("CreationDate 061"));
    QCOMPARE(r.CreationDate[0], 6);
    QCOMPARE(r.CreationDate[1], 1);
    QCOMPARE(r.CreationDate[2], 0);
    QVERIFY(r.ParseLine("CreationDate"));
    QCOMPARE(r.CreationDate[0], 0);
    QVERIFY(r.ParseLine("FilmGain"));
    QVERIFY(!r.ParseLine("DMinValue"));
    // Without a file, a value that needs another line is an error, not a read past the text.
    QVERIFY(!r.ParseLine("ModelName no end"));
    QVERIFY(!r.ReadFile((m_dir.path() + "/missing.ft").toLocal8Bit().constData()));
}

void TestCipFilmTermReader::wrongLutSizeIsNotLoaded()
{
    CIP_FilmTermReader r;
    QVERIFY(r.ReadFile(write("FilmLut 1 2 3 4 5 6;\n").toLocal8Bit().constData()));
    QCOMPARE(r.FilmLutCount, 6);
    CIP_FilmTermTable table;
    QVERIFY(!table.loadFrom(r));
    QVERIFY(!table.isLoaded());
    std::uint16_t px[3] = { 1, 2, 3 };
    QVERIFY(!table.apply16(px, px, 1));
    QCOMPARE(int(px[0]), 1);
}

void TestCipFilmTermReader::applyTable()
{
    CIP_FilmTermReader r;
    QVERIFY(r.ReadFile(write(validFile(identityLut(3))).toLocal8Bit().constData()));
    CIP_FilmTermTable table;
    QVERIFY(table.loadFrom(r));

    STImage image;
    const std::uint16_t pixels[6] = { 0, 0, 0, 1000, 1000, 65535 };
    QVERIFY(image.setData(2, 1, 16, 3, pixels, sizeof pixels));
    QVERIFY(table.applyTo(image));
    QCOMPARE(image.red(1, 0), 1000u);
    QCOMPARE(image.green(1, 0), 64535u);
    QCOMPARE(image.blue(1, 0), 32767u);
    QCOMPARE(image.green(0, 0), 65535u);

    STImage small;
    const std::uint8_t bytes[3] = { 10, 10, 200 };
    QVERIFY(small.setData(1, 1, 8, 3, bytes, sizeof bytes));
    QVERIFY(table.applyTo(small));
    QCOMPARE(small.red(0, 0), 10u);
    QCOMPARE(small.green(0, 0), std::uint32_t((65535 - 10) & 0xff)); // low byte of the entry
    QCOMPARE(small.blue(0, 0), 100u);

    CIP_FilmTermTable empty;
    STImage untouched(image);
    QVERIFY(!empty.applyTo(untouched));
    QCOMPARE(untouched.red(1, 0), 1000u);

    // The threaded path of a large image gives the per-sample result.
    std::vector<std::uint16_t> big(3 * 1200 * 1000);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = std::uint16_t(i * 7);
    std::vector<std::uint16_t> mapped(big.size());
    QVERIFY(table.apply16(big.data(), mapped.data(), 1200 * 1000));
    for (std::size_t i = 0; i < big.size(); i += 997) {
        const std::uint16_t* lut = i % 3 == 0 ? table.red() : (i % 3 == 1 ? table.green() : table.blue());
        QCOMPARE(mapped[i], lut[big[i]]);
    }
}

void TestCipFilmTermReader::shippedFilesLoad()
{
    QVERIFY(!CIP_FilmTerms::loaded());
    QVERIFY(CIP_FilmTerms::failedFiles().empty());
    const QByteArray appDir = QCoreApplication::applicationDirPath().toLocal8Bit();
    const bool all = CIP_FilmTerms::loadAll(appDir.constData());
    QString failed;
    for (const std::string& name : CIP_FilmTerms::failedFiles())
        failed += QString::fromStdString(name) + " ";
    QVERIFY2(all, qPrintable("failed: " + failed));
    for (int t = 0; t < CIP_FilmTerms::kTableCount; ++t) {
        const CIP_FilmTermTable* table = CIP_FilmTerms::table(t);
        QVERIFY(table != nullptr && table->isLoaded());
        // Positives keep black black; negatives turn the film base (85 %) black.
        const bool negative = QByteArray(CIP_FilmTerms::fileName(t)).contains("Negative");
        if (negative)
            QVERIFY(table->green()[0] > 60000 && table->green()[65535] < 1000);
        else
            QVERIFY(table->green()[0] < 1000 && table->green()[60000] > 60000);
        CIP_FilmTermReader reader;
        const QByteArray path = appDir + CIP_FilmTerms::fileName(t);
        QVERIFY(reader.ReadFile(path.constData()));
        QCOMPARE(reader.FilmClass, negative ? 1 : (t < 2 ? 5 : 2));
    }
    QVERIFY(CIP_FilmTerms::table(10) == nullptr);
    QVERIFY(CIP_FilmTerms::loadAll("/nonexistent")); // loads once: the tables stay
    QVERIFY(CIP_FilmTerms::table(0)->isLoaded());
}

QTEST_GUILESS_MAIN(TestCipFilmTermReader)
#include "test_cip_filmtermreader.moc"
