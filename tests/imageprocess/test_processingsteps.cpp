#include "pipelinefixtures.h"

#include <cip_filmterms.h>
#include <processingsteps.h>
#include <stimage.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace
{

struct Recorder {
    QStringList dumped;
    QStringList timed;
    PipelineHooks hooks(bool dumps)
    {
        PipelineHooks result;
        if (dumps)
            result.dumpStage = [this](const STImage&, const QString& name) { dumped << name; };
        result.stepTimed = [this](const QString& step, qint64) { timed << step; };
        return result;
    }
};

ProcessingOptions filmOptions(int filmType, bool colour, bool autoBalance)
{
    ProcessingOptions options;
    options.filmMode = true;
    options.filmType = FilmTypes::fromTarget(filmType);
    options.colour = colour;
    options.balance = colour || autoBalance;
    options.modelCode = 82;
    return options;
}

ProcessingOptions slideOptions()
{
    ProcessingOptions options;
    options.modelCode = 82;
    return options;
}

bool sameSamples(const STImage& a, const STImage& b)
{
    return a.width() == b.width() && a.height() == b.height() && a.bitsPerSample() == b.bitsPerSample()
        && a.byteCount() == b.byteCount() && std::memcmp(a.data(), b.data(), a.byteCount()) == 0;
}

} // namespace

Q_DECLARE_METATYPE(ProcessingOptions)

class TestProcessingSteps : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void prescanOrder_data();
    void prescanOrder();
    void finalOrderAfterPrescan_data();
    void finalOrderAfterPrescan();
    void fusedTablesMatchStepByStep_data();
    void fusedTablesMatchStepByStep();
    void failedCropSkipsCorrections();
    void missingFilmTermIsSkipped();
    void filterPreviewMakesFinalScanAnalyse();
    void aForkKeepsItsOwnState();
    void otherDepthIsAnalysedAgain();
    void modelIndexFollowsModelCode_data();
    void modelIndexFollowsModelCode();
    void emptyImageIsLeftAlone();

private:
    FilmTerms m_terms;
};

void TestProcessingSteps::initTestCase()
{
    // The parameter files are read relative to the working folder, as in the program.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
}

void TestProcessingSteps::prescanOrder_data()
{
    QTest::addColumn<ProcessingOptions>("options");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("positive, every switch off") << filmOptions(0, false,
        false) << QStringList { "preScan_GammaCurve", "preScan_positiveFilm", "preScan_positiveFilm2" };
    ProcessingOptions all = filmOptions(0, true, true);
    all.contrast = true;
    all.noiseReduction = true;
    all.brightness = 12;
    QTest::newRow("positive, every switch on")
        << all
        << QStringList { "preScan_AutoBalance", "preScan_AutoColor", "preScan_GammaCurve",
               "preScan_positiveFilm", "preScan_positiveFilm2", "preScan_AutoContrast",
               "preScan_DigialnoiseRedution", "preScan_Brightness" };
    // Auto colour alone also balances, and so takes the generic negative.
    QTest::newRow("colour negative, auto colour without balance")
        << filmOptions(1, true, false)
        << QStringList { "preScan_AutoBalance", "preScan_AutoColor", "preScan_GammaCurve",
               "preScan_negativeGenericFilm" };
    QTest::newRow("colour negative, balance only") << filmOptions(1, false,
        true) << QStringList { "preScan_AutoBalance", "preScan_GammaCurve", "preScan_negativeGenericFilm" };
    QTest::newRow("black-and-white negative, nothing on") << filmOptions(
        3, false, false) << QStringList { "preScan_GammaCurve", "preScan_negativeDefaultFilm" };

    ProcessingOptions slides = slideOptions();
    QTest::newRow("slides, every switch off")
        << slides << QStringList { "preScan_slideFilm", "preScan_slideFilm2" };
    slides.contrast = true;
    slides.saturation = -38;
    slides.brightness = 10;
    QTest::newRow("slides, contrast, saturation, brightness")
        << slides
        << QStringList { "preScan_slideFilm", "preScan_slideFilm2", "preScan_AutoContrast",
               "preScan_Saturation", "preScan_Brightness" };
}

void TestProcessingSteps::prescanOrder()
{
    QFETCH(ProcessingOptions, options);
    QFETCH(QStringList, expected);

    ProcessingSteps steps;
    steps.setFilmTermTables(m_terms.pointers());
    STImage image = filmFrame(431, 287, 16);
    const STImage original(image);
    Recorder recorder;
    steps.runPrescan(image, options, recorder.hooks(true));
    QCOMPARE(recorder.dumped, expected);
    QVERIFY(!sameSamples(image, original));
    QVERIFY(steps.gammaTables().valid == options.filmMode);
    QCOMPARE(steps.rgbBalanceTables().valid, options.balance);
}

void TestProcessingSteps::finalOrderAfterPrescan_data()
{
    QTest::addColumn<ProcessingOptions>("options");
    QTest::addColumn<QStringList>("expected");

    ProcessingOptions all = filmOptions(1, true, true);
    all.contrast = true;
    all.noiseReduction = true;
    all.brightness = -20;
    QTest::newRow("colour negative, every switch on")
        << all
        << QStringList { "Scan_AutoBalance", "Scan_AutoColor", "Scan_GammaCurve", "Scan_negativeGenericFilm",
               "Scan_AutoContrast", "Scan_DigitalNoiseRedution", "Scan_Brightness" };
    QTest::newRow("positive, nothing on") << filmOptions(
        2, false, false) << QStringList { "Scan_GammaCurve", "Scan_positiveFilm", "Scan_positiveFilm2" };
    ProcessingOptions slides = slideOptions();
    slides.contrast = true;
    slides.saturation = 49;
    slides.brightness = 10;
    QTest::newRow("slides") << slides
                            << QStringList { "Scan_slideFilm", "Scan_slideFilm2", "Scan_ApplyAutoContrast",
                                   "Scan_Saturation", "Scan_Brightness" };
}

// A final scan straight after a prescan applies the prescan's tables as they are.
void TestProcessingSteps::finalOrderAfterPrescan()
{
    QFETCH(ProcessingOptions, options);
    QFETCH(QStringList, expected);

    ProcessingSteps steps;
    steps.setFilmTermTables(m_terms.pointers());
    STImage prescan = filmFrame(431, 287, 16);
    steps.runPrescan(prescan, options);
    const std::vector<quint16> gammaRed = steps.gammaTables().red;
    const std::vector<quint16> contrastRed = steps.autoContrastTables().red;

    STImage scan = filmFrame(1293, 861, 16);
    Recorder recorder;
    QVERIFY(steps.runFinalScan(scan, options, recorder.hooks(true)));
    QCOMPARE(recorder.dumped, expected);
    QVERIFY(!recorder.timed.contains(QStringLiteral("Scan_Analysis")));
    QCOMPARE(steps.gammaTables().red, gammaRed);
    QCOMPARE(steps.autoContrastTables().red, contrastRed);
}

void TestProcessingSteps::fusedTablesMatchStepByStep_data()
{
    QTest::addColumn<ProcessingOptions>("options");
    QTest::addColumn<int>("bits");

    ProcessingOptions all = filmOptions(1, true, true);
    all.contrast = true;
    all.noiseReduction = true;
    all.brightness = 30;
    QTest::newRow("colour negative, 16 bits") << all << 16;
    ProcessingOptions positive = filmOptions(0, true, false);
    positive.contrast = true;
    QTest::newRow("positive, 16 bits") << positive << 16;
    QTest::newRow("positive, 8 bits") << positive << 8;
    ProcessingOptions slides = slideOptions();
    slides.contrast = true;
    slides.saturation = 20;
    QTest::newRow("slides, 16 bits") << slides << 16;
}

// Without stage dumps the table steps run as one composed pass; the samples must be
// exactly those of the steps run one by one.
void TestProcessingSteps::fusedTablesMatchStepByStep()
{
    QFETCH(ProcessingOptions, options);
    QFETCH(int, bits);

    ProcessingSteps steps;
    steps.setFilmTermTables(m_terms.pointers());
    STImage prescan = filmFrame(431, 287, std::uint32_t(bits));
    steps.runPrescan(prescan, options);

    const STImage scan = filmFrame(900, 600, std::uint32_t(bits));
    STImage fused(scan);
    STImage stepwise(scan);
    Recorder fusedRecorder;
    Recorder stepRecorder;
    QVERIFY(steps.runFinalScan(fused, options, fusedRecorder.hooks(false)));
    QVERIFY(steps.runFinalScan(stepwise, options, stepRecorder.hooks(true)));
    QVERIFY(fusedRecorder.timed.size() < stepRecorder.timed.size());
    QVERIFY(sameSamples(fused, stepwise));
    QVERIFY(!sameSamples(fused, scan));
}

// With a minimum picture larger than the image the auto crop fails: colour, gamma and
// film terms are skipped, noise reduction and brightness still run.
void TestProcessingSteps::failedCropSkipsCorrections()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("data/TQ3300")));
    QFile ini(folder.path() + QStringLiteral("/data/TQ3300/AUTOCROP_V2.INI"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[AUTOCROP_POS]\nIDC_MIN_RIGHT=100000\nIDC_MIN_BOTTOM=100000\n"
              "[AUTOCROP_NEG]\nIDC_MIN_RIGHT=100000\nIDC_MIN_BOTTOM=100000\n");
    ini.close();
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());

    ProcessingOptions options = filmOptions(1, true, true);
    options.contrast = true;
    options.noiseReduction = true;
    options.brightness = 40;
    ProcessingSteps steps;
    steps.setFilmTermTables(m_terms.pointers());
    STImage image = filmFrame(431, 287, 16);
    const STImage original(image);
    Recorder recorder;
    steps.runPrescan(image, options, recorder.hooks(true));
    QDir::setCurrent(previous);

    QCOMPARE(recorder.dumped, (QStringList { "preScan_DigialnoiseRedution", "preScan_Brightness" }));
    QVERIFY(!steps.gammaTables().valid);
    QVERIFY(!steps.rgbBalanceTables().valid);
    QVERIFY(!sameSamples(image, original));
}

// A film term that failed to load is skipped; the other steps run.
void TestProcessingSteps::missingFilmTermIsSkipped()
{
    auto tables = m_terms.pointers();
    CIP_FilmTermTable empty;
    tables[2] = &empty; // positive film of model index 9
    ProcessingSteps steps;
    steps.setFilmTermTables(tables);
    STImage image = filmFrame(431, 287, 16);
    Recorder recorder;
    ProcessingOptions options = filmOptions(0, false, false);
    options.brightness = 5;
    steps.runPrescan(image, options, recorder.hooks(true));
    QCOMPARE(recorder.dumped,
        (QStringList { "preScan_GammaCurve", "preScan_positiveFilm2", "preScan_Brightness" }));

    STImage direct = filmFrame(64, 48, 16);
    const STImage original(direct);
    QVERIFY(!steps.positiveFilm(direct));
    QVERIFY(sameSamples(direct, original));
    QVERIFY(steps.positiveFilm2(direct));
    QVERIFY(!sameSamples(direct, original));
}

// A filter preview that analyses clears the carried tables; the next final scan
// analyses a reduced copy of itself and keeps what it found.
void TestProcessingSteps::filterPreviewMakesFinalScanAnalyse()
{
    ProcessingSteps steps;
    steps.setFilmTermTables(m_terms.pointers());
    ProcessingOptions options = filmOptions(0, true, true);
    options.contrast = true;
    STImage prescan = filmFrame(431, 287, 16);
    steps.runPrescan(prescan, options);
    QVERIFY(steps.gammaTables().valid);

    const QImage preview = filmFrame(300, 200, 8).toQImage();
    const QImage filtered = steps.runFilmPreview(preview, options);
    QCOMPARE(filtered.size(), preview.size());
    QVERIFY(!steps.gammaTables().valid);
    QVERIFY(!steps.autoColourTables().valid);
    QVERIFY(!steps.rgbBalanceTables().valid);
    QVERIFY(!steps.autoContrastTables().valid);

    STImage scan = filmFrame(1293, 861, 16);
    Recorder recorder;
    QVERIFY(steps.runFinalScan(scan, options, recorder.hooks(false)));
    QCOMPARE(recorder.timed.value(0), QStringLiteral("Scan_Analysis"));
    QVERIFY(steps.gammaTables().valid);
    QCOMPARE(steps.gammaTables().bits, 16);
    // The crop now belongs to the 428 x 287 copy.
    QVERIFY(steps.crop()[2] <= int(ProcessingSteps::kReducedWidth));
    QVERIFY(steps.crop()[3] <= int(ProcessingSteps::kReducedHeight));

    Recorder again;
    STImage second = filmFrame(1293, 861, 16);
    QVERIFY(steps.runFinalScan(second, options, again.hooks(false)));
    QVERIFY(!again.timed.contains(QStringLiteral("Scan_Analysis")));
}

// A fork starts with the tables, crop, film terms and progress of its parent; from
// then on neither sees what the other does.
void TestProcessingSteps::aForkKeepsItsOwnState()
{
    ProcessingSteps steps;
    steps.setFilmTermTables(m_terms.pointers());
    QStringList progress;
    steps.setProgress([&progress](const QString& step) { progress << step; });
    ProcessingOptions options = filmOptions(0, true, true);
    options.contrast = true;
    STImage prescan = filmFrame(431, 287, 16);
    steps.runPrescan(prescan, options);
    QVERIFY(steps.gammaTables().valid);
    const ProcessingSteps::ToneTables gamma = steps.gammaTables();
    const std::array<int, 4> crop = steps.crop();

    const std::shared_ptr<ProcessingSteps> fork = steps.fork();
    QVERIFY(fork.get() != &steps);
    QVERIFY(fork->gammaTables().valid);
    QVERIFY(fork->gammaTables().red == gamma.red);
    QCOMPARE(fork->crop(), crop);

    // The parent's filter preview clears its own tables only.
    steps.runFilmPreview(filmFrame(300, 200, 8).toQImage(), options);
    QVERIFY(!steps.gammaTables().valid);
    QVERIFY(fork->gammaTables().valid);
    QCOMPARE(fork->crop(), crop);

    progress.clear();
    STImage scan = filmFrame(1293, 861, 16);
    Recorder recorder;
    QVERIFY(fork->runFinalScan(scan, options, recorder.hooks(false)));
    QVERIFY(!recorder.timed.isEmpty());
    QVERIFY(!recorder.timed.contains(QStringLiteral("Scan_Analysis")));
    // The fork reports through the parent's progress, and its film terms ran.
    QCOMPARE(progress, recorder.timed);
    QVERIFY(recorder.timed.join(QLatin1Char(' ')).contains(QStringLiteral("Scan_positiveFilm")));

    fork->clearTables();
    STImage again = filmFrame(431, 287, 16);
    steps.runPrescan(again, options);
    QVERIFY(steps.gammaTables().valid);
    QVERIFY(!fork->gammaTables().valid);
}

// Tables found on a 16-bit prescan do not fit an 8-bit image.
void TestProcessingSteps::otherDepthIsAnalysedAgain()
{
    ProcessingSteps steps;
    steps.setFilmTermTables(m_terms.pointers());
    const ProcessingOptions options = filmOptions(0, false, true);
    STImage prescan = filmFrame(431, 287, 16);
    steps.runPrescan(prescan, options);
    QCOMPARE(steps.gammaTables().bits, 16);

    STImage scan = filmFrame(600, 400, 8);
    Recorder recorder;
    QVERIFY(steps.runFinalScan(scan, options, recorder.hooks(false)));
    QVERIFY(recorder.timed.contains(QStringLiteral("Scan_Analysis")));
    QCOMPARE(steps.gammaTables().bits, 8);
    QCOMPARE(steps.rgbBalanceTables().bits, 8);
    // The new tables map 8-bit samples to 8-bit samples.
    for (const ProcessingSteps::ToneTables* set : { &steps.gammaTables(), &steps.rgbBalanceTables() }) {
        QVERIFY(set->red[255] <= 255 && set->green[255] <= 255 && set->blue[255] <= 255);
        QVERIFY(set->red[128] > 32 && set->green[128] > 32 && set->blue[128] > 32);
    }
}

void TestProcessingSteps::modelIndexFollowsModelCode_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("index");
    QTest::newRow("82") << 0 << 82 << 9;
    QTest::newRow("83") << 0 << 83 << 9;
    QTest::newRow("84") << 0 << 84 << 11;
    QTest::newRow("unknown code gives 0") << 0 << 77 << 0;
    // An unlisted code (0: no device record yet) never inherits an earlier scanner's index.
    QTest::newRow("unknown code after 84 gives 0") << 84 << 5 << 0;
    QTest::newRow("no device record after 82 gives 0") << 82 << 0 << 0;
    QTest::newRow("84 after 82") << 82 << 84 << 11;
}

void TestProcessingSteps::modelIndexFollowsModelCode()
{
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(int, index);
    ProcessingSteps steps;
    steps.setModelCode(first);
    steps.setModelCode(second);
    QCOMPARE(steps.modelIndex(), index);
}

void TestProcessingSteps::emptyImageIsLeftAlone()
{
    ProcessingSteps steps;
    steps.setFilmTermTables(m_terms.pointers());
    STImage empty;
    Recorder recorder;
    ProcessingOptions options = filmOptions(1, true, true);
    options.brightness = 10;
    steps.runPrescan(empty, options, recorder.hooks(true));
    QVERIFY(steps.runFinalScan(empty, options, recorder.hooks(true)));
    QVERIFY(recorder.dumped.isEmpty());
    QVERIFY(empty.isNull());
}

QTEST_GUILESS_MAIN(TestProcessingSteps)
#include "test_processingsteps.moc"
