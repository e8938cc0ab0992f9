#include "profileprocessingoptions.h"

#include "scanprofile.h"

ProcessingOptions profileProcessingOptions(const ScanProfile& profile, int modelCode)
{
    ProcessingOptions options;
    options.filmMode = !profile.isSlideMode();
    options.filmType = profile.filmType();
    options.balance = profile.autoColourOrBalance();
    options.colour = profile.autoColour();
    options.contrast = profile.autoContrast().enable;
    options.noiseReduction = profile.noiseReduction();
    options.brightness = profile.brightness();
    options.saturation = profile.saturation();
    options.modelCode = modelCode;
    options.levels = profile.levels();
    return options;
}

ProcessingOptions uncorrectedProcessingOptions(const ScanProfile& profile, int modelCode)
{
    ProcessingOptions options = profileProcessingOptions(profile, modelCode);
    options.balance = false;
    options.colour = false;
    options.contrast = false;
    options.noiseReduction = false;
    options.brightness = 0;
    options.saturation = 0;
    options.levels = LevelsSettings();
    return options;
}
