#include "scanresolution.h"

#include <finalfile.h>

int ScanResolution::output(int modelCode, int resolutionChoice)
{
    if (modelCode == 84)
        return resolutionChoice == 0 ? FinalFile::kEnlargedResolution : FinalFile::kScannedResolution;
    return resolutionChoice == 0 ? 3600 : 1800;
}

int ScanResolution::device(int modelCode, int resolutionChoice)
{
    if (modelCode == 84)
        return FinalFile::kScannedResolution;
    return resolutionChoice == 0 ? 3600 : 1800;
}
