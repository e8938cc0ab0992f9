#pragma once

#include "levelssettings.h"

#include <filmtype.h>

// What the processing pipelines need to know of a profile, filled by the caller from
// the profile of the current mode (the processing code knows no profiles). A plain
// value: copied into whichever thread runs the pipeline.
struct ProcessingOptions {
    bool filmMode = false; // film; false: microscope slides
    FilmType filmType = FilmType::PositiveColour; // the film scanning target; positive colour for slides
    bool balance = false; // film mode with auto colour or auto balance on
    bool colour = false; // film mode with auto colour on
    bool contrast = false; // the auto-contrast switch of the current mode
    bool noiseReduction = false; // film mode with digital noise reduction on
    int brightness = 0; // brightness value of the current mode, 0 = off
    int saturation = 0; // slide mode with saturation on: its value; else 0 = off
    int modelCode = 0; // the device's model code (scannermodels.h)
    // The user's levels, after every other step; neutral leaves the pipelines as they were.
    LevelsSettings levels;
};
