#pragma once

#include "ipstring.h"

// Which parameter file each algorithm reads for a scanner model. The model index is
// the small integer the image-processing object holds (ScannerModels::parameterIndex
// gives it for a model code).
enum class IPParamFile {
    AutoColor, // "AUTOCOLOR-CCD.INI"
    RgbBalance, // "RGB_Balance_V2-CCD.INI"
    AutoCrop, // "AUTOCROP_V2.INI" (two variants for index 4, chosen by film format)
};

// The file name relative to the data folder, e.g. "TQ3300/AUTOCOLOR-CCD.INI".
// filmFormat only matters for the auto crop of model index 4 (1 or 2: the 120 file).
const char* IPParamFileName(IPParamFile kind, int modelIndex, int filmFormat = 0);

// The path the algorithms open: "./data/" + the file name, relative to the current
// working directory (start-up makes the application folder current).
IPString IPParamFilePath(IPParamFile kind, int modelIndex, int filmFormat = 0);
