// Tone curves, tables, gamma, auto contrast and the median against their definitions and
// against the plain per-pixel versions.

#include "cip_imageprocess.h"
#include "cip_median.h"
#include "cip_tonecurve.h"
#include "cip_tonetable.h"
#include "rawimage_fixture.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

// The Lagrange sum as floating point gives it, each term y * (num / den): the way the curves
// were once evaluated, kept here to show where that goes wrong and where it is right.
double floatingLagrange(const std::vector<QPointF>& points, double x)
{
    double sum = 0.0;
    for (std::size_t j = 0; j < points.size(); ++j) {
        double num = 1.0, den = 1.0;
        for (std::size_t m = 0; m < points.size(); ++m) {
            if (m != j) {
                num *= x - points[m].x();
                den *= points[j].x() - points[m].x();
            }
        }
        sum += points[j].y() * (num / den);
    }
    return sum;
}

} // namespace

class TestToneSteps : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void threePointRounding_data();
    void threePointRounding();
    void exactHalfRoundsDown_data();
    void exactHalfRoundsDown();
    void curvesMatchFloatingPointAwayFromHalves_data();
    void curvesMatchFloatingPointAwayFromHalves();
    void fourPointFallsBackWhenXCoincide();
    void insetRectangle_data();
    void insetRectangle();
    void tablesMatchReference_data();
    void tablesMatchReference();
    void gammaPositiveMidGrey();
    void gammaNegativeMean175();
    void gamma16BitCapped();
    void gammaEmptyRectLeavesImage();
    void autoContrastConstantImage_data();
    void autoContrastConstantImage();
    void autoContrastStretches();
    void medianMatchesReference_data();
    void medianMatchesReference();
    void medianKeepsBorder();

private:
    QTemporaryDir m_dir;
};

void TestToneSteps::initTestCase()
{
    // No parameter files here: every analysis runs with its documented defaults.
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir::setCurrent(m_dir.path()));
}

void TestToneSteps::threePointRounding_data()
{
    QTest::addColumn<double>("v");
    QTest::addColumn<bool>("invert");
    QTest::addColumn<int>("expected");
    QTest::newRow("half rounds down") << 10.5 << false << 10;
    QTest::newRow("above half rounds up") << 10.5001 << false << 11;
    QTest::newRow("below zero") << -3.0 << false << 0;
    QTest::newRow("above max") << 300.0 << false << 255;
    QTest::newRow("inverted below zero") << -3.0 << true << 255;
    QTest::newRow("inverted above max") << 300.0 << true << 0;
    QTest::newRow("inverted") << 10.6 << true << 244;
}

void TestToneSteps::threePointRounding()
{
    QFETCH(double, v);
    QFETCH(bool, invert);
    QFETCH(int, expected);
    QCOMPARE(int(CIP_ToneCurve::curveValue(v, 255, invert)), expected);
}

void TestToneSteps::exactHalfRoundsDown_data()
{
    QTest::addColumn<int>("midIn");
    QTest::addColumn<int>("midOut");
    QTest::addColumn<int>("white"); // white input and output; black is (0, 0)
    QTest::addColumn<int>("max");
    QTest::addColumn<bool>("invert");
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("expected");
    // The quadratic through (0,0), (12,39), (255,255) is exactly 29.5 at 9.
    QTest::newRow("8-bit") << 12 << 39 << 255 << 255 << false << 9 << 29;
    QTest::newRow("8-bit inverted") << 12 << 39 << 255 << 255 << true << 9 << 255 - 29;
    // ... through (0,0), (7,69), (255,255): 97.5 at 10.
    QTest::newRow("8-bit, another") << 7 << 69 << 255 << 255 << false << 10 << 97;
    // A 16-bit image's own set (white at 65280): 7722.5 at 4560.
    QTest::newRow("16-bit") << 27 * 256 << 45 * 256 << 65280 << 65535 << false << 4560 << 7722;
}

void TestToneSteps::exactHalfRoundsDown()
{
    QFETCH(int, midIn);
    QFETCH(int, midOut);
    QFETCH(int, white);
    QFETCH(int, max);
    QFETCH(bool, invert);
    QFETCH(int, at);
    QFETCH(int, expected);
    // Summed in floating point the value lands a hair above the half and would round up.
    const std::vector<QPointF> points { { 0, 0 }, { double(midIn), double(midOut) },
        { double(white), double(white) } };
    const double half = (invert ? max - expected : expected) + 0.5;
    QVERIFY(floatingLagrange(points, at) > half);
    QCOMPARE(int(CIP_ToneCurve::curveValue(floatingLagrange(points, at), max, invert)),
        invert ? expected - 1 : expected + 1);

    std::vector<uint16_t> table(max + 1);
    CIP_ToneCurve::buildThreePoint(
        CIP_CurveRecord { 0, 0, midIn, midOut, white, white }, max, invert, table.data());
    QCOMPARE(int(table[at]), expected);
    // The points themselves stay exact.
    QCOMPARE(int(table[midIn]), invert ? max - midOut : midOut);
}

void TestToneSteps::curvesMatchFloatingPointAwayFromHalves_data()
{
    QTest::addColumn<bool>("fourPoint");
    QTest::addColumn<int>("max");
    QTest::addColumn<bool>("invert");
    QTest::newRow("three-point 8-bit") << false << 255 << false;
    QTest::newRow("three-point 8-bit inverted") << false << 255 << true;
    QTest::newRow("three-point 16-bit") << false << 65535 << false;
    QTest::newRow("four-point 8-bit") << true << 255 << false;
    QTest::newRow("four-point 16-bit inverted") << true << 65535 << true;
}

void TestToneSteps::curvesMatchFloatingPointAwayFromHalves()
{
    // Wherever floating point is clearly off a half it rounds the same as exact arithmetic,
    // so across many curves the tables agree with it everywhere else.
    QFETCH(bool, fourPoint);
    QFETCH(int, max);
    QFETCH(bool, invert);
    const int scale = (max + 1) / 256;
    std::vector<uint16_t> table(max + 1);
    int compared = 0;
    for (int e = 95; e <= 235; e += 35) {
        for (int d = 40; d <= 240; d += 50) {
            const int firstOut = d * 50 / e + 3; // near the line to the middle point
            std::vector<QPointF> points;
            if (fourPoint) {
                points = { { 0, 0 }, { 50.0 * scale, double(firstOut * scale) },
                    { double(e * scale), double(d * scale) }, { double(max), double(max) } };
                // A cubic that swings far out of range is replaced (tested below).
                bool swings = false;
                for (int i = 0; i <= max; ++i) {
                    const double v = floatingLagrange(points, i);
                    swings = swings || v < -max / 8.0 || v > max + max / 8.0;
                }
                if (swings)
                    continue;
                CIP_ToneCurve::buildFourPoint(
                    CIP_CurveRecord { 50 * scale, firstOut * scale, e * scale, d * scale, max, max }, max,
                    invert, table.data());
            } else {
                points = { { 0, 0 }, { double(e * scale), double(d * scale) }, { double(max), double(max) } };
                CIP_ToneCurve::buildThreePoint(
                    CIP_CurveRecord { 0, 0, e * scale, d * scale, max, max }, max, invert, table.data());
            }
            for (int i = 0; i < max; i += scale == 1 ? 1 : 61) {
                const double v = floatingLagrange(points, i);
                if (std::fabs(v - std::floor(v) - 0.5) < 1e-6)
                    continue;
                QCOMPARE(int(table[i]), int(CIP_ToneCurve::curveValue(v, max, invert)));
                ++compared;
            }
        }
    }
    QVERIFY(compared > 1000);
}

void TestToneSteps::fourPointFallsBackWhenXCoincide()
{
    // e = 50 puts the middle point on the first point's x: the cubic does not exist and the
    // curve through (0,0), (50,d), (255,255) is used instead.
    std::vector<uint16_t> four(256), three(256);
    CIP_ToneCurve::buildFourPoint(CIP_CurveRecord { 50, 30, 50, 80, 255, 255 }, 255, false, four.data());
    CIP_ToneCurve::buildThreePoint(CIP_CurveRecord { 0, 0, 50, 80, 255, 255 }, 255, false, three.data());
    QVERIFY(four == three);
    QCOMPARE(int(four[50]), 80);
    // Middle input at max: the black point is kept instead.
    CIP_ToneCurve::buildFourPoint(CIP_CurveRecord { 50, 30, 255, 200, 255, 255 }, 255, false, four.data());
    QCOMPARE(int(four[50]), 30);
    QCOMPARE(int(four[255]), 255);
    for (int i = 0; i < 256; ++i)
        QVERIFY(four[i] <= 255);
    // A black point just below the middle point (a dense negative: e = 47, first point
    // (50, 136)) would make the cubic swing out of range and clip a third of the picture:
    // the quadratic through (0,0), the middle point and (255,255) is used.
    CIP_ToneCurve::buildFourPoint(CIP_CurveRecord { 50, 136, 47, 109, 255, 255 }, 255, false, four.data());
    CIP_ToneCurve::buildThreePoint(CIP_CurveRecord { 0, 0, 47, 109, 255, 255 }, 255, false, three.data());
    QVERIFY(four == three);
    QCOMPARE(int(four[47]), 109);
    QVERIFY(four[10] > 0);
    // A regular cubic passes through all four points.
    CIP_ToneCurve::buildFourPoint(CIP_CurveRecord { 50, 30, 120, 140, 255, 255 }, 255, false, four.data());
    QCOMPARE(int(four[0]), 0);
    QCOMPARE(int(four[50]), 30);
    QCOMPARE(int(four[120]), 140);
    QCOMPARE(int(four[255]), 255);
}

void TestToneSteps::insetRectangle_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<QRect>("expected"); // left, top, right - 1, bottom - 1 as QRect corners
    // 1000 x 800: default 250,200,750,600; inset: 250+500*8/100=290, 200+400*8/100=232,
    // 750+(290-750)*8/100=750-36=714 (trunc toward zero), 600+(232-600)*8/100=600-29=571.
    QTest::newRow("1000x800") << 1000 << 800 << QRect(QPoint(290, 232), QPoint(713, 570));
    // 428 x 287: default 107,71,321,215; inset 107+17=124, 71+11=82, 321-15=306, 215-10=205.
    QTest::newRow("428x287") << 428 << 287 << QRect(QPoint(124, 82), QPoint(305, 204));
}

void TestToneSteps::insetRectangle()
{
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(QRect, expected);
    CIP_ImageProcess process;
    const CIP_Rect r = process.analysisRect(w, h);
    QCOMPARE(QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)), expected);
    // The stored rectangle is the default, not the inset copy.
    QCOMPARE(process.rect.left, int(w * 0.25));
    QCOMPARE(process.rect.right, int(w * 0.75));
}

void TestToneSteps::tablesMatchReference_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("threads");
    QTest::newRow("8-bit, 1 thread") << 8 << 1;
    QTest::newRow("8-bit, 2 threads") << 8 << 2;
    QTest::newRow("16-bit, 1 thread") << 16 << 1;
    QTest::newRow("16-bit, 2 threads") << 16 << 2;
}

void TestToneSteps::tablesMatchReference()
{
    QFETCH(int, bits);
    QFETCH(int, threads);
    QRandomGenerator rng(bits + threads);
    std::vector<uint16_t> tables(3 * 65536);
    for (auto& t : tables)
        t = uint16_t(rng.bounded(65536));
    const uint16_t* const t3[3] = { &tables[0], &tables[65536], &tables[131072] };
    const std::size_t pixels = 300001; // not a multiple of the thread split
    std::vector<uint16_t> src(pixels * 3);
    for (auto& s : src)
        s = uint16_t(rng.bounded(bits == 8 ? 256 : 65536));
    std::vector<uint8_t> src8(src.begin(), src.end());
    const void* in = bits == 8 ? static_cast<const void*>(src8.data()) : static_cast<const void*>(src.data());
    const std::size_t bytes = pixels * 3 * bits / 8;
    std::vector<char> fast(bytes), reference(bytes),
        inPlace(static_cast<const char*>(in), static_cast<const char*>(in) + bytes);
    CIP_ToneTable::apply(in, fast.data(), pixels, bits, 3, t3, threads);
    CIP_ToneTable::applyReference(in, reference.data(), pixels, bits, 3, t3);
    CIP_ToneTable::apply(inPlace.data(), inPlace.data(), pixels, bits, 3, t3, threads);
    QVERIFY(fast == reference);
    QVERIFY(inPlace == reference);
    if (bits == 8)
        QCOMPARE(int(uint8_t(reference[0])), int(tables[src8[0]] & 0xff));
}

void TestToneSteps::gammaPositiveMidGrey()
{
    RawImageFixture image(64, 48, 8);
    image.fill(100, 100, 100);
    CIP_ImageProcess process;
    QCOMPARE(process.gammaCurve(image.view, CIP_ImageProcess::kPositive, false), 0);
    QCOMPARE(process.records[0].midIn, 100);
    QCOMPARE(process.records[0].midOut, 140);
    QCOMPARE(int(process.table(0)[100]), 140);
    QCOMPARE(int(process.table16(1)[100 * 256]), 140 * 256);
    QCOMPARE(image.at(10, 10, 0), 140);
    QCOMPARE(image.at(63, 47, 2), 140);
}

void TestToneSteps::gammaNegativeMean175()
{
    RawImageFixture image(64, 48, 8);
    image.fill(175, 175, 175);
    CIP_ImageProcess process;
    QCOMPARE(process.gammaCurve(image.view, CIP_ImageProcess::kColourNegative, false), 0);
    QCOMPARE(process.records[1].midIn, 175);
    QCOMPARE(process.records[1].midOut, 123);
    QCOMPARE(int(process.table(1)[175]), 123);
    QCOMPARE(image.at(0, 0, 1), 123);
    // The first point comes from the provisional positive curve at 50.
    QCOMPARE(process.records[1].blackIn, 50);
    QCOMPARE(process.records16[1].blackIn, 50 * 256);
}

void TestToneSteps::gamma16BitCapped()
{
    RawImageFixture image(80, 60, 16);
    QRandomGenerator rng(5);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
            image.set(x, y, rng.bounded(65536), rng.bounded(65536), x == 0 ? 65535 : rng.bounded(65536));
    CIP_ImageProcess process;
    QCOMPARE(process.gammaCurve(image.view, CIP_ImageProcess::kPositive, false), 0);
    int highest = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
            for (int c = 0; c < 3; ++c)
                highest = std::max(highest, image.at(x, y, c));
    QVERIFY(highest <= 65280);
    QCOMPARE(highest, 65280); // the 65535 samples land exactly on the cap
}

void TestToneSteps::gammaEmptyRectLeavesImage()
{
    RawImageFixture image(20, 20, 8);
    image.fill(90, 60, 30);
    const auto before = image.bytes;
    CIP_ImageProcess process;
    process.rect = CIP_Rect { 10, 0, 10, 0 }; // what an auto crop of a black image leaves
    QCOMPARE(process.gammaCurve(image.view, CIP_ImageProcess::kPositive, false), CIP_ImageProcess::kNoPixels);
    QVERIFY(image.bytes == before);
}

void TestToneSteps::autoContrastConstantImage_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("8-bit above knee") << 8 << 150 << 255;
    QTest::newRow("8-bit at knee") << 8 << 109 << 109;
    QTest::newRow("16-bit above knee") << 16 << 30000 << 65535;
    QTest::newRow("16-bit below knee") << 16 << 20000 << 20000;
}

void TestToneSteps::autoContrastConstantImage()
{
    QFETCH(int, bits);
    QFETCH(int, value);
    QFETCH(int, expected);
    RawImageFixture image(40, 30, bits);
    image.fill(value, value, value);
    CIP_ImageProcess process;
    process.rect = CIP_Rect { 0, 0, 40, 30 };
    QCOMPARE(process.autoContrast(image.view, CIP_ImageProcess::kPositive), 0);
    QCOMPARE(image.at(5, 5, 0), expected);
    QCOMPARE(image.at(39, 29, 2), expected);
    QCOMPARE(int(process.table(2)[bits == 8 ? 200 : 50000]), bits == 8 ? 255 : 65535);
}

void TestToneSteps::autoContrastStretches()
{
    // A ramp from 60 to 180: the stretched table maps a to 0, rises, and reaches 255 at H.
    RawImageFixture image(121, 10, 8);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 121; ++x)
            image.set(x, y, 60 + x, 60 + x, 60 + x);
    CIP_ImageProcess process;
    process.rect = CIP_Rect { 0, 0, 121, 10 };
    QCOMPARE(process.autoContrast(image.view, CIP_ImageProcess::kPositive), 0);
    const uint16_t* t = process.table(0);
    QCOMPARE(int(t[0]), 0);
    QCOMPARE(int(t[255]), 255);
    QVERIFY(t[60] <= 5);
    QVERIFY(t[180] >= 250);
    for (int i = 1; i < 256; ++i)
        QVERIFY(t[i] >= t[i - 1]);
    QCOMPARE(image.at(0, 0, 0), int(t[60]));
}

void TestToneSteps::medianMatchesReference_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("threads");
    QTest::newRow("16-bit odd size, 1 thread") << 16 << 777 << 53 << 1;
    QTest::newRow("16-bit odd size, 2 threads") << 16 << 777 << 53 << 2;
    QTest::newRow("8-bit, 2 threads") << 8 << 1500 << 40 << 2;
    QTest::newRow("narrow") << 16 << 3 << 5 << 2;
}

void TestToneSteps::medianMatchesReference()
{
    QFETCH(int, bits);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, threads);
    QRandomGenerator rng(width * height + bits);
    const std::size_t samples = std::size_t(width) * height * 3;
    std::vector<uint16_t> src(samples);
    for (auto& s : src)
        s = uint16_t(rng.bounded(bits == 8 ? 256 : 65536));
    std::vector<uint8_t> src8(src.begin(), src.end());
    const void* in = bits == 8 ? static_cast<const void*>(src8.data()) : static_cast<const void*>(src.data());
    const std::size_t bytes = samples * bits / 8;
    std::vector<char> fast(bytes), reference(bytes);
    CIP_Median::filter(in, fast.data(), width, height, bits, 3, 3, threads);
    CIP_Median::filterReference(in, reference.data(), width, height, bits, 3, 3);
    QVERIFY(fast == reference);
}

void TestToneSteps::medianKeepsBorder()
{
    // A bright outer frame around a dark inside: the median darkens the frame's inner
    // neighbours but the outermost rows and columns keep their values.
    RawImageFixture image(9, 7, 16);
    image.fill(1000, 2000, 3000);
    for (int x = 0; x < 9; ++x) {
        image.set(x, 0, 60000, 60000, 60000);
        image.set(x, 6, 60000, 60000, 60000);
    }
    for (int y = 0; y < 7; ++y) {
        image.set(0, y, 60000, 60000, 60000);
        image.set(8, y, 60000, 60000, 60000);
    }
    image.set(4, 3, 65535, 0, 65535); // an impulse the median removes
    CIP_ImageProcess process;
    QVERIFY(process.noiseReduction(image.view, 3));
    for (int x = 0; x < 9; ++x) {
        QCOMPARE(image.at(x, 0, 0), 60000);
        QCOMPARE(image.at(x, 6, 2), 60000);
    }
    for (int y = 0; y < 7; ++y) {
        QCOMPARE(image.at(0, y, 1), 60000);
        QCOMPARE(image.at(8, y, 1), 60000);
    }
    QCOMPARE(image.at(4, 3, 0), 1000);
    QCOMPARE(image.at(4, 3, 1), 2000);
    QCOMPARE(image.at(1, 1, 0), 60000); // five of its nine neighbours are frame
}

QTEST_GUILESS_MAIN(TestToneSteps)
#include "test_tonesteps.moc"
