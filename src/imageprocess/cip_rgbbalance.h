#pragma once

class CIP_ImageProcess;
class CIP_RawImg;

// Tuning of RGB balance, from section "RGB_BALANCE_V2_P" (film code 1) or "RGB_BALANCE_V2_N"
// (2 and 4) of the model's "RGB_Balance_V2-CCD.INI". Percentages unless noted.
struct CIP_RgbBalanceParams {
    float extendLevel = 1.0f;
    float maxContrastLevel = 85.0f;
    float midtoneMaxSaturationPercent = 20.0f;
    float midtoneTolBrightPercent = 10.0f;
    float allMidtoneAdjust = 0.0f;
    float colorEnhanceFactor = 17.0f;
    float colorEnhanceMulti = 50.0f;
    float maxModify[3] = { 10.0f, 10.0f, 10.0f };
    float adjust[3] = { 0.0f, 0.0f, 0.0f };
    float autoLevelFactor = 100.0f;
    float shadowShare = 0.2f; // fixed on every run
    float highlightShare = 0.2f; // fixed on every run

    void read(int modelIndex, int filmCode);
};

// RGB balance: black and white points from the clipped ends of the channel histograms and
// middle points that neutralise the near-grey pixels.
class CIP_RgbBalance
{
public:
    // Runs the auto crop first unless skipCrop; builds and applies the three-point tables in
    // every case. Returns 0, 603, or 605 (empty analysis rectangle, image unchanged).
    static int run(CIP_ImageProcess& process, CIP_RawImg& image, int filmCode, bool skipCrop);

    // The per-channel inputs of the middle-point design, exposed for the tests.
    struct Middle {
        int midIn;
        int midOut;
    };
    struct MiddleInput {
        int greyMean[3]; // near-grey pixels' channel means, image units, colour order
        int blackIn[3], blackOut[3], whiteIn[3], whiteOut[3];
        double castSaturation; // 0-1, of the near-grey mean colour
        double modifyLimit[3]; // share of max, already raised for a dominant cast
        int max;
    };
    static void middlePoints(const CIP_RgbBalanceParams& params, const MiddleInput& in, Middle out[3]);
};
