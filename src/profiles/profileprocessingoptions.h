#pragma once

#include "processingoptions.h"

class ScanProfile;

// The processing options of a profile's current mode for a scanner model code; what
// every caller of the pipelines (prescan, final scan, filter previews, the
// command-line tool) hands to ProcessingSteps.
ProcessingOptions profileProcessingOptions(const ScanProfile& profile, int modelCode);

// The same with every switch of the user off (balance, colour, contrast, noise
// reduction, brightness, saturation, levels): only the corrections that every picture of the
// mode needs. What a filter preview starts from, so that its filters have work left.
ProcessingOptions uncorrectedProcessingOptions(const ScanProfile& profile, int modelCode);
