#include "prescanprocessing.h"

#include <processingsteps.h>
#include <profileprocessingoptions.h>
#include <scanprofile.h>

namespace PrescanProcessing
{

STImage reprocess(const STImage& raw, const ScanProfile& profile, int modelCode, ProcessingSteps& steps,
    const PipelineHooks& hooks)
{
    if (raw.width() == 0 || raw.height() == 0)
        return STImage();
    STImage image(raw);
    ProcessingOptions options = profileProcessingOptions(profile, modelCode);
    options.brightness = 0;
    options.levels = LevelsSettings();
    steps.runPrescan(image, options, hooks);
    return image;
}

STImage withBrightness(const STImage& processed, int value, ProcessingSteps& steps)
{
    STImage image(processed);
    if (value != 0 && !image.isNull())
        steps.brightness(image, value);
    return image;
}

} // namespace PrescanProcessing
