#pragma once

#include <pipelinehooks.h>
#include <stimage.h>

class ProcessingSteps;
class ScanProfile;

// The prescan as the preview shows it. The pipeline's last steps, the brightness and
// the levels, are left to the brightness slider and the levels panel: the slider starts
// at the profile's value and the final scan takes the slider's value, so applying both
// would show the preview brighter than the scan will be; the levels follow the
// brightness there as they do in the final scan.
namespace PrescanProcessing
{

// The prescan pipeline of profile's current mode on a copy of raw, without the
// brightness and levels steps; steps keeps the tables it found for the final scan. An empty raw
// gives an empty image and runs nothing.
STImage reprocess(const STImage& raw, const ScanProfile& profile, int modelCode, ProcessingSteps& steps,
    const PipelineHooks& hooks = {});

// processed with the brightness step of value (a copy; unchanged for 0).
STImage withBrightness(const STImage& processed, int value, ProcessingSteps& steps);

} // namespace PrescanProcessing
