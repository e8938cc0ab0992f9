#pragma once

class CIP_ImageProcess;
class CIP_RawImg;

// Tuning of auto colour, from section "AUTO_COLOR_P" (film code 1) or "AUTO_COLOR_N"
// (2 and 4) of the model's "AUTOCOLOR-CCD.INI".
struct CIP_AutoColorParams {
    float saturationWeightM = 40.0f;
    float hueTol = 50.0f;
    float hueYellowMin = 30.0f;
    float hueYellowMax = 80.0f;
    float hueYellowMulti = 2.0f;

    // Reads the section for the film code; any other film code keeps the values.
    void read(int modelIndex, int filmCode);
};

// Auto colour: shifts each channel's middle point by the difference of its near-grey mean
// from the mean of the three, leaving black and white where they are.
class CIP_AutoColor
{
public:
    // Fills the object's records, builds the three-point tables and applies them (identity
    // curves for 1303); with applyToImage false the image is only read. Returns 0, 1303 (no
    // usable grey), 603 or 605 (empty rectangle).
    static int run(CIP_ImageProcess& process, CIP_RawImg& image, int filmCode, bool applyToImage = true);
};
