// The parts of the SANE device library that need no device: frames of every kind
// into rows, the reduction to the asked size, the film base, the choice of resolution
// and the placing of the area.

#include <boxreducer.h>
#include <filmbase.h>
#include <frameassembler.h>
#include <scanplan.h>

#include <QtTest>

#include <cstring>
#include <vector>

using namespace sanedev;

namespace
{

struct Rows {
    std::vector<std::uint16_t> samples;
    int count = 0;
    int stopAfter = -1;
};

FrameAssembler::RowSink collect(Rows& rows, int width)
{
    return [&rows, width](const std::uint16_t* rgb) {
        rows.samples.insert(rows.samples.end(), rgb, rgb + std::size_t(width) * 3);
        ++rows.count;
        return rows.stopAfter < 0 || rows.count < rows.stopAfter;
    };
}

// Feeds data in pieces of the given size.
bool feedInPieces(FrameAssembler& assembler, const std::vector<std::uint8_t>& data, std::size_t piece)
{
    for (std::size_t at = 0; at < data.size(); at += piece) {
        if (!assembler.feed(data.data() + at, std::min(piece, data.size() - at)))
            return false;
    }
    return true;
}

} // namespace

class TestRowAssembly : public QObject
{
    Q_OBJECT

private slots:
    void singleFrames_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("padding");
        QTest::addColumn<int>("piece");
        QTest::newRow("colour 16, whole lines") << int(FrameFormat::Kind::Rgb) << 16 << 0 << 4096;
        QTest::newRow("colour 16, odd pieces") << int(FrameFormat::Kind::Rgb) << 16 << 0 << 7;
        QTest::newRow("colour 8, padded") << int(FrameFormat::Kind::Rgb) << 8 << 5 << 3;
        QTest::newRow("grey 8, padded, byte by byte") << int(FrameFormat::Kind::Grey) << 8 << 3 << 1;
        QTest::newRow("grey 16") << int(FrameFormat::Kind::Grey) << 16 << 2 << 11;
    }

    // Rows come out whatever the pieces, with the padding left out, 8 bits widened to
    // the full 16-bit range and grey spread to three channels.
    void singleFrames()
    {
        QFETCH(int, kind);
        QFETCH(int, depth);
        QFETCH(int, padding);
        QFETCH(int, piece);
        const auto frameKind = FrameFormat::Kind(kind);
        const int width = 5;
        const int lines = 4;
        const int channels = frameKind == FrameFormat::Kind::Grey ? 1 : 3;
        const int bytesPerSample = depth / 8;
        const int bytesPerLine = width * channels * bytesPerSample + padding;
        std::vector<std::uint8_t> data;
        std::vector<std::uint16_t> expected;
        for (int y = 0; y < lines; ++y) {
            for (int x = 0; x < width; ++x) {
                for (int c = 0; c < channels; ++c) {
                    const int value = (y * 40 + x * 7 + c * 3) % 256;
                    std::uint16_t wide = std::uint16_t(value * 257);
                    if (depth == 16) {
                        wide = std::uint16_t(value * 251 + c);
                        std::uint8_t bytes[2];
                        std::memcpy(bytes, &wide, 2);
                        data.insert(data.end(), bytes, bytes + 2);
                    } else {
                        data.push_back(std::uint8_t(value));
                    }
                    for (int copy = 0; copy < 4 - channels; ++copy)
                        expected.push_back(wide);
                }
            }
            data.insert(data.end(), std::size_t(padding), 0xEE);
        }
        QCOMPARE(int(data.size()), bytesPerLine * lines);

        Rows rows;
        FrameAssembler assembler(collect(rows, width));
        QVERIFY(assembler.beginFrame({ frameKind, depth, bytesPerLine, width, lines, true }));
        QVERIFY(feedInPieces(assembler, data, std::size_t(piece)));
        QVERIFY(assembler.endFrame());
        QVERIFY(assembler.complete());
        QCOMPARE(rows.count, lines);
        QCOMPARE(rows.samples, expected);
    }

    // Three frames in any order make one image, handed on only after the last.
    void threePass()
    {
        const int width = 3;
        const int lines = 2;
        Rows rows;
        FrameAssembler assembler(collect(rows, width));
        const FrameFormat::Kind order[3]
            = { FrameFormat::Kind::Blue, FrameFormat::Kind::Red, FrameFormat::Kind::Green };
        const int base[3] = { 2, 0, 1 };
        for (int f = 0; f < 3; ++f) {
            QVERIFY(assembler.beginFrame({ order[f], 8, width, width, lines, f == 2 }));
            std::vector<std::uint8_t> data;
            for (int i = 0; i < width * lines; ++i)
                data.push_back(std::uint8_t(10 * base[f] + i));
            QVERIFY(assembler.feed(data.data(), data.size()));
            QVERIFY(assembler.endFrame());
            QCOMPARE(rows.count, f == 2 ? lines : 0);
        }
        for (int i = 0; i < width * lines; ++i) {
            for (int c = 0; c < 3; ++c)
                QCOMPARE(int(rows.samples[std::size_t(i * 3 + c)]), (10 * c + i) * 257);
        }
    }

    void lineArt()
    {
        Rows rows;
        FrameAssembler assembler(collect(rows, 10));
        QVERIFY(assembler.beginFrame({ FrameFormat::Kind::Grey, 1, 2, 10, 1, true }));
        const std::uint8_t bits[2] = { 0x80, 0x40 }; // pixels 0 and 9 set: black in grey
        QVERIFY(assembler.feed(bits, 2));
        QCOMPARE(int(rows.samples[0]), 0);
        QCOMPARE(int(rows.samples[3]), 65535);
        QCOMPARE(int(rows.samples[27]), 0);
    }

    void refusedFrames_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("bytesPerLine");
        QTest::addColumn<int>("lines");
        QTest::newRow("12 bits") << 12 << 100 << 2;
        QTest::newRow("lines too short") << 16 << 29 << 2;
        QTest::newRow("unknown height") << 8 << 15 << -1;
    }

    void refusedFrames()
    {
        QFETCH(int, depth);
        QFETCH(int, bytesPerLine);
        QFETCH(int, lines);
        Rows rows;
        FrameAssembler assembler(collect(rows, 5));
        QVERIFY(!assembler.beginFrame({ FrameFormat::Kind::Rgb, depth, bytesPerLine, 5, lines, true }));
    }

    // A frame whose data end early is not complete; a stop from the sink ends feeding.
    void shortFrameAndStop()
    {
        Rows rows;
        FrameAssembler assembler(collect(rows, 2));
        QVERIFY(assembler.beginFrame({ FrameFormat::Kind::Rgb, 8, 6, 2, 3, true }));
        const std::vector<std::uint8_t> twoLines(12, 1);
        QVERIFY(assembler.feed(twoLines.data(), twoLines.size()));
        QVERIFY(!assembler.endFrame());
        QVERIFY(!assembler.complete());

        Rows stopping;
        stopping.stopAfter = 1;
        FrameAssembler stopped(collect(stopping, 2));
        QVERIFY(stopped.beginFrame({ FrameFormat::Kind::Rgb, 8, 6, 2, 3, true }));
        const std::vector<std::uint8_t> all(18, 1);
        QVERIFY(!stopped.feed(all.data(), all.size()));
        QVERIFY(stopped.stopped());
        QCOMPARE(stopping.count, 1);
    }

    void reduction_data()
    {
        QTest::addColumn<int>("inWidth");
        QTest::addColumn<int>("inHeight");
        QTest::addColumn<int>("outWidth");
        QTest::addColumn<int>("outHeight");
        QTest::newRow("three to one") << 9 << 6 << 3 << 2;
        QTest::newRow("uneven") << 1293 << 861 << 431 << 287;
        QTest::newRow("same size") << 4 << 3 << 4 << 3;
        QTest::newRow("enlarged") << 2 << 2 << 5 << 3;
    }

    // Every output row comes once, in order, and a flat picture stays flat; a ramp
    // keeps its mean.
    void reduction()
    {
        QFETCH(int, inWidth);
        QFETCH(int, inHeight);
        QFETCH(int, outWidth);
        QFETCH(int, outHeight);
        std::vector<std::uint16_t> out;
        int rows = 0;
        BoxReducer reducer(inWidth, inHeight, outWidth, outHeight, [&](const std::uint16_t* rgb) {
            out.insert(out.end(), rgb, rgb + std::size_t(outWidth) * 3);
            ++rows;
            return true;
        });
        std::vector<std::uint16_t> row(std::size_t(inWidth) * 3);
        for (int y = 0; y < inHeight; ++y) {
            for (int x = 0; x < inWidth; ++x) {
                row[std::size_t(x) * 3] = 1000; // flat
                row[std::size_t(x) * 3 + 1] = std::uint16_t(x * 60000 / inWidth); // ramp across
                row[std::size_t(x) * 3 + 2] = std::uint16_t(y * 60000 / inHeight); // ramp down
            }
            QVERIFY(reducer.push(row.data()));
        }
        QCOMPARE(rows, outHeight);
        double across = 0;
        double down = 0;
        for (int i = 0; i < outWidth * outHeight; ++i) {
            QCOMPARE(int(out[std::size_t(i) * 3]), 1000);
            across += out[std::size_t(i) * 3 + 1];
            down += out[std::size_t(i) * 3 + 2];
        }
        const double expectedAcross = 60000.0 / inWidth * (inWidth - 1) / 2;
        const double expectedDown = 60000.0 / inHeight * (inHeight - 1) / 2;
        QVERIFY(std::abs(across / (outWidth * outHeight) - expectedAcross) < 60000.0 / inWidth);
        QVERIFY(std::abs(down / (outWidth * outHeight) - expectedDown) < 60000.0 / inHeight);
        // A box mean: the first output pixel of "three to one" averages columns 0-2.
        if (inWidth == 9 && outWidth == 3)
            QCOMPARE(int(out[1]), (0 + 6666 + 13333 + 1) / 3);
    }

    void resolutions_data()
    {
        QTest::addColumn<bool>("isRange");
        QTest::addColumn<QVector<double>>("offer"); // min, max, quant or the list
        QTest::addColumn<double>("asked");
        QTest::addColumn<bool>("atLeast");
        QTest::addColumn<double>("expected");
        QTest::newRow("range, nearest")
            << true << QVector<double> { 1, 1200, 1 } << 3600.0 << false << 1200.0;
        QTest::newRow("range, below its start")
            << true << QVector<double> { 900, 1200, 1 } << 300.0 << true << 900.0;
        QTest::newRow("range, steps")
            << true << QVector<double> { 100, 1000, 150 } << 330.0 << false << 400.0;
        QTest::newRow("range, at least in steps")
            << true << QVector<double> { 100, 1000, 150 } << 260.0 << true << 400.0;
        QTest::newRow("list, nearest")
            << false << QVector<double> { 1200, 2400, 4800 } << 3600.0 << false << 4800.0;
        QTest::newRow("list, nearest below")
            << false << QVector<double> { 75, 150, 300, 600, 1200 } << 1800.0 << false << 1200.0;
        QTest::newRow("list, at least")
            << false << QVector<double> { 2000, 1000, 4000 } << 300.0 << true << 1000.0;
        QTest::newRow("list, all below") << false << QVector<double> { 100, 200 } << 300.0 << true << 200.0;
        QTest::newRow("empty list") << false << QVector<double> {} << 300.0 << false << 0.0;
    }

    void resolutions()
    {
        QFETCH(bool, isRange);
        QFETCH(QVector<double>, offer);
        QFETCH(double, asked);
        QFETCH(bool, atLeast);
        QFETCH(double, expected);
        ResolutionOffer resolutions;
        resolutions.isRange = isRange;
        if (isRange) {
            resolutions.min = offer[0];
            resolutions.max = offer[1];
            resolutions.quant = offer[2];
        } else {
            resolutions.list = std::vector<double>(offer.begin(), offer.end());
        }
        QCOMPARE(pickResolution(resolutions, asked, atLeast), expected);
    }

    void areas_data()
    {
        QTest::addColumn<QVector<double>>("inches"); // left, top, right, bottom
        QTest::addColumn<bool>("placed");
        QTest::addColumn<QVector<double>>("mm");
        QTest::newRow("inside") << QVector<double> { 0, 0, 1, 0.5 } << true
                                << QVector<double> { 10, 5, 35.4, 17.7 };
        QTest::newRow("clipped") << QVector<double> { 0.5, 0.5, 3, 3 } << true
                                 << QVector<double> { 22.7, 17.7, 60, 40 };
        QTest::newRow("outside") << QVector<double> { 2.5, 0, 3, 1 } << false << QVector<double> {};
        QTest::newRow("empty") << QVector<double> { 0.5, 0.5, 0.5, 1 } << false << QVector<double> {};
        QTest::newRow("not a number") << QVector<double> { 0, 0, qQNaN(), 1 } << false << QVector<double> {};
    }

    // The window's corner is the device's; what lies beyond the device is cut off.
    void areas()
    {
        QFETCH(QVector<double>, inches);
        QFETCH(bool, placed);
        QFETCH(QVector<double>, mm);
        AreaMm area;
        QCOMPARE(mapArea(inches[0], inches[1], inches[2], inches[3], { 10, 60 }, { 5, 40 }, &area), placed);
        if (!placed)
            return;
        QVERIFY(std::abs(area.left - mm[0]) < 1e-9);
        QVERIFY(std::abs(area.top - mm[1]) < 1e-9);
        QVERIFY(std::abs(area.right - mm[2]) < 1e-9);
        QVERIFY(std::abs(area.bottom - mm[3]) < 1e-9);
    }

    // The base is the brightest part of the film, not the open light beside it.
    void filmBase()
    {
        FilmBaseMeter meter;
        std::vector<std::uint16_t> row(300 * 3);
        for (int x = 0; x < 300; ++x) {
            const bool open = x < 20; // light past the film's edge
            const bool base = x >= 20 && x < 60;
            row[std::size_t(x) * 3] = open ? 65535 : base ? 40000 : 12000 + x;
            row[std::size_t(x) * 3 + 1] = open ? 65535 : base ? 26000 : 9000;
            row[std::size_t(x) * 3 + 2] = open ? 65500 : base ? 15000 : 5000;
        }
        for (int y = 0; y < 10; ++y)
            meter.add(row.data(), 300);
        const std::array<double, 3> base = meter.base();
        QVERIFY(std::abs(base[0] * 65535 - 40000) < 16);
        QVERIFY(std::abs(base[1] * 65535 - 26000) < 16);
        QVERIFY(std::abs(base[2] * 65535 - 15000) < 16);

        // Nothing but open light: nothing measured.
        FilmBaseMeter empty;
        std::vector<std::uint16_t> open(30, 65535);
        empty.add(open.data(), 10);
        QCOMPARE(empty.base()[0], 1.0);
    }
};

QTEST_APPLESS_MAIN(TestRowAssembly)
#include "test_rowassembly.moc"
