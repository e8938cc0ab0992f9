#include "ipmodelfiles.h"

namespace
{

struct ModelFiles {
    int modelIndex;
    const char* autoColor; // null: the default of the algorithm
    const char* rgbBalance;
    const char* autoCrop;
};

// Index 4's crop file depends on the film format and is handled in the function.
constexpr ModelFiles kModels[] = {
    { 4, "TQ4100/AUTOCOLOR-CCD.INI", "TQ4100/RGB_Balance_V2-CCD.INI", nullptr },
    { 5, "TQ2300/AUTOCOLOR-CCD.INI", "TQ2300/RGB_Balance_V2-CCD.INI", "TQ2300/AUTOCROP_V2.INI" },
    { 6, "TQ3500/AUTOCOLOR-CCD.INI", "TQ3500/RGB_Balance_V2-CCD.INI", "TQ3500/AUTOCROP_V2.INI" },
    { 7, nullptr, nullptr, "TQ2200/AUTOCROP_V2.INI" },
    { 8, "TQ3400/AUTOCOLOR-CCD.INI", "TQ3400/RGB_Balance_V2-CCD.INI", "TQ3400/AUTOCROP_V2.INI" },
    { 9, "TQ3300/AUTOCOLOR-CCD.INI", "TQ3300/RGB_Balance_V2-CCD.INI", nullptr },
    { 10, "TQ1200/AUTOCOLOR-CCD.INI", "TQ1200/RGB_Balance_V2-CCD.INI", "TQ1200/AUTOCROP_V2.INI" },
    { 11, "TQB/AUTOCOLOR-CCD.INI", "TQB/RGB_Balance_V2-CCD.INI", "TQB/AUTOCROP_V2.INI" },
    { 12, "TQB-AX/AUTOCOLOR-CCD.INI", "TQB-AX/RGB_Balance_V2-CCD.INI", "TQB-AX/AUTOCROP_V2.INI" },
    { 14, "TQ1100/AUTOCOLOR-CCD.INI", "TQ1100/RGB_Balance_V2-CCD.INI", "TQ1100/AUTOCROP_V2.INI" },
};

// The fall-backs differ by algorithm: colour files of the TQ2200, crop file of the TQ3300.
constexpr const char* kDefaultAutoColor = "TQ2200/AUTOCOLOR-CCD.INI";
constexpr const char* kDefaultRgbBalance = "TQ2200/RGB_Balance_V2-CCD.INI";
constexpr const char* kDefaultAutoCrop = "TQ3300/AUTOCROP_V2.INI";

} // namespace

const char* IPParamFileName(IPParamFile kind, int modelIndex, int filmFormat)
{
    if (kind == IPParamFile::AutoCrop && modelIndex == 4) {
        return (filmFormat == 1 || filmFormat == 2) ? "TQ4100/AUTOCROP_V2-TQ4100 - 120.INI"
                                                    : "TQ4100/AUTOCROP_V2-TQ4100 - 135.INI";
    }
    const ModelFiles* entry = nullptr;
    for (const ModelFiles& model : kModels) {
        if (model.modelIndex == modelIndex)
            entry = &model;
    }
    switch (kind) {
    case IPParamFile::AutoColor:
        return entry != nullptr && entry->autoColor != nullptr ? entry->autoColor : kDefaultAutoColor;
    case IPParamFile::RgbBalance:
        return entry != nullptr && entry->rgbBalance != nullptr ? entry->rgbBalance : kDefaultRgbBalance;
    case IPParamFile::AutoCrop:
        return entry != nullptr && entry->autoCrop != nullptr ? entry->autoCrop : kDefaultAutoCrop;
    }
    return kDefaultAutoColor;
}

IPString IPParamFilePath(IPParamFile kind, int modelIndex, int filmFormat)
{
    return IPString("./data/") + IPString(IPParamFileName(kind, modelIndex, filmFormat));
}
