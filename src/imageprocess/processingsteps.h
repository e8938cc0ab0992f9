#pragma once

#include "pipelinehooks.h"
#include "processingoptions.h"

#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CIP_ImageProcess;
class CIP_RawImg;
class STImage;
class CIP_FilmTermTable;

// The processing-step object: runs the analyses and corrections on scan images and
// preview images, keeps the tables the analyses found (auto colour, RGB balance, gamma,
// auto contrast) and the crop, and knows the three step orders: after a prescan, after
// a final scan and in the filter previews of the profile editors.
//
// A prescan's tables carry over to the final scan that follows; a filter preview that
// runs its analyses clears them, and the final scan then analyses a reduced copy of
// itself. Tables found on an image of one depth are never applied to another: the final
// scan analyses its reduced copy instead.
//
// Threads: an object is used by one thread. The manager's runs the prescan pipeline and
// the filter previews on the user-interface thread; each final scan runs on a fork()
// of it taken when the scan was requested, which its handler on the scanner worker
// thread owns, so what the interface does meanwhile never reaches a running scan. The
// film-term tables are shared read-only; setFilmTermTables() is called once, before
// any pipeline runs.
class ProcessingSteps
{
public:
    // The ten film-term tables, in their table order: 0, 1 slide film; 2-5 positive,
    // positive 2, generic negative and default negative of model index 9; 6-9 the same
    // for model index 11.
    static constexpr int kFilmTermTables = 10;
    // The size of the copy on which a final scan without carried tables is analysed.
    static constexpr std::uint32_t kReducedWidth = 428;
    static constexpr std::uint32_t kReducedHeight = 287;

    // Per channel 65536 entries indexed by the raw sample.
    struct ToneTables {
        std::vector<quint16> red, green, blue;
        bool valid = false; // the analysis that fills it succeeded
        int bits = 0; // depth of the image it was found on
    };

    ProcessingSteps();
    virtual ~ProcessingSteps();
    ProcessingSteps(const ProcessingSteps&) = delete;
    ProcessingSteps& operator=(const ProcessingSteps&) = delete;

    // A new object with this one's film-term tables, progress callback, tables and
    // crop, for another thread to own.
    std::shared_ptr<ProcessingSteps> fork() const;

    // Pointers to the process-wide tables; an empty (failed) table is kept as such and
    // its step is skipped.
    void setFilmTermTables(const std::array<const CIP_FilmTermTable*, kFilmTermTables>& tables);

    // Set before each pipeline: the microscope-slide flag and, from the model code, the
    // model index of the parameter files (ScannerModels::parameterIndex: 0 for a model
    // the table does not list).
    void setSlideMode(bool slideMode);
    void setModelCode(int modelCode);
    int modelIndex() const;

    // --- Steps on a scan image --------------------------------------------------------
    // Analyses change the image only when they succeed.
    bool autoCrop(STImage& image, FilmType filmType);
    bool rgbBalance(STImage& image);
    // Finds the auto colour tables; the image is changed by applyAutoColour(), so that
    // the correction is applied once, as in the final scan.
    bool autoColour(const STImage& image);
    bool gamma(STImage& image, bool invert);
    bool autoContrast(STImage& image);
    void applyAutoColour(STImage& image) const { applyTables(image, m_autoColour); }
    void applyRgbBalance(STImage& image) const { applyTables(image, m_rgbBalance); }
    void applyAutoContrast(STImage& image) const { applyTables(image, m_autoContrast); }
    void applyGamma(STImage& image) const { applyTables(image, m_gamma); }
    // Film-term steps: false (image unchanged) when the table did not load, or for
    // the positive and negative terms when the model index has none.
    bool slideFilm(STImage& image) const { return applyFilmTerm(image, filmTermTable(SlideFilm)); }
    bool slideFilm2(STImage& image) const { return applyFilmTerm(image, filmTermTable(SlideFilm2)); }
    bool positiveFilm(STImage& image) const { return applyFilmTerm(image, filmTermTable(PositiveFilm)); }
    bool positiveFilm2(STImage& image) const { return applyFilmTerm(image, filmTermTable(PositiveFilm2)); }
    bool genericNegative(STImage& image) const
    {
        return applyFilmTerm(image, filmTermTable(GenericNegative));
    }
    bool defaultNegative(STImage& image) const
    {
        return applyFilmTerm(image, filmTermTable(DefaultNegative));
    }
    void brightness(STImage& image, int value);
    void saturation(STImage& image, int value);
    void noiseReduction(STImage& image, int k);

    // --- Steps on a preview image (24-bit RGB, 8 bits per sample) ------------------------
    bool autoCrop(const QImage& image, FilmType filmType);
    // The processed image on success, a null image otherwise.
    QImage rgbBalance(const QImage& image);
    QImage autoColour(const QImage& image);
    QImage applyAutoColour(const QImage& image) const;
    QImage autoContrast(const QImage& image);
    QImage brightness(const QImage& image, int value);
    QImage saturation(const QImage& image, int value);
    QImage noiseReduction(const QImage& image, int k);

    // --- The pipelines ----------------------------------------------------------------
    // Prescan: nothing happens to an empty image.
    void runPrescan(STImage& image, const ProcessingOptions& options, const PipelineHooks& hooks = {});
    // Final scan; false when hooks.keepGoing stopped it (the image is then unfinished).
    bool runFinalScan(STImage& image, const ProcessingOptions& options, const PipelineHooks& hooks = {});
    // Filter previews of the 135-film and the microscope-slide profile editors.
    QImage runFilmPreview(const QImage& image, const ProcessingOptions& options);
    QImage runSlidePreview(const QImage& image, const ProcessingOptions& options);

    // --- What the analyses left ---------------------------------------------------------
    const ToneTables& autoColourTables() const { return m_autoColour; }
    const ToneTables& rgbBalanceTables() const { return m_rgbBalance; }
    const ToneTables& gammaTables() const { return m_gamma; }
    const ToneTables& autoContrastTables() const { return m_autoContrast; }
    // left, top, right, bottom (right and bottom exclusive); 0, 0, -1, -1 at first.
    std::array<int, 4> crop() const { return m_crop; }
    int filmCode() const { return m_filmCode; }
    // Clears the four flags (the filter previews do this after their analyses).
    void clearTables();

    // Told the name of every step of a prescan or final-scan pipeline once it has run,
    // on the pipeline's thread (progress display; tests use it to cancel mid-way).
    void setProgress(std::function<void(const QString& step)> progress) { m_progress = std::move(progress); }

    // Applies one set of tables (nothing when its flag is clear). Public so that a test
    // can compare a fused run of table steps against the steps one by one.
    static void applyTables(STImage& image, const ToneTables& tables);

private:
    class StepRunner;

    // In the order of CIP_ImageProcess::FilmTermStep.
    enum FilmTerm { SlideFilm, SlideFilm2, PositiveFilm, PositiveFilm2, GenericNegative, DefaultNegative };
    // The table of a film-term step for the current model index; nullptr when none.
    const CIP_FilmTermTable* filmTermTable(int step) const;
    static bool applyFilmTerm(STImage& image, const CIP_FilmTermTable* table);
    static bool hasTable(const CIP_FilmTermTable* table);
    PipelineHooks withProgress(const PipelineHooks& hooks) const;

    // Wraps an image's pixels in a raw image for one algorithm call.
    // Copies the crop and the microscope-slide flag into the image-processing object.
    void prepareAnalysis();
    void keepWorkingTables(ToneTables& target, int bits);
    // RGB balance straight after a successful autoCrop() of the same, unchanged image:
    // its own crop would find the same rectangle again.
    bool rgbBalanceAfterCrop(STImage& image);
    bool rgbBalance(STImage& image, bool cropFound);

    void analyseReducedFilm(const STImage& image, const ProcessingOptions& options);
    void filmTermSteps(StepRunner& runner, const ProcessingOptions& options, const char* prefix);

    std::array<int, 4> m_crop { { 0, 0, -1, -1 } };
    ToneTables m_autoColour;
    ToneTables m_autoContrast;
    ToneTables m_rgbBalance;
    ToneTables m_gamma;
    int m_filmCode = 1;
    std::unique_ptr<CIP_ImageProcess> m_process;
    std::array<const CIP_FilmTermTable*, kFilmTermTables> m_filmTerms {};
    bool m_slideMode = false;
    std::function<void(const QString&)> m_progress;
};
