// Auto colour and RGB balance: neutral images stay neutral, a cast is measured and removed
// without overshoot, too few grey pixels give 1303.

#include "cip_imageprocess.h"
#include "cip_rgbbalance.h"
#include "rawimage_fixture.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

// Greys of varied lightness with a fixed offset on red, plus a little noise-free texture.
void fillGreys(RawImageFixture& image, int redOffset, int scale)
{
    for (int y = 0; y < image.view.height; ++y) {
        for (int x = 0; x < image.view.width; ++x) {
            const int g = (110 + (x * 7 + y * 3) % 40) * scale;
            image.set(x, y, g + redOffset * scale, g, g);
        }
    }
}

} // namespace

class TestColourBalance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void autoColorNeutral_data();
    void autoColorNeutral();
    void autoColorRedCast();
    void autoColorNoGrey();
    void rgbBalanceNeutralStaysNeutral();
    void rgbBalanceRemovesCast_data();
    void rgbBalanceRemovesCast();
    void middlePointsObeyRanges();
    void fileValuesOutOfRangeActAsTheNearestEnd_data();
    void fileValuesOutOfRangeActAsTheNearestEnd();

private:
    QTemporaryDir m_dir;
};

void TestColourBalance::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir::setCurrent(m_dir.path())); // no parameter files: the defaults
}

void TestColourBalance::autoColorNeutral_data()
{
    QTest::addColumn<int>("bits");
    QTest::newRow("8-bit") << 8;
    QTest::newRow("16-bit") << 16;
}

void TestColourBalance::autoColorNeutral()
{
    QFETCH(int, bits);
    RawImageFixture image(120, 90, bits);
    fillGreys(image, 0, bits == 8 ? 1 : 256);
    const auto before = image.bytes;
    CIP_ImageProcess process;
    QCOMPARE(process.autoColor(image.view, CIP_ImageProcess::kPositive), 0);
    const int half = image.view.maxValue() / 2;
    for (int c = 0; c < 3; ++c) {
        QCOMPARE(process.records[c].midIn, half);
        QCOMPARE(process.records[c].midOut, half);
    }
    QVERIFY(image.bytes == before);
}

void TestColourBalance::autoColorRedCast()
{
    RawImageFixture image(120, 90, 8);
    fillGreys(image, 10, 1);
    CIP_ImageProcess process;
    QCOMPARE(process.autoColor(image.view, CIP_ImageProcess::kPositive), 0);
    QCOMPARE(process.records[0].midIn, 134);
    QCOMPARE(process.records[1].midIn, 124);
    QCOMPARE(process.records[2].midIn, 124);
    QCOMPARE(process.records[0].midOut, 127);
    // Red's midtones darken, green's and blue's lighten.
    QVERIFY(process.table(0)[134] == 127);
    QVERIFY(process.table(1)[124] == 127);
    QCOMPARE(process.records16[0].midIn, 134 * 256);
}

void TestColourBalance::autoColorNoGrey()
{
    // Saturated red and blue only: no pixel has saturation <= 0.75.
    RawImageFixture image(100, 80, 8);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 80 + 20; ++x)
            image.set(x, y, (x + y) % 2 ? 220 : 10, 5, (x + y) % 2 ? 5 : 200);
    CIP_ImageProcess process;
    QCOMPARE(process.autoColor(image.view, CIP_ImageProcess::kPositive), CIP_ImageProcess::kNoGrey);
    for (int c = 0; c < 3; ++c)
        QCOMPARE(process.records[c].midIn, 127);
    QCOMPARE(int(process.table(0)[77]), 77); // identity curves
}

void TestColourBalance::rgbBalanceNeutralStaysNeutral()
{
    RawImageFixture image(160, 120, 16);
    fillGreys(image, 0, 256);
    CIP_ImageProcess process;
    process.rect = CIP_Rect { 0, 0, 160, 120 };
    QCOMPARE(process.rgbBalance(image.view, CIP_ImageProcess::kPositive, true), 0);
    for (int i = 0; i < 65536; i += 97) {
        QCOMPARE(process.table(0)[i], process.table(1)[i]);
        QCOMPARE(process.table(1)[i], process.table(2)[i]);
    }
    for (int y = 0; y < 120; y += 7)
        for (int x = 0; x < 160; x += 5) {
            QCOMPARE(image.at(x, y, 0), image.at(x, y, 1));
            QCOMPARE(image.at(x, y, 1), image.at(x, y, 2));
        }
}

void TestColourBalance::rgbBalanceRemovesCast_data()
{
    QTest::addColumn<int>("offset");
    QTest::newRow("red +12") << 12;
    QTest::newRow("red -12") << -12;
}

void TestColourBalance::rgbBalanceRemovesCast()
{
    QFETCH(int, offset);
    RawImageFixture image(160, 120, 8);
    fillGreys(image, offset, 1);
    CIP_ImageProcess process;
    process.rect = CIP_Rect { 0, 0, 160, 120 };
    QCOMPARE(process.rgbBalance(image.view, CIP_ImageProcess::kPositive, true), 0);
    // Mean red - green over the image: smaller than the cast, and not past neutral.
    double diff = 0;
    int n = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x, ++n)
            diff += image.at(x, y, 0) - image.at(x, y, 1);
    diff /= n;
    QVERIFY2(std::fabs(diff) < std::abs(offset) * 0.5, qPrintable(QString::number(diff)));
    QVERIFY2(diff * offset >= -1.0 * std::abs(offset) * 0.1, qPrintable(QString::number(diff)));
    for (int c = 0; c < 3; ++c) {
        QVERIFY(process.records[c].midIn > 0 && process.records[c].midIn <= 255);
        QVERIFY(process.records[c].midOut > 0 && process.records[c].midOut <= 255);
        for (int i = 1; i < 256; ++i)
            QVERIFY(process.table(c)[i] >= process.table(c)[i - 1]);
    }
}

void TestColourBalance::fileValuesOutOfRangeActAsTheNearestEnd_data()
{
    // The balance file is editable: a value beyond its range (or no number) must balance as
    // the nearest end of the range does, without overflowing the point arithmetic.
    QTest::addColumn<QByteArray>("hostile");
    QTest::addColumn<QByteArray>("sane");
    QTest::newRow("extend level huge")
        << QByteArray("IDC_EXTEND_LEVEL=1e30\n") << QByteArray("IDC_EXTEND_LEVEL=100\n");
    QTest::newRow("extend level negative")
        << QByteArray("IDC_EXTEND_LEVEL=-3e9\n") << QByteArray("IDC_EXTEND_LEVEL=0\n");
    QTest::newRow("contrast level huge")
        << QByteArray("IDC_MAX_CONTRAST_LEVEL=1e300\n") << QByteArray("IDC_MAX_CONTRAST_LEVEL=100\n");
    QTest::newRow("contrast level negative")
        << QByteArray("IDC_MAX_CONTRAST_LEVEL=-1e30\n") << QByteArray("IDC_MAX_CONTRAST_LEVEL=0\n");
    QTest::newRow("midtone adjust huge")
        << QByteArray("IDC_ALL_MIDTONE_ADJUST=5e9\n") << QByteArray("IDC_ALL_MIDTONE_ADJUST=100\n");
    QTest::newRow("midtone adjust negative")
        << QByteArray("IDC_ALL_MIDTONE_ADJUST=-5e9\n") << QByteArray("IDC_ALL_MIDTONE_ADJUST=-100\n");
    QTest::newRow("midtone adjust not a number")
        << QByteArray("IDC_ALL_MIDTONE_ADJUST=nan\n") << QByteArray("IDC_ALL_MIDTONE_ADJUST=0\n");
    QTest::newRow("adjust and limit huge") << QByteArray("IDC_ADJUST_R=1e30\nIDC_MAX_MODIFY_R=inf\n")
                                           << QByteArray("IDC_ADJUST_R=100\nIDC_MAX_MODIFY_R=100\n");
    QTest::newRow("factors not numbers")
        << QByteArray("IDC_AUTO_LEVEL_FACTOR=nan\nIDC_COLOR_ENHANCE_MULTI=-nan\n")
        << QByteArray("IDC_AUTO_LEVEL_FACTOR=100\nIDC_COLOR_ENHANCE_MULTI=50\n");
}

void TestColourBalance::fileValuesOutOfRangeActAsTheNearestEnd()
{
    QFETCH(QByteArray, hostile);
    QFETCH(QByteArray, sane);
    const auto balance = [](const QByteArray& keys, CIP_CurveRecord out[4]) {
        QDir().mkpath(QStringLiteral("data/TQ2200"));
        QFile ini(QStringLiteral("data/TQ2200/RGB_Balance_V2-CCD.INI"));
        if (!ini.open(QIODevice::WriteOnly))
            return -1;
        ini.write("[RGB_BALANCE_V2_P\n" + keys);
        ini.close();
        RawImageFixture image(160, 120, 16);
        fillGreys(image, 12, 256);
        CIP_ImageProcess process;
        process.rect = CIP_Rect { 0, 0, 160, 120 };
        const int result = process.rgbBalance(image.view, CIP_ImageProcess::kPositive, true);
        QFile::remove(QStringLiteral("data/TQ2200/RGB_Balance_V2-CCD.INI"));
        std::copy(process.records, process.records + 4, out);
        return result;
    };
    CIP_CurveRecord expected[4];
    CIP_CurveRecord got[4];
    QCOMPARE(balance(sane, expected), 0);
    QCOMPARE(balance(hostile, got), 0);
    for (int c = 0; c < 4; ++c) {
        const CIP_CurveRecord& r = got[c];
        for (int v : { r.blackIn, r.blackOut, r.midIn, r.midOut, r.whiteIn, r.whiteOut })
            QVERIFY2(v >= 0 && v <= 65535, qPrintable(QString::number(v)));
        QCOMPARE(r.blackIn, expected[c].blackIn);
        QCOMPARE(r.blackOut, expected[c].blackOut);
        QCOMPARE(r.midIn, expected[c].midIn);
        QCOMPARE(r.midOut, expected[c].midOut);
        QCOMPARE(r.whiteIn, expected[c].whiteIn);
        QCOMPARE(r.whiteOut, expected[c].whiteOut);
    }
}

void TestColourBalance::middlePointsObeyRanges()
{
    // A strong cast against a tight modification limit: the shift stops at the limit, and an
    // extreme grey mean near black still yields a rising curve inside 1..max.
    CIP_RgbBalanceParams p;
    CIP_RgbBalance::MiddleInput in { { 200, 100, 100 }, { 0, 0, 0 }, { 0, 0, 0 }, { 255, 255, 255 },
        { 255, 255, 255 }, 0.1, { 0.05, 0.05, 0.05 }, 255 };
    CIP_RgbBalance::Middle out[3];
    p.colorEnhanceFactor = 0;
    CIP_RgbBalance::middlePoints(p, in, out);
    const double limit = 0.05 * 255;
    QVERIFY(out[0].midOut >= out[0].midIn - limit - 1);
    QVERIFY(out[1].midOut <= out[1].midIn + limit + 1);
    in.greyMean[0] = 1;
    in.greyMean[1] = 2;
    in.greyMean[2] = 250;
    in.castSaturation = 0.9;
    CIP_RgbBalance::middlePoints(p, in, out);
    for (const auto& m : out) {
        QVERIFY(m.midIn >= 1 && m.midIn <= 255);
        QVERIFY(m.midOut >= 1 && m.midOut <= 255);
    }
}

QTEST_GUILESS_MAIN(TestColourBalance)
#include "test_colourbalance.moc"
