#include "pipelinefixtures.h"

#include <cip_filmterms.h>
#include <levelstables.h>
#include <processingsteps.h>
#include <stimage.h>
#include <tonehistogram.h>

#include <QImage>
#include <QtTest>

#include <cmath>
#include <cstring>

namespace
{

LevelsSettings levels(const LevelsChannel& all, const LevelsChannel& red = LevelsChannel(),
    const LevelsChannel& green = LevelsChannel(), const LevelsChannel& blue = LevelsChannel())
{
    LevelsSettings result;
    result.channels = { all, red, green, blue };
    return result;
}

// Every pixel a different mix, the edges of the range included.
STImage texture(std::uint32_t width, std::uint32_t height, std::uint32_t bits)
{
    STImage image = STImage::zeroed(width, height, bits, 3);
    const std::uint32_t full = bits == 8 ? 255 : 65535;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            image.setRed(x, y, (x * 2654435761u + y) % (full + 1));
            image.setGreen(x, y, (x * 40503u + y * 977u) % (full + 1));
            image.setBlue(x, y, x == 0 ? 0 : x == width - 1 ? full : (y * 2246822519u + x) % (full + 1));
        }
    }
    return image;
}

STImage solid(std::uint32_t width, std::uint32_t height, std::uint32_t bits, std::uint32_t r, std::uint32_t g,
    std::uint32_t b)
{
    STImage image = STImage::zeroed(width, height, bits, 3);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            image.setRed(x, y, r);
            image.setGreen(x, y, g);
            image.setBlue(x, y, b);
        }
    }
    return image;
}

bool sameSamples(const STImage& a, const STImage& b)
{
    return a.width() == b.width() && a.height() == b.height() && a.bitsPerSample() == b.bitsPerSample()
        && a.byteCount() == b.byteCount() && std::memcmp(a.data(), b.data(), a.byteCount()) == 0;
}

} // namespace

Q_DECLARE_METATYPE(LevelsChannel)
Q_DECLARE_METATYPE(LevelsSettings)
Q_DECLARE_METATYPE(ProcessingOptions)

class TestLevels : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void normalised_data();
    void normalised();
    void mapping_data();
    void mapping();
    void tablesMatchReference_data();
    void tablesMatchReference();
    void histogramOfMadePictures_data();
    void histogramOfMadePictures();
    void histogramOfRamp();
    void histogramOfPreviewMatchesScan();
    void autoLevelsClipAtMostTheShare_data();
    void autoLevelsClipAtMostTheShare();
    void levelsComeLastInEveryPipeline_data();
    void levelsComeLastInEveryPipeline();

private:
    FilmTerms m_terms;
};

void TestLevels::initTestCase()
{
    // The analyses read their parameter files relative to the working folder.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
}

void TestLevels::normalised_data()
{
    QTest::addColumn<LevelsChannel>("given");
    QTest::addColumn<LevelsChannel>("expected");

    QTest::newRow("in range stays") << LevelsChannel { 10, 240, 1.5 } << LevelsChannel { 10, 240, 1.5 };
    QTest::newRow("points beyond the scale") << LevelsChannel { -20, 300, 1.0 } << LevelsChannel();
    QTest::newRow("black pulled to 0") << LevelsChannel { -20, 200, 1.0 } << LevelsChannel { 0, 200, 1.0 };
    QTest::newRow("white pulled to 255") << LevelsChannel { 30, 999, 2.0 } << LevelsChannel { 30, 255, 2.0 };
    QTest::newRow("black above white is neutral") << LevelsChannel { 200, 100, 0.5 } << LevelsChannel();
    QTest::newRow("narrower than the minimum range") << LevelsChannel { 100, 101, 0.5 } << LevelsChannel();
    QTest::newRow("smallest range") << LevelsChannel { 100, 102, 0.5 } << LevelsChannel { 100, 102, 0.5 };
    QTest::newRow("gamma to two decimals")
        << LevelsChannel { 0, 255, 1.23456 } << LevelsChannel { 0, 255, 1.23 };
    QTest::newRow("gamma below the limit")
        << LevelsChannel { 0, 255, 0.0 } << LevelsChannel { 0, 255, LevelsChannel::kMinGamma };
    QTest::newRow("gamma above the limit")
        << LevelsChannel { 0, 255, 50.0 } << LevelsChannel { 0, 255, LevelsChannel::kMaxGamma };
    QTest::newRow("gamma not a number")
        << LevelsChannel { 5, 250, std::nan("") } << LevelsChannel { 5, 250, 1.0 };
}

void TestLevels::normalised()
{
    QFETCH(LevelsChannel, given);
    QFETCH(LevelsChannel, expected);
    QCOMPARE(given.normalised(), expected);
    QCOMPARE(levels(given, given, given, given).normalised(), levels(expected, expected, expected, expected));
}

void TestLevels::mapping_data()
{
    QTest::addColumn<LevelsSettings>("settings");
    QTest::addColumn<int>("channel");
    QTest::addColumn<double>("input");
    QTest::addColumn<double>("expected");

    const LevelsSettings stretch = levels(LevelsChannel { 51, 204, 1.0 });
    QTest::newRow("at the black point") << stretch << 0 << 0.2 << 0.0;
    QTest::newRow("below the black point") << stretch << 1 << 0.1 << 0.0;
    QTest::newRow("middle of the range") << stretch << 2 << 0.5 << 0.5;
    QTest::newRow("at the white point") << stretch << 0 << 0.8 << 1.0;
    const LevelsSettings lighter = levels(LevelsChannel { 0, 255, 2.0 });
    QTest::newRow("gamma 2 lightens the middle") << lighter << 0 << 0.25 << 0.5;
    QTest::newRow("gamma keeps the ends") << lighter << 1 << 1.0 << 1.0;
    // The channel's own levels come first, those of all channels after them.
    const LevelsSettings both = levels(LevelsChannel { 0, 128, 1.0 }, LevelsChannel { 0, 255, 0.5 });
    QTest::newRow("channel first, then all") << both << 0 << 0.5 << std::min(1.0, 0.25 * 255.0 / 128.0);
    QTest::newRow("other channels only through all") << both << 1 << 0.25 << 0.25 * 255.0 / 128.0;
}

void TestLevels::mapping()
{
    QFETCH(LevelsSettings, settings);
    QFETCH(int, channel);
    QFETCH(double, input);
    QFETCH(double, expected);
    QVERIFY2(std::abs(settings.map(channel, input) - expected) < 1e-9,
        qPrintable(QString::number(settings.map(channel, input), 'g', 12)));
}

void TestLevels::tablesMatchReference_data()
{
    QTest::addColumn<LevelsSettings>("settings");
    QTest::addColumn<int>("bits");

    const LevelsSettings perChannel = levels(LevelsChannel { 8, 250, 1.1 }, LevelsChannel { 20, 230, 0.7 },
        LevelsChannel { 0, 200, 1.0 }, LevelsChannel { 40, 255, 2.5 });
    QTest::newRow("every channel, 16 bits") << perChannel << 16;
    QTest::newRow("every channel, 8 bits") << perChannel << 8;
    QTest::newRow("all channels alike, 16 bits") << levels(LevelsChannel { 30, 220, 0.8 }) << 16;
    QTest::newRow("two channels share their levels") << levels(LevelsChannel(),
        LevelsChannel { 10, 200, 1.4 }, LevelsChannel { 10, 200, 1.4 }, LevelsChannel { 0, 180, 1.0 })
                                                     << 16;
}

// The tables against the entry-by-entry oracle, and the image mapped through them
// against the oracle per sample.
void TestLevels::tablesMatchReference()
{
    QFETCH(LevelsSettings, settings);
    QFETCH(int, bits);

    const LevelsTables tables(settings, bits);
    QVERIFY(!tables.isNeutral());
    const LevelsTables tablesOfOtherDepth(settings, bits == 8 ? 16 : 8);
    const int max = bits == 8 ? 255 : 65535;
    for (int c = 0; c < 3; ++c) {
        for (int v = 0; v <= max; ++v) {
            const quint16 expected = LevelsTables::entry(settings, c, v, bits);
            if (tables.table(c)[v] != expected)
                QFAIL(qPrintable(QStringLiteral("channel %1 sample %2: %3, not %4")
                                     .arg(c)
                                     .arg(v)
                                     .arg(tables.table(c)[v])
                                     .arg(expected)));
        }
        QCOMPARE(int(tables.table(c)[max]), settings.map(c, 1.0) == 1.0 ? max : int(tables.table(c)[max]));
    }

    const STImage original = texture(97, 31, std::uint32_t(bits));
    STImage mapped(original);
    tables.apply(mapped);
    for (std::uint32_t y = 0; y < original.height(); y += 3) {
        for (std::uint32_t x = 0; x < original.width(); ++x) {
            QCOMPARE(mapped.red(x, y),
                std::uint32_t(LevelsTables::entry(settings, 0, int(original.red(x, y)), bits)));
            QCOMPARE(mapped.green(x, y),
                std::uint32_t(LevelsTables::entry(settings, 1, int(original.green(x, y)), bits)));
            QCOMPARE(mapped.blue(x, y),
                std::uint32_t(LevelsTables::entry(settings, 2, int(original.blue(x, y)), bits)));
        }
    }

    // Tables of one depth leave an image of the other as it is.
    const STImage other = texture(20, 10, bits == 8 ? 16 : 8);
    STImage untouched(other);
    tables.apply(untouched);
    QVERIFY(sameSamples(untouched, other));
    // Tables that take over the unchanged steps of others are the same as new ones.
    LevelsSettings before = settings;
    before[LevelsSettings::All].gamma = 2.5; // a different step of all channels
    before[LevelsSettings::Green] = LevelsChannel { 1, 254, 1.0 };
    const LevelsTables previous(before, bits);
    const LevelsTables reused(settings, bits, &previous);
    const LevelsTables otherDepth(settings, bits, &tablesOfOtherDepth);
    for (int c = 0; c < 3; ++c) {
        QVERIFY(std::equal(tables.table(c), tables.table(c) + max + 1, reused.table(c)));
        QVERIFY(std::equal(tables.table(c), tables.table(c) + max + 1, otherDepth.table(c)));
    }

    // Neutral tables hold nothing and change nothing.
    QVERIFY(LevelsTables(LevelsSettings(), bits).isNeutral());
}

void TestLevels::histogramOfMadePictures_data()
{
    QTest::addColumn<STImage>("image");
    QTest::addColumn<QVector<int>>("bins"); // red, green, blue, luminance
    QTest::addColumn<QVector<double>>("black"); // clipped shares, red, green, blue, luminance
    QTest::addColumn<QVector<double>>("white");

    QTest::newRow("black, 8 bits") << solid(10, 10, 8, 0, 0, 0) << QVector<int> { 0, 0, 0, 0 }
                                   << QVector<double> { 1, 1, 1, 1 } << QVector<double> { 0, 0, 0, 0 };
    QTest::newRow("white, 16 bits") << solid(10, 10, 16, 65535, 65535, 65535)
                                    << QVector<int> { 255, 255, 255, 255 } << QVector<double> { 0, 0, 0, 0 }
                                    << QVector<double> { 1, 1, 1, 1 };
    // 65280 is in the top bin but is not full scale: not clipped.
    QTest::newRow("top bin without clipping, 16 bits")
        << solid(4, 4, 16, 65280, 65280, 65280) << QVector<int> { 255, 255, 255, 255 }
        << QVector<double> { 0, 0, 0, 0 } << QVector<double> { 0, 0, 0, 0 };
    // Pure red: luminance 299 * 255 / 1000 = 76.
    QTest::newRow("pure red, 8 bits") << solid(8, 2, 8, 255, 0, 0) << QVector<int> { 255, 0, 0, 76 }
                                      << QVector<double> { 0, 1, 1, 0 } << QVector<double> { 1, 0, 0, 0 };
    // Sixteen bits fall in the bin of their high byte: 0x7F80 -> 127, 0x1234 -> 18, 0xC000 -> 192.
    QTest::newRow("mixed, 16 bits") << solid(3, 3, 16, 0x7F80, 0x1234,
        0xC000) << QVector<int> { 127, 18, 192, (299 * 127 + 587 * 18 + 114 * 192) / 1000 }
                                    << QVector<double> { 0, 0, 0, 0 } << QVector<double> { 0, 0, 0, 0 };
}

void TestLevels::histogramOfMadePictures()
{
    QFETCH(STImage, image);
    QFETCH(QVector<int>, bins);
    QFETCH(QVector<double>, black);
    QFETCH(QVector<double>, white);

    const ToneHistogram histogram = ToneHistogram::of(image);
    const quint64 pixels = quint64(image.width()) * image.height();
    QCOMPARE(histogram.pixels(), pixels);
    for (int c = 0; c < ToneHistogram::kChannels; ++c) {
        const auto channel = ToneHistogram::Channel(c);
        const ToneHistogram::Counts& counts = histogram.counts(channel);
        QCOMPARE(quint64(counts[std::size_t(bins[c])]), pixels);
        QCOMPARE(std::accumulate(counts.begin(), counts.end(), quint64(0)), pixels);
        QCOMPARE(histogram.clippedBlack(channel), black[c]);
        QCOMPARE(histogram.clippedWhite(channel), white[c]);
        // A solid picture has one bar, as tall as the drawing allows on either scale.
        QCOMPARE(histogram.heights(channel, ToneHistogram::Linear)[std::size_t(bins[c])], 1.0);
        QCOMPARE(histogram.heights(channel, ToneHistogram::Logarithmic)[std::size_t(bins[c])], 1.0);
    }
}

void TestLevels::histogramOfRamp()
{
    // Every 8-bit value four times in each channel, red rising, blue falling.
    QImage ramp(256, 4, QImage::Format_RGB888);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 256; ++x)
            ramp.setPixel(x, y, qRgb(x, 128, 255 - x));
    }
    const ToneHistogram histogram = ToneHistogram::of(ramp);
    QCOMPARE(histogram.pixels(), quint64(1024));
    for (int v = 0; v < 256; ++v) {
        QCOMPARE(histogram.counts(ToneHistogram::Red)[std::size_t(v)], 4u);
        QCOMPARE(histogram.counts(ToneHistogram::Blue)[std::size_t(v)], 4u);
    }
    QCOMPARE(histogram.counts(ToneHistogram::Green)[128], 1024u);
    QCOMPARE(histogram.clippedBlack(ToneHistogram::Red), 1.0 / 256);
    QCOMPARE(histogram.clippedWhite(ToneHistogram::Blue), 1.0 / 256);
    QCOMPARE(histogram.clippedWhite(ToneHistogram::Green), 0.0);

    // Linear heights relative to the tallest bar of all curves (green's 1024).
    const auto linear = histogram.heights(ToneHistogram::Red, ToneHistogram::Linear);
    QCOMPARE(linear[100], 4.0 / 1024);
    const auto logarithmic = histogram.heights(ToneHistogram::Red, ToneHistogram::Logarithmic);
    QCOMPARE(logarithmic[100], std::log1p(4.0) / std::log1p(1024.0));
    QVERIFY(logarithmic[100] > linear[100]);

    // A spike of clipped pixels does not flatten the rest: three quarters of a picture
    // at white, the rest at 128.
    STImage spike = solid(8, 8, 8, 255, 255, 255);
    for (std::uint32_t x = 0; x < 8; ++x) {
        for (std::uint32_t y = 0; y < 2; ++y) {
            spike.setRed(x, y, 128);
            spike.setGreen(x, y, 128);
            spike.setBlue(x, y, 128);
        }
    }
    const ToneHistogram spiked = ToneHistogram::of(spike);
    QCOMPARE(spiked.heights(ToneHistogram::Red, ToneHistogram::Linear)[128], 1.0);
    QCOMPARE(spiked.heights(ToneHistogram::Red, ToneHistogram::Linear)[255], 1.0);
    QCOMPARE(spiked.clippedWhite(ToneHistogram::Red), 0.75);

    // A format other than 24-bit RGB is read the same.
    const ToneHistogram converted = ToneHistogram::of(ramp.convertToFormat(QImage::Format_ARGB32));
    QCOMPARE(converted.counts(ToneHistogram::Luminance), histogram.counts(ToneHistogram::Luminance));
    QCOMPARE(ToneHistogram::of(QImage()).pixels(), quint64(0));
}

// The 16-bit picture and its 8-bit preview have the same histogram: the bins are the
// high bytes the preview shows.
void TestLevels::histogramOfPreviewMatchesScan()
{
    const STImage wide = texture(200, 120, 16);
    const ToneHistogram fromScan = ToneHistogram::of(wide);
    const ToneHistogram fromPreview = ToneHistogram::of(wide.toQImage());
    for (int c = 0; c < ToneHistogram::kChannels; ++c)
        QCOMPARE(fromScan.counts(ToneHistogram::Channel(c)), fromPreview.counts(ToneHistogram::Channel(c)));
}

void TestLevels::autoLevelsClipAtMostTheShare_data()
{
    QTest::addColumn<double>("share");
    QTest::addColumn<int>("black");
    QTest::addColumn<int>("white");

    // The ramp of 256 x 4 pixels holds 4 pixels (1/256) per level.
    QTest::newRow("nothing may clip") << 0.0 << 0 << 255;
    QTest::newRow("less than one level") << 0.003 << 0 << 255;
    QTest::newRow("one level each end") << 1.0 / 256 << 0 << 255;
    QTest::newRow("two levels each end") << 2.0 / 256 << 1 << 254;
    QTest::newRow("five per cent") << 0.05 << 11 << 244;
}

void TestLevels::autoLevelsClipAtMostTheShare()
{
    QFETCH(double, share);
    QFETCH(int, black);
    QFETCH(int, white);

    QImage ramp(256, 4, QImage::Format_RGB888);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 256; ++x)
            ramp.setPixel(x, y, qRgb(x, x, x));
    }
    const ToneHistogram histogram = ToneHistogram::of(ramp);
    const LevelsSettings current = levels(LevelsChannel { 5, 250, 1.7 }, LevelsChannel { 0, 255, 0.8 });
    const LevelsSettings found = histogram.autoLevels(share, current);
    QVERIFY(found[LevelsSettings::All].isNeutral());
    for (LevelsSettings::Channel c : { LevelsSettings::Red, LevelsSettings::Green, LevelsSettings::Blue }) {
        QCOMPARE(found[c].black, black);
        QCOMPARE(found[c].white, white);
    }
    QCOMPARE(found[LevelsSettings::Red].gamma, 0.8); // the channels' gammas are kept

    // Mapping the ramp through the found levels clips no more than the share at each end
    // (green: red's kept gamma darkens the lowest levels to 0 on its own).
    STImage image = STImage::zeroed(256, 4, 8, 3);
    for (std::uint32_t y = 0; y < 4; ++y) {
        for (std::uint32_t x = 0; x < 256; ++x) {
            image.setRed(x, y, x);
            image.setGreen(x, y, x);
            image.setBlue(x, y, x);
        }
    }
    LevelsTables(found, 8).apply(image);
    const ToneHistogram after = ToneHistogram::of(image);
    QVERIFY(after.clippedBlack(ToneHistogram::Green) <= std::max(share, 1.0 / 256) + 1e-12);
    QVERIFY(after.clippedWhite(ToneHistogram::Green) <= std::max(share, 1.0 / 256) + 1e-12);

    // A black picture leaves no range to stretch: its channels keep their levels.
    const LevelsSettings flat = ToneHistogram::of(solid(4, 4, 8, 0, 0, 0)).autoLevels(0.0, current);
    QCOMPARE(flat[LevelsSettings::Red], current[LevelsSettings::Red]);
    QCOMPARE(flat[LevelsSettings::Blue], current[LevelsSettings::Blue]);
}

void TestLevels::levelsComeLastInEveryPipeline_data()
{
    QTest::addColumn<ProcessingOptions>("options");
    QTest::addColumn<bool>("tableStepLast"); // the final scan ends on a table pass

    ProcessingOptions film;
    film.filmMode = true;
    film.filmType = FilmType::NegativeColour;
    film.balance = film.colour = film.contrast = true;
    film.modelCode = 82;
    QTest::newRow("film, table steps last") << film << true;
    ProcessingOptions filmAll = film;
    filmAll.noiseReduction = true;
    filmAll.brightness = 20;
    QTest::newRow("film, noise reduction and brightness last") << filmAll << false;
    ProcessingOptions positive = film;
    positive.filmType = FilmType::PositiveColour;
    positive.balance = positive.colour = false;
    positive.brightness = -15;
    QTest::newRow("positive, brightness last") << positive << false;
    ProcessingOptions slides;
    slides.contrast = true;
    slides.modelCode = 82;
    QTest::newRow("slides, table steps last") << slides << true;
    ProcessingOptions slidesSaturated = slides;
    slidesSaturated.saturation = 30;
    QTest::newRow("slides, saturation last") << slidesSaturated << false;
}

// Levels are the last step of the prescan and of the final scan: both give the
// pipeline's result without levels mapped through the levels' tables, whether the table
// steps are fused or dumped one by one. In the final scan they add at most one table
// pass and none where the pipeline ends on one.
void TestLevels::levelsComeLastInEveryPipeline()
{
    QFETCH(ProcessingOptions, options);
    QFETCH(bool, tableStepLast);

    ProcessingOptions levelled = options;
    levelled.levels = levels(LevelsChannel { 12, 240, 1.3 }, LevelsChannel { 0, 230, 1.0 }, LevelsChannel(),
        LevelsChannel { 20, 255, 0.8 });
    const LevelsTables tables(levelled.levels, 16);

    const auto prescan = [&](const ProcessingOptions& with, const PipelineHooks& hooks) {
        ProcessingSteps steps;
        steps.setFilmTermTables(m_terms.pointers());
        STImage image = filmFrame(431, 287, 16);
        steps.runPrescan(image, with, hooks);
        return image;
    };
    STImage expectedPrescan = prescan(options, {});
    tables.apply(expectedPrescan);
    QVERIFY(sameSamples(prescan(levelled, {}), expectedPrescan));
    QStringList dumped;
    PipelineHooks dumping;
    dumping.dumpStage = [&](const STImage&, const QString& name) { dumped << name; };
    QVERIFY(sameSamples(prescan(levelled, dumping), expectedPrescan));
    QCOMPARE(dumped.last(), QStringLiteral("preScan_Levels"));

    // The final scan after a prescan, with and without levels.
    struct Run {
        STImage image;
        QStringList passes;
        QStringList dumped;
    };
    const auto finalScan = [&](const ProcessingOptions& with, bool dumps) {
        ProcessingSteps steps;
        steps.setFilmTermTables(m_terms.pointers());
        STImage first = filmFrame(431, 287, 16);
        steps.runPrescan(first, options);
        Run run { filmFrame(900, 600, 16), {}, {} };
        PipelineHooks hooks;
        hooks.stepTimed = [&run](const QString& step, qint64) { run.passes << step; };
        if (dumps)
            hooks.dumpStage = [&run](const STImage&, const QString& name) { run.dumped << name; };
        if (!steps.runFinalScan(run.image, with, hooks))
            run.image = STImage();
        return run;
    };
    const Run plain = finalScan(options, false);
    const Run fused = finalScan(levelled, false);
    const Run stepwise = finalScan(levelled, true);
    STImage expected(plain.image);
    tables.apply(expected);
    QVERIFY(sameSamples(fused.image, expected));
    QVERIFY(sameSamples(stepwise.image, expected));
    QVERIFY(!sameSamples(fused.image, plain.image));
    QCOMPARE(stepwise.dumped.last(), QStringLiteral("Scan_Levels"));
    QVERIFY(!plain.passes.join(' ').contains(QStringLiteral("Scan_Levels")));
    QCOMPARE(fused.passes.size(), plain.passes.size() + (tableStepLast ? 0 : 1));
    if (tableStepLast)
        QVERIFY2(
            fused.passes.last().contains(QStringLiteral(" + Scan_Levels")), qPrintable(fused.passes.last()));
}

QTEST_GUILESS_MAIN(TestLevels)
#include "test_levels.moc"
