#include "processingsteps.h"

#include "cip_filmterms.h"
#include "cip_imageprocess.h"
#include "cip_rawimg.h"
#include "composedtables.h"
#include "iplog.h"
#include "levelstables.h"

#include <scannermodels.h>

#include <stimage.h>

#include <QElapsedTimer>
#include <QStringList>

#include <type_traits>

namespace
{

std::vector<quint16>& channel(ProcessingSteps::ToneTables& tables, int c)
{
    return c == 0 ? tables.red : c == 1 ? tables.green : tables.blue;
}

// A raw-image view of an STImage's pixels that never frees them: the STImage owns them.
struct BorrowedRaw {
    explicit BorrowedRaw(STImage& image)
        : BorrowedRaw(static_cast<const STImage&>(image))
    {
    }
    // For an analysis that only reads the pixels.
    explicit BorrowedRaw(const STImage& image)
    {
        raw.width = std::int32_t(image.width());
        raw.height = std::int32_t(image.height());
        raw.bits = std::int32_t(image.bitsPerSample());
        raw.channels = 3;
        raw.pixels = const_cast<std::uint8_t*>(image.data());
    }
    ~BorrowedRaw() { raw.pixels = nullptr; }
    BorrowedRaw(const BorrowedRaw&) = delete;
    BorrowedRaw& operator=(const BorrowedRaw&) = delete;

    CIP_RawImg raw;
};

bool isRgb(const STImage& image)
{
    return !image.isNull() && image.channels() == 3
        && (image.bitsPerSample() == 8 || image.bitsPerSample() == 16);
}

std::size_t pixelCount(const STImage& image)
{
    return std::size_t(image.width()) * image.height();
}

} // namespace

// Runs the steps of one pipeline on one image: times them, hands step images to the
// dump, and, when no stage is dumped, gathers consecutive table steps into one pass.
class ProcessingSteps::StepRunner
{
public:
    StepRunner(STImage& image, const PipelineHooks& hooks)
        : m_image(image)
        , m_hooks(hooks)
        , m_tables(int(image.bitsPerSample()))
    {
    }

    bool keepGoing() const { return !m_hooks.keepGoing || m_hooks.keepGoing(); }

    // A table step; a set whose analysis did not succeed changes nothing.
    void tables(const QString& name, const ToneTables& set)
    {
        if (set.valid)
            table(name, set.red.data(), set.green.data(), set.blue.data());
        dump(name);
    }

    // A film-term step; skipped, without a step image, when the table is missing.
    void filmTerm(const QString& name, const CIP_FilmTermTable* term)
    {
        if (!hasTable(term)) {
            qCDebug(lcImageProcess) << name << "skipped: its film-term table is missing or did not load";
            return;
        }
        table(name, term->red(), term->green(), term->blue());
        dump(name);
    }

    // Any other step, after the pending table steps. Its time excludes its stage dump.
    template <typename Step> auto step(const QString& name, Step run, bool dumpIt = true)
    {
        flush();
        QElapsedTimer timer;
        timer.start();
        if constexpr (std::is_void_v<decltype(run())>) {
            run();
            finish(name, timer, dumpIt);
        } else {
            const auto result = run();
            finish(name, timer, dumpIt);
            return result;
        }
    }

    // The user's levels, the last table step of a pipeline: folded into the pending
    // pass. A second call does nothing, so a caller may place it early when no other
    // step follows and again at the end.
    void levels(const QString& name, const LevelsTables& levels)
    {
        if (levels.isNeutral() || m_levelsDone || levels.bitsPerSample() != int(m_image.bitsPerSample()))
            return;
        m_levelsDone = true;
        table(name, levels.table(0), levels.table(1), levels.table(2));
        dump(name);
    }

    // Applies the table steps gathered so far in one pass.
    void flush()
    {
        if (m_tables.steps() == 0)
            return;
        QElapsedTimer timer;
        timer.start();
        m_tables.apply(m_image.data(), m_image.data(), pixelCount(m_image));
        if (m_hooks.stepTimed)
            m_hooks.stepTimed(m_pendingNames.join(QStringLiteral(" + ")), timer.nsecsElapsed());
        m_tables = ComposedTables(int(m_image.bitsPerSample()));
        m_pendingNames.clear();
    }

private:
    void finish(const QString& name, const QElapsedTimer& timer, bool dumpIt)
    {
        if (m_hooks.stepTimed)
            m_hooks.stepTimed(name, timer.nsecsElapsed());
        if (dumpIt)
            dump(name);
    }

    void table(const QString& name, const quint16* red, const quint16* green, const quint16* blue)
    {
        if (!isRgb(m_image))
            return;
        m_tables.append(red, green, blue);
        m_pendingNames << name;
        // Every stage that is dumped must hold its own step's result.
        if (m_hooks.dumpStage)
            flush();
    }

    void dump(const QString& name)
    {
        if (m_hooks.dumpStage)
            m_hooks.dumpStage(m_image, name);
    }

    STImage& m_image;
    const PipelineHooks& m_hooks;
    ComposedTables m_tables;
    QStringList m_pendingNames;
    bool m_levelsDone = false;
};

ProcessingSteps::ProcessingSteps()
    : m_process(std::make_unique<CIP_ImageProcess>())
{
}

ProcessingSteps::~ProcessingSteps() = default;

std::shared_ptr<ProcessingSteps> ProcessingSteps::fork() const
{
    auto copy = std::make_shared<ProcessingSteps>();
    copy->m_crop = m_crop;
    copy->m_autoColour = m_autoColour;
    copy->m_autoContrast = m_autoContrast;
    copy->m_rgbBalance = m_rgbBalance;
    copy->m_gamma = m_gamma;
    copy->m_filmCode = m_filmCode;
    copy->m_filmTerms = m_filmTerms;
    copy->m_slideMode = m_slideMode;
    copy->m_progress = m_progress;
    copy->m_process->modelIndex = m_process->modelIndex;
    return copy;
}

void ProcessingSteps::setFilmTermTables(const std::array<const CIP_FilmTermTable*, kFilmTermTables>& tables)
{
    m_filmTerms = tables;
}

void ProcessingSteps::setSlideMode(bool slideMode)
{
    m_slideMode = slideMode;
}

void ProcessingSteps::setModelCode(int modelCode)
{
    m_process->modelIndex = ScannerModels::parameterIndex(modelCode);
}

int ProcessingSteps::modelIndex() const
{
    return m_process->modelIndex;
}

void ProcessingSteps::clearTables()
{
    m_autoColour.valid = false;
    m_autoContrast.valid = false;
    m_rgbBalance.valid = false;
    m_gamma.valid = false;
}

PipelineHooks ProcessingSteps::withProgress(const PipelineHooks& hooks) const
{
    if (!m_progress)
        return hooks;
    PipelineHooks result = hooks;
    result.stepTimed
        = [timed = hooks.stepTimed, progress = m_progress](const QString& step, qint64 nanoseconds) {
              if (timed)
                  timed(step, nanoseconds);
              progress(step);
          };
    return result;
}

// --- Film terms -------------------------------------------------------------------------

bool ProcessingSteps::hasTable(const CIP_FilmTermTable* table)
{
    return table && table->isLoaded();
}

const CIP_FilmTermTable* ProcessingSteps::filmTermTable(int step) const
{
    const int index = CIP_ImageProcess::filmTermTable(
        static_cast<CIP_ImageProcess::FilmTermStep>(step), m_process->modelIndex);
    return index >= 0 && index < kFilmTermTables ? m_filmTerms[std::size_t(index)] : nullptr;
}

bool ProcessingSteps::applyFilmTerm(STImage& image, const CIP_FilmTermTable* table)
{
    if (!hasTable(table) || !isRgb(image))
        return false;
    ComposedTables tables(int(image.bitsPerSample()));
    tables.append(table->red(), table->green(), table->blue());
    tables.apply(image.data(), image.data(), pixelCount(image));
    return true;
}

void ProcessingSteps::applyTables(STImage& image, const ToneTables& set)
{
    if (!set.valid || !isRgb(image))
        return;
    ComposedTables tables(int(image.bitsPerSample()));
    tables.append(set.red.data(), set.green.data(), set.blue.data());
    tables.apply(image.data(), image.data(), pixelCount(image));
}

// --- Analyses on a scan image -------------------------------------------------------------

void ProcessingSteps::prepareAnalysis()
{
    m_process->rect = CIP_Rect { m_crop[0], m_crop[1], m_crop[2], m_crop[3] };
    m_process->slideMode = m_slideMode ? 1 : 0;
}

void ProcessingSteps::keepWorkingTables(ToneTables& target, int bits)
{
    for (int c = 0; c < 3; ++c) {
        const uint16_t* table = m_process->table(c);
        channel(target, c).assign(table, table + CIP_ImageProcess::kTableSize);
    }
    target.valid = true;
    target.bits = bits;
}

bool ProcessingSteps::autoCrop(STImage& image, FilmType filmType)
{
    if (!isRgb(image))
        return false;
    m_filmCode = FilmTypes::filmCode(filmType);
    m_process->slideMode = m_slideMode ? 1 : 0;
    BorrowedRaw view(image);
    std::vector<CIP_Rect> found;
    const int result = m_process->autoCrop(view.raw, 0, m_filmCode, 0, &found);
    if (result != CIP_ImageProcess::kOk || found.empty()) {
        qCDebug(lcImageProcess) << "auto crop found no frame, result" << result;
        return false;
    }
    const CIP_Rect& crop = found.front();
    m_crop = { { crop.left, crop.top, crop.right, crop.bottom } };
    return true;
}

// The analyses leave the image as it was when they fail (they apply their tables last),
// so they work on the image itself instead of on a whole copy of it.
bool ProcessingSteps::rgbBalance(STImage& image)
{
    return rgbBalance(image, false);
}

bool ProcessingSteps::rgbBalanceAfterCrop(STImage& image)
{
    return rgbBalance(image, true);
}

bool ProcessingSteps::rgbBalance(STImage& image, bool cropFound)
{
    if (!isRgb(image))
        return false;
    prepareAnalysis();
    BorrowedRaw view(image);
    const int result = m_process->rgbBalance(view.raw, m_filmCode, cropFound);
    if (result != CIP_ImageProcess::kOk) {
        qCDebug(lcImageProcess) << "RGB balance failed with result" << result << "and keeps no tables";
        return false;
    }
    keepWorkingTables(m_rgbBalance, view.raw.bits);
    return true;
}

bool ProcessingSteps::autoColour(const STImage& image)
{
    if (!isRgb(image))
        return false;
    prepareAnalysis();
    // Only the tables are wanted: the analysis reads the pixels and leaves them alone.
    BorrowedRaw view(image);
    const int result = m_process->autoColor(view.raw, m_filmCode, false);
    if (result != CIP_ImageProcess::kOk) {
        qCDebug(lcImageProcess) << "auto colour failed with result" << result << "and keeps no tables";
        return false;
    }
    keepWorkingTables(m_autoColour, view.raw.bits);
    return true;
}

bool ProcessingSteps::gamma(STImage& image, bool invert)
{
    if (!isRgb(image))
        return false;
    prepareAnalysis();
    BorrowedRaw view(image);
    const int result = m_process->gammaCurve(view.raw, m_filmCode, invert);
    if (result != CIP_ImageProcess::kOk) {
        qCDebug(lcImageProcess) << "gamma curve failed with result" << result << "and keeps no tables";
        return false;
    }
    // At 16 bits the working tables are the 16-bit copies; on an 8-bit image only the
    // working tables fit the samples they will be applied to.
    keepWorkingTables(m_gamma, view.raw.bits);
    return true;
}

bool ProcessingSteps::autoContrast(STImage& image)
{
    if (!isRgb(image))
        return false;
    prepareAnalysis();
    BorrowedRaw view(image);
    const int result = m_process->autoContrast(view.raw, m_filmCode);
    if (result != CIP_ImageProcess::kOk) {
        qCDebug(lcImageProcess) << "auto contrast failed with result" << result << "and keeps no tables";
        return false;
    }
    keepWorkingTables(m_autoContrast, view.raw.bits);
    return true;
}

// Brightness and saturation cannot fail, so they work on the image itself rather than
// on a copy of it; the median keeps the image when it cannot get its second buffer.
void ProcessingSteps::brightness(STImage& image, int value)
{
    if (!isRgb(image))
        return;
    BorrowedRaw view(image);
    CIP_ImageProcess::brightness(view.raw, value);
}

void ProcessingSteps::saturation(STImage& image, int value)
{
    if (!isRgb(image))
        return;
    BorrowedRaw view(image);
    CIP_ImageProcess::saturation(view.raw, value);
}

void ProcessingSteps::noiseReduction(STImage& image, int k)
{
    if (!isRgb(image))
        return;
    BorrowedRaw view(image);
    CIP_ImageProcess::noiseReduction(view.raw, k);
}

// --- Steps on a preview image ------------------------------------------------------------

namespace
{

// A preview as an 8-bit scan image, whatever the stride of the QImage's rows.
STImage fromPreview(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    STImage result = STImage::zeroed(std::uint32_t(rgb.width()), std::uint32_t(rgb.height()), 8, 3);
    const std::size_t rowBytes = std::size_t(rgb.width()) * 3;
    for (int y = 0; y < rgb.height(); ++y)
        std::copy_n(rgb.constScanLine(y), rowBytes, result.data() + std::size_t(y) * rowBytes);
    return result;
}

} // namespace

bool ProcessingSteps::autoCrop(const QImage& image, FilmType filmType)
{
    STImage work = fromPreview(image);
    return autoCrop(work, filmType);
}

QImage ProcessingSteps::rgbBalance(const QImage& image)
{
    STImage work = fromPreview(image);
    return rgbBalance(work) ? work.toQImage() : QImage();
}

QImage ProcessingSteps::autoColour(const QImage& image)
{
    STImage work = fromPreview(image);
    if (!autoColour(work))
        return QImage();
    applyAutoColour(work);
    return work.toQImage();
}

QImage ProcessingSteps::applyAutoColour(const QImage& image) const
{
    STImage work = fromPreview(image);
    applyAutoColour(work);
    return work.toQImage();
}

QImage ProcessingSteps::autoContrast(const QImage& image)
{
    STImage work = fromPreview(image);
    autoContrast(work);
    return work.toQImage();
}

QImage ProcessingSteps::brightness(const QImage& image, int value)
{
    if (value == 0)
        return image;
    STImage work = fromPreview(image);
    brightness(work, value);
    return work.toQImage();
}

QImage ProcessingSteps::saturation(const QImage& image, int value)
{
    if (value == 0)
        return image;
    STImage work = fromPreview(image);
    saturation(work, value);
    return work.toQImage();
}

QImage ProcessingSteps::noiseReduction(const QImage& image, int k)
{
    STImage work = fromPreview(image);
    noiseReduction(work, k);
    return work.toQImage();
}

// --- Pipelines -------------------------------------------------------------------------------

void ProcessingSteps::filmTermSteps(StepRunner& runner, const ProcessingOptions& options, const char* prefix)
{
    const QString p = QLatin1String(prefix);
    if (!FilmTypes::isNegative(options.filmType)) {
        runner.filmTerm(p + QLatin1String("positiveFilm"), filmTermTable(PositiveFilm));
        runner.filmTerm(p + QLatin1String("positiveFilm2"), filmTermTable(PositiveFilm2));
    } else {
        if (options.balance)
            runner.filmTerm(p + QLatin1String("negativeGenericFilm"), filmTermTable(GenericNegative));
        else
            runner.filmTerm(p + QLatin1String("negativeDefaultFilm"), filmTermTable(DefaultNegative));
    }
}

void ProcessingSteps::runPrescan(STImage& image, const ProcessingOptions& options, const PipelineHooks& given)
{
    const PipelineHooks hooks = withProgress(given);
    if (!isRgb(image))
        return;
    setSlideMode(!options.filmMode);
    setModelCode(options.modelCode);
    StepRunner runner(image, hooks);

    if (options.filmMode) {
        const bool cropped = runner.step(
            QStringLiteral("preScan_AutoCrop"), [&] { return autoCrop(image, options.filmType); }, false);
        if (cropped) {
            if (options.balance)
                runner.step(QStringLiteral("preScan_AutoBalance"), [&] { rgbBalanceAfterCrop(image); });
            if (options.colour) {
                runner.step(QStringLiteral("preScan_AutoColor"), [&] {
                    if (autoColour(image))
                        applyAutoColour(image);
                });
            }
            runner.step(QStringLiteral("preScan_GammaCurve"), [&] { gamma(image, !options.balance); });
            filmTermSteps(runner, options, "preScan_");
            if (options.contrast)
                runner.step(QStringLiteral("preScan_AutoContrast"), [&] { autoContrast(image); });
        }
        if (options.noiseReduction)
            runner.step(QStringLiteral("preScan_DigialnoiseRedution"), [&] { noiseReduction(image, 3); });
        if (options.brightness != 0)
            runner.step(QStringLiteral("preScan_Brightness"), [&] { brightness(image, options.brightness); });
    } else {
        runner.filmTerm(QStringLiteral("preScan_slideFilm"), filmTermTable(SlideFilm));
        runner.filmTerm(QStringLiteral("preScan_slideFilm2"), filmTermTable(SlideFilm2));
        if (options.contrast) {
            const bool cropped = runner.step(
                QStringLiteral("preScan_AutoCrop"), [&] { return autoCrop(image, FilmType::PositiveColour); },
                false);
            if (cropped)
                runner.step(QStringLiteral("preScan_AutoContrast"), [&] { autoContrast(image); });
        }
        if (options.saturation != 0)
            runner.step(QStringLiteral("preScan_Saturation"), [&] { saturation(image, options.saturation); });
        if (options.brightness != 0)
            runner.step(QStringLiteral("preScan_Brightness"), [&] { brightness(image, options.brightness); });
    }
    const LevelsTables levels(options.levels, int(image.bitsPerSample()));
    runner.levels(QStringLiteral("preScan_Levels"), levels);
    runner.flush();
}

void ProcessingSteps::analyseReducedFilm(const STImage& image, const ProcessingOptions& options)
{
    STImage reduced = image.scaled(kReducedWidth, kReducedHeight);
    if (!autoCrop(reduced, options.filmType))
        return;
    if (options.balance)
        rgbBalanceAfterCrop(reduced);
    if (options.colour && autoColour(reduced))
        applyAutoColour(reduced);
    gamma(reduced, !options.balance);
    PipelineHooks quiet;
    StepRunner runner(reduced, quiet);
    filmTermSteps(runner, options, "");
    runner.flush();
    if (options.contrast)
        autoContrast(reduced);
}

bool ProcessingSteps::runFinalScan(
    STImage& image, const ProcessingOptions& options, const PipelineHooks& given)
{
    const PipelineHooks hooks = withProgress(given);
    if (!isRgb(image))
        return true;
    setSlideMode(!options.filmMode);
    setModelCode(options.modelCode);

    // Tables index raw samples: those found at another depth would map the wrong values.
    const int bits = int(image.bitsPerSample());
    for (ToneTables* set : { &m_autoColour, &m_autoContrast, &m_rgbBalance, &m_gamma }) {
        if (set->valid && set->bits != bits)
            set->valid = false;
    }

    const LevelsTables levels(options.levels, bits);
    const QString levelsName = QStringLiteral("Scan_Levels");
    StepRunner runner(image, hooks);
    if (options.filmMode) {
        if (!m_gamma.valid) {
            runner.step(
                QStringLiteral("Scan_Analysis"), [&] { analyseReducedFilm(image, options); }, false);
            if (!runner.keepGoing())
                return false;
        }
        if (options.balance)
            runner.tables(QStringLiteral("Scan_AutoBalance"), m_rgbBalance);
        if (options.colour)
            runner.tables(QStringLiteral("Scan_AutoColor"), m_autoColour);
        runner.tables(QStringLiteral("Scan_GammaCurve"), m_gamma);
        filmTermSteps(runner, options, "Scan_");
        if (options.contrast)
            runner.tables(QStringLiteral("Scan_AutoContrast"), m_autoContrast);
        if (!options.noiseReduction && options.brightness == 0)
            runner.levels(levelsName, levels);
        runner.flush();
        if (!runner.keepGoing())
            return false;
        if (options.noiseReduction) {
            runner.step(QStringLiteral("Scan_DigitalNoiseRedution"), [&] { noiseReduction(image, 3); });
            if (!runner.keepGoing())
                return false;
        }
        if (options.brightness != 0)
            runner.step(QStringLiteral("Scan_Brightness"), [&] { brightness(image, options.brightness); });
    } else {
        if (options.contrast && !m_autoContrast.valid) {
            runner.step(
                QStringLiteral("Scan_Analysis"),
                [&] {
                    STImage reduced = image.scaled(kReducedWidth, kReducedHeight);
                    slideFilm(reduced);
                    slideFilm2(reduced);
                    if (autoCrop(reduced, FilmType::PositiveColour)) {
                        autoContrast(reduced);
                        if (hooks.dumpStage)
                            hooks.dumpStage(reduced, QStringLiteral("Scan_AutoContrast"));
                    }
                },
                false);
            if (!runner.keepGoing())
                return false;
        }
        runner.filmTerm(QStringLiteral("Scan_slideFilm"), filmTermTable(SlideFilm));
        runner.filmTerm(QStringLiteral("Scan_slideFilm2"), filmTermTable(SlideFilm2));
        if (options.contrast)
            runner.tables(QStringLiteral("Scan_ApplyAutoContrast"), m_autoContrast);
        if (options.saturation == 0 && options.brightness == 0)
            runner.levels(levelsName, levels);
        runner.flush();
        if (!runner.keepGoing())
            return false;
        if (options.saturation != 0) {
            runner.step(QStringLiteral("Scan_Saturation"), [&] { saturation(image, options.saturation); });
            if (!runner.keepGoing())
                return false;
        }
        if (options.brightness != 0)
            runner.step(QStringLiteral("Scan_Brightness"), [&] { brightness(image, options.brightness); });
    }
    runner.levels(levelsName, levels);
    runner.flush();
    return runner.keepGoing();
}

QImage ProcessingSteps::runFilmPreview(const QImage& image, const ProcessingOptions& options)
{
    setModelCode(options.modelCode);
    QImage result = image.convertToFormat(QImage::Format_RGB888);
    if (options.balance || options.contrast) {
        setSlideMode(false);
        if (autoCrop(result, options.filmType)) {
            if (options.balance) {
                const QImage balanced = rgbBalance(result);
                if (!balanced.isNull())
                    result = balanced;
            }
            if (options.colour) {
                const QImage coloured = autoColour(result);
                if (!coloured.isNull())
                    result = coloured;
            }
            if (options.contrast)
                result = autoContrast(result);
        }
        clearTables();
    }
    if (options.noiseReduction)
        result = noiseReduction(result, 3);
    if (options.brightness != 0)
        result = brightness(result, options.brightness);
    return result;
}

QImage ProcessingSteps::runSlidePreview(const QImage& image, const ProcessingOptions& options)
{
    setModelCode(options.modelCode);
    QImage result = image.convertToFormat(QImage::Format_RGB888);
    if (options.contrast) {
        setSlideMode(true);
        if (autoCrop(result, FilmType::PositiveColour))
            result = autoContrast(result);
        clearTables();
    }
    if (options.saturation != 0)
        result = saturation(result, options.saturation);
    if (options.brightness != 0)
        result = brightness(result, options.brightness);
    return result;
}
