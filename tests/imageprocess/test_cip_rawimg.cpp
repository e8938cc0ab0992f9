#include "cip_rawimg.h"
#include "rawimage_fixture.h"

#include <QtTest>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace
{

void fillRandom(RawImageFixture& v, unsigned seed, int maxValue)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> dist(0, maxValue);
    for (int y = 0; y < v.view.height; ++y)
        for (int x = 0; x < v.view.width; ++x)
            v.set(x, y, dist(rng), dist(rng), dist(rng));
}

} // namespace

class TestCipRawImg : public QObject
{
    Q_OBJECT

private slots:
    void hsv_data();
    void hsv();
    void hsvRedDistance();
    void colourFilter_data();
    void colourFilter();
    void sixteenBitLowByteFirst();
    void noFilterCountsEveryPixel();
    void fastHistogramMatchesReference_data();
    void fastHistogramMatchesReference();
    void blockMeansMatchDoubleMean();
    void filteredHistogramAndNegative();
    void limitsTakePixelsOut();
    void brightnessHistogram_data();
    void brightnessHistogram();
    void hueWindowResetAfterAnalysis();
    void emptyAndOutsideRectangles();
};

void TestCipRawImg::hsv_data()
{
    QTest::addColumn<float>("r");
    QTest::addColumn<float>("g");
    QTest::addColumn<float>("b");
    QTest::addColumn<int>("bits");
    QTest::addColumn<float>("hue");
    QTest::addColumn<float>("sat");
    QTest::addColumn<float>("val");
    QTest::newRow("black") << 0.f << 0.f << 0.f << 8 << 0.f << 0.f << 0.f;
    QTest::newRow("grey") << 100.f << 100.f << 100.f << 8 << 0.f << 0.f << 100.f / 255.f;
    QTest::newRow("white16") << 65535.f << 65535.f << 65535.f << 16 << 0.f << 0.f << 1.f;
    QTest::newRow("red") << 255.f << 0.f << 0.f << 8 << 0.f << 1.f << 1.f;
    QTest::newRow("red-yellow") << 200.f << 100.f << 0.f << 8 << 30.f << 1.f << 200.f / 255.f;
    QTest::newRow("red-magenta wraps") << 200.f << 0.f << 100.f << 8 << 330.f << 1.f << 200.f / 255.f;
    QTest::newRow("green") << 0.f << 255.f << 0.f << 8 << 120.f << 1.f << 1.f;
    QTest::newRow("green-cyan") << 50.f << 200.f << 150.f << 8 << 160.f << 0.75f << 200.f / 255.f;
    QTest::newRow("blue") << 0.f << 0.f << 255.f << 8 << 240.f << 1.f << 1.f;
    QTest::newRow("blue-magenta") << 100.f << 0.f << 200.f << 8 << 270.f << 1.f << 200.f / 255.f;
    QTest::newRow("blue-cyan") << 0.f << 100.f << 200.f << 8 << 210.f << 1.f << 200.f / 255.f;
}

void TestCipRawImg::hsv()
{
    QFETCH(float, r);
    QFETCH(float, g);
    QFETCH(float, b);
    QFETCH(int, bits);
    QFETCH(float, hue);
    QFETCH(float, sat);
    QFETCH(float, val);
    float h = -1, s = -1, v = -1;
    CIP_RawImg::RGBtoHSV(r, g, b, bits, h, s, v);
    QVERIFY(std::isfinite(h) && std::isfinite(s) && std::isfinite(v));
    QCOMPARE(h, hue);
    QCOMPARE(s, sat);
    QVERIFY(std::fabs(v - val) < 1e-6f);
}

void TestCipRawImg::hsvRedDistance()
{
    float h, s, v;
    CIP_RawImg::RGBtoHSVRedDistance(200.f, 0.f, 100.f, h, s, v); // 330 degrees
    QVERIFY(std::fabs(h - 30.f / 180.f) < 1e-6f);
    CIP_RawImg::RGBtoHSVRedDistance(0.f, 255.f, 255.f, h, s, v); // cyan, 180 degrees
    QCOMPARE(h, 1.0f);
    CIP_RawImg::RGBtoHSVRedDistance(50.f, 50.f, 50.f, h, s, v);
    QCOMPARE(h, 0.0f);
    QCOMPARE(s, 0.0f);
}

void TestCipRawImg::colourFilter_data()
{
    QTest::addColumn<int>("hueMin");
    QTest::addColumn<int>("hueMax");
    QTest::addColumn<float>("satMin");
    QTest::addColumn<float>("satMax");
    QTest::addColumn<float>("refHue");
    QTest::addColumn<float>("hueTol");
    QTest::addColumn<float>("hueWeight");
    // pixel 200,100,0: hue 30, saturation 1; pixel 200,150,100: hue 30, saturation 0.5
    QTest::addColumn<bool>("keepSaturated");
    QTest::addColumn<bool>("keepPale");
    QTest::newRow("hue window holds 30") << 20 << 40 << -1.f << -1.f << -1.f << -1.f << -1.f << true << true;
    QTest::newRow("hue window misses 30")
        << 40 << 90 << -1.f << -1.f << -1.f << -1.f << -1.f << false << false;
    QTest::newRow("saturation window") << -1 << -1 << 0.4f << 0.6f << -1.f << -1.f << -1.f << false << true;
    // Weight at the reference hue itself is the hue weight: 2 x (0.3 .. 0.6) = 0.6 .. 1.2
    QTest::newRow("reference hue widens") << -1 << -1 << 0.3f << 0.6f << 30.f << 20.f << 2.f << true << false;
    // Half way in the tolerance: weight 1.5 -> 0.45 .. 0.9, both fall out or in
    QTest::newRow("reference hue half way")
        << -1 << -1 << 0.3f << 0.6f << 40.f << 20.f << 2.f << false << true;
    QTest::newRow("reference hue out of tolerance")
        << -1 << -1 << 0.3f << 0.6f << 100.f << 20.f << 2.f << false << true;
}

void TestCipRawImg::colourFilter()
{
    QFETCH(int, hueMin);
    QFETCH(int, hueMax);
    QFETCH(float, satMin);
    QFETCH(float, satMax);
    QFETCH(float, refHue);
    QFETCH(float, hueTol);
    QFETCH(float, hueWeight);
    QFETCH(bool, keepSaturated);
    QFETCH(bool, keepPale);
    RawImageFixture v(2, 1, 8);
    v.set(0, 0, 200, 100, 0);
    v.set(1, 0, 200, 150, 100);
    CIP_RawImg& img = v.view;
    img.hueMin = hueMin;
    img.hueMax = hueMax;
    img.satMin = satMin;
    img.satMax = satMax;
    img.refHue = refHue;
    img.hueTol = hueTol;
    img.hueWeight = hueWeight;
    QVERIFY(img.colourFilterSet());
    QCOMPARE(img.passesColourFilter(200, 100, 0), keepSaturated);
    QCOMPARE(img.passesColourFilter(200, 150, 100), keepPale);
    QCOMPARE(img.ChannelHistogram(0, 0, 2, 1, true, nullptr, nullptr, CIP_RawImg::kPositive), 0);
    QCOMPARE(img.pixelsCounted, std::uint32_t(int(keepSaturated) + int(keepPale)));
    QCOMPARE(img.channelHist[200], std::uint32_t(int(keepSaturated) + int(keepPale)));
}

void TestCipRawImg::sixteenBitLowByteFirst()
{
    RawImageFixture v(1, 1, 16);
    const unsigned char raw[6] = { 0x34, 0x12, 0x01, 0x00, 0x00, 0xff };
    std::memcpy(v.bytes.data(), raw, 6);
    QCOMPARE(v.view.sample(0, 0, 0), 0x1234);
    QCOMPARE(v.view.sample(0, 0, 1), 1);
    QCOMPARE(v.view.sample(0, 0, 2), 0xff00);
    QCOMPARE(v.view.ChannelHistogram(0, 0, 1, 1, false, nullptr, nullptr, 1), 0);
    QCOMPARE(v.view.channelHist[0x1234], 1u);
    QCOMPARE(v.view.channelHist[65536 + 1], 1u);
    QCOMPARE(v.view.channelHist[2 * 65536 + 0xff00], 1u);
    QCOMPARE(v.view.mean[0], float(0x1234));
}

void TestCipRawImg::noFilterCountsEveryPixel()
{
    RawImageFixture v(40, 30, 8);
    fillRandom(v, 7, 255);
    v.view.satMin = 0.2f; // a window without the filter flag has no effect
    v.view.satMax = 0.3f;
    QCOMPARE(v.view.ChannelHistogram(5, 4, 25, 14, false, nullptr, nullptr, 1), 0);
    QCOMPARE(v.view.pixelsCounted, 200u);
    std::uint32_t sum = 0;
    for (int i = 0; i < 256; ++i)
        sum += v.view.channelHist[256 + i];
    QCOMPARE(sum, 200u);
}

void TestCipRawImg::fastHistogramMatchesReference_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("thresholds"); // 0 none, 1 inside the range, 2 at and past its ends
    QTest::addColumn<int>("highest"); // largest sample value drawn; -1: the full range
    QTest::newRow("8-bit small") << 8 << 97 << 61 << 1 << -1;
    QTest::newRow("8-bit, thresholds at the ends") << 8 << 97 << 61 << 2 << -1;
    QTest::newRow("16-bit small") << 16 << 97 << 61 << 1 << -1;
    QTest::newRow("16-bit threaded, odd rows, thresholds") << 16 << 1501 << 1000 << 1 << -1;
    QTest::newRow("16-bit threaded, thresholds at the ends") << 16 << 1500 << 1000 << 2 << -1;
    QTest::newRow("16-bit threaded") << 16 << 1500 << 1000 << 0 << -1;
    // Five values over 1.5 Mpx: the 16-bit counters pass 65535 several times.
    QTest::newRow("16-bit counters past 65535") << 16 << 1500 << 1000 << 1 << 4;
}

void TestCipRawImg::fastHistogramMatchesReference()
{
    QFETCH(int, bits);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, thresholds);
    QFETCH(int, highest);
    RawImageFixture v(width, height, bits);
    fillRandom(v, 11, highest < 0 ? (1 << bits) - 1 : highest);
    const int inside[3] = { 100, (1 << bits) / 2, (1 << bits) - 10 };
    const int ends[3] = { -5, 0, 1 << bits }; // every sample, every sample, none
    const int* t = thresholds == 0 ? nullptr : thresholds == 1 ? inside : ends;
    const int left = 3, top = 2, right = width - 5, bottom = height - 1;

    CIP_RawImg& img = v.view;
    QCOMPARE(img.ChannelHistogramReference(left, top, right, bottom, false, t, nullptr, 1), 0);
    const int levels = 1 << bits;
    std::vector<std::uint32_t> hist(img.channelHist, img.channelHist + 3 * levels);
    const float means[3] = { img.mean[0], img.mean[1], img.mean[2] };
    const std::uint32_t above[3] = { img.countAbove[0], img.countAbove[1], img.countAbove[2] };

    QCOMPARE(img.ChannelHistogram(left, top, right, bottom, false, t, nullptr, 1), 0);
    QVERIFY(std::equal(hist.begin(), hist.end(), img.channelHist));
    for (int c = 0; c < 3; ++c) {
        // Bit for bit, whichever path and thread split (QCOMPARE on floats would be fuzzy).
        QVERIFY2(img.mean[c] == means[c],
            qPrintable(QString("channel %1: %2 vs %3")
                           .arg(c)
                           .arg(double(img.mean[c]), 0, 'g', 9)
                           .arg(double(means[c]), 0, 'g', 9)));
        QCOMPARE(img.countAbove[c], above[c]);
    }
    QCOMPARE(img.pixelsCounted, std::uint32_t((right - left) * (bottom - top)));
}

void TestCipRawImg::blockMeansMatchDoubleMean()
{
    // 5 Mpx of bright 16-bit samples: a plain 32-bit sum would overflow long before.
    RawImageFixture v(2500, 2000, 16);
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> dist(40000, 65535);
    double sums[3] = { 0, 0, 0 };
    for (int y = 0; y < 2000; ++y) {
        for (int x = 0; x < 2500; ++x) {
            const int s[3] = { dist(rng), dist(rng) / 2, dist(rng) / 7 };
            v.set(x, y, s[0], s[1], s[2]);
            for (int c = 0; c < 3; ++c)
                sums[c] += s[c];
        }
    }
    QCOMPARE(v.view.ChannelHistogram(0, 0, 2500, 2000, false, nullptr, nullptr, 1), 0);
    for (int c = 0; c < 3; ++c) {
        const double expected = sums[c] / 5e6;
        QVERIFY2(std::fabs(v.view.mean[c] - expected) < expected * 2e-5,
            qPrintable(QString("channel %1: %2 vs %3").arg(c).arg(v.view.mean[c]).arg(expected)));
    }
    QCOMPARE(v.view.BrightnessHistogram(0, 0, 2500, 2000, false, 0, false), 0);
    QVERIFY(v.view.mean[3] > 20000.f && v.view.mean[3] < 30000.f);
}

void TestCipRawImg::filteredHistogramAndNegative()
{
    // Two dark-blue pixels and two near-white ones; as a negative the filter sees their
    // inverses (near-yellow and near-black).
    RawImageFixture v(4, 1, 8);
    v.set(0, 0, 10, 10, 200);
    v.set(1, 0, 10, 10, 200);
    v.set(2, 0, 240, 240, 250);
    v.set(3, 0, 250, 250, 250);
    v.view.hueMin = 200;
    v.view.hueMax = 260;
    QCOMPARE(v.view.ChannelHistogram(0, 0, 4, 1, true, nullptr, nullptr, CIP_RawImg::kPositive), 0);
    QCOMPARE(v.view.pixelsCounted, 3u); // blue, blue and the bluish white; grey has hue 0
    QCOMPARE(v.view.mean[2], (200.f + 200.f + 250.f) / 3.f);

    v.view.hueMin = 40; // inverted blue (245, 245, 55) is yellow: hue 60
    v.view.hueMax = 80;
    QCOMPARE(v.view.ChannelHistogram(0, 0, 4, 1, true, nullptr, nullptr, CIP_RawImg::kNegative), 0);
    QCOMPARE(v.view.pixelsCounted, 3u);
    QCOMPARE(v.view.channelHist[10], 2u); // the histogram counts the raw samples
}

void TestCipRawImg::limitsTakePixelsOut()
{
    RawImageFixture v(4, 1, 8);
    v.set(0, 0, 10, 20, 30);
    v.set(1, 0, 200, 20, 30); // red above the limit: green and blue skipped
    v.set(2, 0, 10, 20, 30);
    v.set(3, 0, 10, 20, 30);
    const int limits[3] = { 100, -1, -1 };
    const int thresholds[3] = { 0, 0, 0 };
    QCOMPARE(v.view.ChannelHistogram(0, 0, 4, 1, false, thresholds, limits, CIP_RawImg::kPositive), 0);
    QCOMPARE(v.view.channelHist[200], 1u);
    QCOMPARE(v.view.channelHist[256 + 20], 3u);
    QCOMPARE(v.view.countAbove[1], 3u);
    QCOMPARE(v.view.mean[0], 30.f / 3.f); // three red samples summed over a total of 4 - 1
    QCOMPARE(v.view.mean[1], 60.f / 3.f);

    const int negLimits[3] = { -1, -1, 25 }; // a negative cuts below the limit
    QCOMPARE(v.view.ChannelHistogram(0, 0, 4, 1, false, nullptr, negLimits, CIP_RawImg::kNegative), 0);
    QCOMPARE(v.view.channelHist[2 * 256 + 30], 4u);
    QCOMPARE(v.view.mean[2], 30.f);
}

void TestCipRawImg::brightnessHistogram_data()
{
    QTest::addColumn<bool>("luminance");
    QTest::addColumn<int>("expected");
    QTest::newRow("mean") << false << (200 + 100 + 50) / 3;
    QTest::newRow("luminance") << true << (299 * 200 + 587 * 100 + 114 * 50) / 1000;
}

void TestCipRawImg::brightnessHistogram()
{
    QFETCH(bool, luminance);
    QFETCH(int, expected);
    RawImageFixture v(3, 2, 8);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            v.set(x, y, 200, 100, 50);
    QCOMPARE(v.view.BrightnessHistogram(0, 0, 3, 2, false, expected, luminance), 0);
    QCOMPARE(v.view.brightnessHist[expected], 6u);
    QCOMPARE(v.view.countAbove[0], 6u);
    QCOMPARE(v.view.mean[3], float(expected));
    QCOMPARE(v.view.BrightnessHistogram(0, 0, 3, 2, false, expected + 1, luminance), 0);
    QCOMPARE(v.view.countAbove[0], 0u);
}

void TestCipRawImg::hueWindowResetAfterAnalysis()
{
    RawImageFixture v(2, 2, 8);
    fillRandom(v, 5, 255);
    for (int op = 0; op < 3; ++op) {
        v.view.hueMin = 10;
        v.view.hueMax = 300;
        v.view.satMin = 0.0f;
        v.view.satMax = 1.0f;
        v.view.refHue = 50.f;
        if (op == 0)
            v.view.ChannelHistogram(0, 0, 2, 2, true, nullptr, nullptr, 1);
        else if (op == 1)
            v.view.ChannelHistogram(0, 0, 2, 2, false, nullptr, nullptr, 1);
        else
            v.view.BrightnessHistogram(0, 0, 2, 2, true, 0, true);
        QCOMPARE(v.view.hueMin, -1);
        QCOMPARE(v.view.hueMax, -1);
        QCOMPARE(v.view.satMin, 0.0f);
        QCOMPARE(v.view.satMax, 1.0f);
        QCOMPARE(v.view.refHue, 50.f);
    }
}

void TestCipRawImg::emptyAndOutsideRectangles()
{
    RawImageFixture v(10, 10, 16);
    fillRandom(v, 9, 65535);
    QCOMPARE(v.view.ChannelHistogram(5, 5, 5, 9, false, nullptr, nullptr, 1), 0);
    QCOMPARE(v.view.pixelsCounted, 0u);
    QCOMPARE(v.view.mean[0], 0.f);
    QCOMPARE(v.view.BrightnessHistogram(3, 3, 3, 3, true, 0, false), 0);
    QCOMPARE(v.view.mean[3], 0.f);
    // A rectangle reaching outside the image is clipped to it, never read past it.
    QCOMPARE(v.view.ChannelHistogram(-4, 8, 30, 40, false, nullptr, nullptr, 1), 0);
    QCOMPARE(v.view.pixelsCounted, 20u);
}

QTEST_APPLESS_MAIN(TestCipRawImg)
#include "test_cip_rawimg.moc"
