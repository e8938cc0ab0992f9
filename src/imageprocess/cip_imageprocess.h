#pragma once

#include "cip_autocolor.h"
#include "cip_autocrop.h"
#include "cip_rect.h"
#include "cip_rgbbalance.h"
#include "cip_tonecurve.h"

#include <filmtype.h>

#include <cstdint>
#include <memory>
#include <vector>

class CIP_RawImg;

// The image-processing object: the tone tables and curve records the analyses leave behind,
// the analysis rectangle, the microscope-slide flag and the scanner's model index, and the
// analyses and corrections that work on a CIP_RawImg in place.
//
// Result codes: 0 success; 603 a histogram could not be allocated; 1303 auto colour found no
// grey; 2 and 3 auto crop not possible (fewer than three channels; minimum rectangle not
// smaller than the image); 605 the analysis rectangle holds no pixel (the image is left
// unchanged and the tables are not rebuilt).
//
// Parameters are re-read from the model's INI files under "./data/" on every run.
//
// Threads: an object is used by one thread at a time (the processing-step object keeps the
// users apart); the pixel kernels may use a second core with identical results.
class CIP_ImageProcess
{
public:
    static constexpr int kOk = 0;
    static constexpr int kNoHistogram = 603;
    static constexpr int kNoPixels = 605;
    static constexpr int kNoGrey = 1303;
    static constexpr int kCropFewChannels = 2;
    static constexpr int kCropMinimumTooLarge = 3;

    // Film codes (FilmTypes::filmCode gives them for a film type).
    static constexpr int kPositive = FilmTypes::kCodePositive;
    static constexpr int kColourNegative = FilmTypes::kCodeColourNegative;
    static constexpr int kBlackWhiteNegative = FilmTypes::kCodeBlackWhiteNegative;

    static constexpr int kTableSize = 65536;

    CIP_ImageProcess();
    CIP_ImageProcess(const CIP_ImageProcess&) = delete;
    CIP_ImageProcess& operator=(const CIP_ImageProcess&) = delete;
    virtual ~CIP_ImageProcess();

    // --- State --------------------------------------------------------------------------
    CIP_Rect rect; // analysis rectangle; right == bottom == 0 asks for the default
    int slideMode = 0; // 1 while the settings are in microscope-slide mode
    int modelIndex = 0; // of the parameter files, from the model table (set by the step object)
    CIP_CurveRecord records[4]; // at the depth of the last analysed image
    CIP_CurveRecord records16[4]; // the same curve at 16 bits
    // Parameters of the last run; a film code without a section keeps them.
    CIP_AutoColorParams autoColorParams;
    CIP_RgbBalanceParams balanceParams;
    CIP_AutoCropParams cropParams;

    // Working tables (depth of the last analysed image) and their 16-bit copies.
    uint16_t* table(int channel) { return m_tables.get() + channel * kTableSize; }
    uint16_t* table16(int channel) { return m_tables.get() + (3 + channel) * kTableSize; }
    const uint16_t* table(int channel) const { return m_tables.get() + channel * kTableSize; }
    const uint16_t* table16(int channel) const { return m_tables.get() + (3 + channel) * kTableSize; }

    // --- Analysis rectangle ---------------------------------------------------------------
    // Sets the default middle half when right and bottom are both 0 (stored), then returns
    // the inset copy the analyses use, clipped to the image.
    CIP_Rect analysisRect(int width, int height);
    static CIP_Rect defaultRect(int width, int height);
    static CIP_Rect inset(const CIP_Rect& r);

    // --- Analyses (each applies its result to the image) -----------------------------------
    // Auto crop: filmFormat and optionFlag are 0 in every pipeline. The found rectangle (or
    // the fallback) is appended to cropList when given and becomes the analysis rectangle.
    int autoCrop(CIP_RawImg& image, int filmFormat, int filmCode, int optionFlag,
        std::vector<CIP_Rect>* cropList = nullptr);
    int autoColor(CIP_RawImg& image, int filmCode, bool applyToImage = true);
    int rgbBalance(CIP_RawImg& image, int filmCode, bool skipCrop = false);
    int gammaCurve(CIP_RawImg& image, int filmCode, bool invert);
    int autoContrast(CIP_RawImg& image, int filmCode);

    // --- Curves and tables ------------------------------------------------------------------
    // Builds the 16-bit tables from records16 (copied into the 16-bit copies), then the
    // working tables from records at the image's depth, and applies them to the image
    // unless applyToImage is false (an analysis that only wants the tables).
    void buildAndApply(CIP_RawImg& image, CIP_ToneCurve::Kind kind, bool applyToImage = true);
    // 16-bit record set of an 8-bit record set: every value times 256, 255 written as 65535.
    static CIP_CurveRecord to16(const CIP_CurveRecord& record8);
    void applyTables(CIP_RawImg& image) const;
    static void applyTables(CIP_RawImg& image, const uint16_t* const tables[3]);

    // --- Filters -------------------------------------------------------------------------
    static void brightness(CIP_RawImg& image, int offset);
    static void saturation(CIP_RawImg& image, int offset);
    // false when the working copy cannot be allocated (image unchanged).
    static bool noiseReduction(CIP_RawImg& image, int k);

    // --- Film-term steps --------------------------------------------------------------------
    enum class FilmTermStep {
        SlideFilm,
        SlideFilm2,
        PositiveFilm,
        PositiveFilm2,
        GenericNegative,
        DefaultNegative
    };
    // Index 0-9 of the film-term table a step uses, -1 when the model has none for it.
    static int filmTermTable(FilmTermStep step, int modelIndex);

private:
    void resetTables();
    std::unique_ptr<uint16_t[]> m_tables; // 6 x 65536: working red, green, blue, 16-bit copies
};
