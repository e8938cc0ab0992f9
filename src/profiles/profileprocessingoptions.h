#pragma once

#include "processingoptions.h"

class ScanProfile;

// The processing options of a profile's current mode for a scanner model code; what
// every caller of the pipelines (prescan, final scan, filter previews, the
// command-line tool) hands to ProcessingSteps.
ProcessingOptions profileProcessingOptions(const ScanProfile& profile, int modelCode);
