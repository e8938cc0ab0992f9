#pragma once

// What the processing pipelines need to know of a profile, filled by the caller from
// the profile of the current mode (the processing code knows no profiles). A plain
// value: copied into whichever thread runs the pipeline.
struct ProcessingOptions {
    bool filmMode = false; // film; false: microscope slides
    int filmType = 0; // film scanning target 0-3 (positive colour, negative colour, positive b/w, negative
                      // b/w); 0 for slides
    int filmTypeValue = 16; // 16 positive or slide, 32 colour negative, 48 black-and-white negative
    bool balance = false; // film mode with auto colour or auto balance on
    bool colour = false; // film mode with auto colour on
    bool contrast = false; // the auto-contrast switch of the current mode
    bool noiseReduction = false; // film mode with digital noise reduction on
    int brightness = 0; // brightness value of the current mode, 0 = off
    int saturation = 0; // slide mode with saturation on: its value; else 0 = off
    int modelCode = 0; // the device's model code (82, 83, 84)
};
