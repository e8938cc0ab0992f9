// The fast brightness and saturation route against QColor itself.
//
// The fast route is forward(rgb) -> move one integer component -> back(hsv or hsl). It is
// proven equal to QColor for every offset at once: the forward conversion is compared on every
// 8-bit triple and on ten million random 16-bit triples, and the back conversion on every
// integer triple it can be given (hue -1..359 x 256 x 256), which every offset lands in. A
// direct comparison of whole buffers for a set of offsets then checks the wiring (clamping,
// scaling of the samples, the thread split).
//
// Under a sanitizer build the 16-bit triples and the 8-bit triples are sampled (every 8th
// 8-bit triple, one million 16-bit triples) to keep the stage fast; the dev build does the
// full count.

#include "cip_hsvadjust.h"
#include "cip_parallel.h"

#include <QColor>
#include <QRandomGenerator>
#include <QtTest>

#include <atomic>
#include <cstdint>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

namespace
{

enum Model { Hsv, Hsl };

CIP_HsvAdjust::Triple qcolorForward(const QColor& c, Model model)
{
    CIP_HsvAdjust::Triple t;
    if (model == Hsv)
        c.getHsv(&t.hue, &t.saturation, &t.third);
    else
        c.getHsl(&t.hue, &t.saturation, &t.third);
    return t;
}

struct Mismatch {
    std::atomic<long long> count { 0 };
    std::atomic<long long> first { -1 };

    void note(long long index)
    {
        if (count.fetch_add(1) == 0)
            first = index;
    }
};

std::vector<uint16_t> random16(std::size_t pixels, quint32 seed)
{
    QRandomGenerator rng(seed);
    std::vector<uint16_t> v(pixels * 3);
    for (auto& s : v)
        s = static_cast<uint16_t>(rng.bounded(65536));
    return v;
}

} // namespace

class TestHsvAdjust : public QObject
{
    Q_OBJECT

private slots:
    void forwardMatchesQColor_data();
    void forwardMatchesQColor();
    void backMatchesQColor_data();
    void backMatchesQColor();
    void buffersMatchReference_data();
    void buffersMatchReference();
    void brightnessEnds();
    void saturationZeroLeavesImage();
};

void TestHsvAdjust::forwardMatchesQColor_data()
{
    QTest::addColumn<int>("model");
    QTest::newRow("hsv") << int(Hsv);
    QTest::newRow("hsl") << int(Hsl);
}

void TestHsvAdjust::forwardMatchesQColor()
{
    QFETCH(int, model);
    const Model m = Model(model);
    const auto fast = [m](int r, int g, int b) {
        return m == Hsv ? CIP_HsvAdjust::toHsv(r, g, b) : CIP_HsvAdjust::toHsl(r, g, b);
    };

    // Every 8-bit triple, given to QColor as fractions of 255 as the steps do.
    Mismatch bad8;
    const int stride = kSanitized ? 8 : 1;
    CIP_Parallel::run(256, 1 << 20, 2, [&](std::size_t first, std::size_t end) {
        for (int r = int(first); r < int(end); ++r) {
            for (int g = 0; g < 256; ++g) {
                for (int b = (r + g) % stride; b < 256; b += stride) {
                    const auto want = qcolorForward(QColor::fromRgbF(r / 255.0, g / 255.0, b / 255.0), m);
                    const auto got = fast(r * 257, g * 257, b * 257);
                    if (want.hue != got.hue || want.saturation != got.saturation || want.third != got.third)
                        bad8.note((r << 16) | (g << 8) | b);
                }
            }
        }
    });
    QVERIFY2(bad8.count == 0,
        qPrintable(QStringLiteral("%1 8-bit triples differ, first 0x%2")
                       .arg(bad8.count.load())
                       .arg(bad8.first.load(), 6, 16, QLatin1Char('0'))));

    const std::size_t count16 = kSanitized ? 1000000 : 10000000;
    const std::vector<uint16_t> samples = random16(count16, 7001 + model);
    Mismatch bad16;
    CIP_Parallel::run(count16 / 1000, 1 << 20, 2, [&](std::size_t first, std::size_t end) {
        for (std::size_t p = first * 1000; p < end * 1000; ++p) {
            const int r = samples[p * 3], g = samples[p * 3 + 1], b = samples[p * 3 + 2];
            const auto want = qcolorForward(QColor::fromRgbF(r / 65535.0, g / 65535.0, b / 65535.0), m);
            const auto got = fast(r, g, b);
            if (want.hue != got.hue || want.saturation != got.saturation || want.third != got.third)
                bad16.note(static_cast<long long>(p));
        }
    });
    QVERIFY2(
        bad16.count == 0, qPrintable(QStringLiteral("%1 16-bit triples differ").arg(bad16.count.load())));
}

void TestHsvAdjust::backMatchesQColor_data()
{
    forwardMatchesQColor_data();
}

void TestHsvAdjust::backMatchesQColor()
{
    QFETCH(int, model);
    const Model m = Model(model);
    // hue -1..359: the forward side can also give 360, which QColor's setters fold to 0
    // just as hue 0; fromHsv/fromHsl fold it the same way, checked at the end.
    Mismatch bad;
    CIP_Parallel::run(361, 1 << 20, 2, [&](std::size_t first, std::size_t end) {
        for (int h = int(first) - 1; h < int(end) - 1; ++h) {
            for (int s = 0; s < 256; ++s) {
                for (int x = 0; x < 256; ++x) {
                    QColor c;
                    if (m == Hsv)
                        c.setHsv(h, s, x);
                    else
                        c.setHsl(h, s, x);
                    const QRgba64 want = c.toRgb().rgba64();
                    int got[3];
                    if (m == Hsv)
                        CIP_HsvAdjust::fromHsv({ h, s, x }, got);
                    else
                        CIP_HsvAdjust::fromHsl({ h, s, x }, got);
                    if (want.red() != got[0] || want.green() != got[1] || want.blue() != got[2])
                        bad.note((long long)(h + 1) << 16 | s << 8 | x);
                }
            }
        }
    });
    QVERIFY2(bad.count == 0,
        qPrintable(QStringLiteral("%1 triples differ, first h+1=%2 s=%3 x=%4")
                       .arg(bad.count.load())
                       .arg(bad.first.load() >> 16)
                       .arg((bad.first.load() >> 8) & 255)
                       .arg(bad.first.load() & 255)));
    int a[3], b[3];
    for (int s : { 1, 128, 255 }) {
        m == Hsv ? CIP_HsvAdjust::fromHsv({ 360, s, 200 }, a) : CIP_HsvAdjust::fromHsl({ 360, s, 200 }, a);
        m == Hsv ? CIP_HsvAdjust::fromHsv({ 0, s, 200 }, b) : CIP_HsvAdjust::fromHsl({ 0, s, 200 }, b);
        QCOMPARE(a[0], b[0]);
        QCOMPARE(a[1], b[1]);
        QCOMPARE(a[2], b[2]);
    }
}

void TestHsvAdjust::buffersMatchReference_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("offset");
    for (int bits : { 8, 16 }) {
        for (int offset : { -255, -100, -1, 0, 1, 37, 100, 255 }) {
            QTest::addRow("hsv %d-bit %+d", bits, offset) << int(Hsv) << bits << offset;
            QTest::addRow("hsl %d-bit %+d", bits, offset) << int(Hsl) << bits << offset;
        }
    }
}

void TestHsvAdjust::buffersMatchReference()
{
    QFETCH(int, model);
    QFETCH(int, bits);
    QFETCH(int, offset);
    const std::size_t pixels = kSanitized ? 20000 : 200000;
    std::vector<uint16_t> wide = random16(pixels, quint32(bits * 1000 + offset + 500 + model));
    std::vector<uint8_t> narrow(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i)
        narrow[i] = static_cast<uint8_t>(wide[i] >> 8);
    void* reference = bits == 16 ? static_cast<void*>(wide.data()) : static_cast<void*>(narrow.data());
    const std::size_t bytes = wide.size() * (bits / 8);
    std::vector<char> oneThread(static_cast<char*>(reference), static_cast<char*>(reference) + bytes);
    std::vector<char> twoThreads = oneThread;

    if (model == Hsv) {
        CIP_HsvAdjust::brightnessReference(reference, pixels, bits, 3, offset);
        CIP_HsvAdjust::brightness(oneThread.data(), pixels, bits, 3, offset, 1);
        CIP_HsvAdjust::brightness(twoThreads.data(), pixels, bits, 3, offset, 2);
    } else {
        CIP_HsvAdjust::saturationReference(reference, pixels, bits, 3, offset);
        CIP_HsvAdjust::saturation(oneThread.data(), pixels, bits, 3, offset, 1);
        CIP_HsvAdjust::saturation(twoThreads.data(), pixels, bits, 3, offset, 2);
    }
    QVERIFY(memcmp(reference, oneThread.data(), bytes) == 0);
    QVERIFY(memcmp(reference, twoThreads.data(), bytes) == 0);
}

void TestHsvAdjust::brightnessEnds()
{
    // +100 on white stays white, -255 makes black, at both depths.
    uint8_t white8[6] = { 255, 255, 255, 255, 255, 255 };
    CIP_HsvAdjust::brightness(white8, 2, 8, 3, 100);
    for (uint8_t s : white8)
        QCOMPARE(int(s), 255);
    uint16_t white16[3] = { 65535, 65535, 65535 };
    CIP_HsvAdjust::brightness(white16, 1, 16, 3, 100);
    for (uint16_t s : white16)
        QCOMPARE(int(s), 65535);

    uint16_t colours[9] = { 65535, 1200, 30000, 400, 400, 400, 12345, 54321, 999 };
    CIP_HsvAdjust::brightness(colours, 3, 16, 3, -255);
    for (uint16_t s : colours)
        QCOMPARE(int(s), 0);
    uint8_t colours8[6] = { 255, 0, 12, 90, 90, 91 };
    CIP_HsvAdjust::brightness(colours8, 2, 8, 3, -255);
    for (uint8_t s : colours8)
        QCOMPARE(int(s), 0);
}

void TestHsvAdjust::saturationZeroLeavesImage()
{
    std::vector<uint16_t> image = random16(1000, 42);
    const std::vector<uint16_t> before = image;
    CIP_HsvAdjust::saturation(image.data(), 1000, 16, 3, 0);
    QVERIFY(image == before);
    // Greys stay grey whatever the saturation offset: their hue is undefined.
    uint8_t grey[3] = { 77, 77, 77 };
    CIP_HsvAdjust::saturation(grey, 1, 8, 3, 200);
    QCOMPARE(int(grey[0]), 77);
    QCOMPARE(int(grey[1]), 77);
    QCOMPARE(int(grey[2]), 77);
}

QTEST_GUILESS_MAIN(TestHsvAdjust)
#include "test_hsvadjust.moc"
