#pragma once

#include "cip_rect.h"

#include <vector>

class CIP_RawImg;

// Tuning of the auto crop, from section "AUTOCROP_POS" (film code 1) or "AUTOCROP_NEG" (2 and 4)
// of the model's auto-crop INI file. Percentages of the image's width or height unless noted.
struct CIP_AutoCropParams {
    float cropLeft = 0, cropTop = 0, cropRight = 100, cropBottom = 100;
    float borderLeft = 0, borderTop = 0, borderRight = 100, borderBottom = 100;
    int minLeft = 0, minTop = 0, minRight = 0, minBottom = 0; // pixels
    int filmHoleType = 0; // 0 none, 1 top, 2 bottom
    float skipFilmHolePercent = 0;
    float refPercentBright = 10, refPercentDark = 20;
    float ifExistPercentBright = 5, ifExistPercentDark = 5;
    float defaultPercentBright = 95, defaultPercentDark = 10;
    float tolBright = 2, tolDark = 2;
    float refImgPercentWidth = 70, refImgPercentHeight = 70;
    float deflateLeft = 1, deflateTop = 1, deflateRight = 1, deflateBottom = 1;
    float minPercentImg = 30, minPercentBorder = 1;

    // Reads the section for the film code; any other film code keeps the values.
    void read(int modelIndex, int filmFormat, int filmCode);
};

// Finds the picture inside a scan that also shows the film holder and the film's border by
// classifying rows and columns as border or picture lines.
//
// Threads: one call at a time per object it is given; no shared state.
class CIP_AutoCrop
{
public:
    // The level statistic of an area of the image (percent of full scale, 0-100).
    enum class Mode { Dark, Bright, Plain };

    // Result 0 (found or the centred minimum rectangle), 2 (fewer than three channels) or 3
    // (minimum rectangle not smaller than the image); crop receives the rectangle found
    // before the slide-mode and fallback rules of the caller.
    static int search(const CIP_RawImg& image, const CIP_AutoCropParams& params, CIP_Rect& crop);

    // The value plane (value x 100 of every pixel) the search reads; exposed for the tests.
    struct Plane {
        int width = 0;
        int height = 0;
        std::vector<float> percent;
    };
    static Plane valuePlane(const CIP_RawImg& image);
    // Mean of floor(percent + 0.5) over the selected pixels of the area (0 when none);
    // present when truncate(selected * 100 / all) >= presence.
    static float level(const Plane& plane, const CIP_Rect& area, Mode mode, float reference, float presence,
        bool* present = nullptr);
};
