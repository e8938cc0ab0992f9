#include "levelshandles.h"

#include <algorithm>
#include <cmath>

namespace LevelsHandles
{

double position(const LevelsChannel& levels, Handle handle)
{
    switch (handle) {
    case Black:
        return levels.black;
    case White:
        return levels.white;
    case Gamma:
        return levels.black + (levels.white - levels.black) * std::pow(0.5, levels.gamma);
    case None:
        break;
    }
    return -1.0;
}

LevelsChannel moved(const LevelsChannel& levels, Handle handle, double level)
{
    LevelsChannel result = levels;
    // Rounded to the nearest level: a handle snaps to what the spin boxes show.
    const int at = int(std::lround(std::clamp(level, 0.0, double(LevelsChannel::kMaxLevel))));
    switch (handle) {
    case Black:
        result.black = std::min(at, levels.white - LevelsChannel::kMinRange);
        break;
    case White:
        result.white = std::max(at, levels.black + LevelsChannel::kMinRange);
        break;
    case Gamma: {
        const double range = levels.white - levels.black;
        const double t = std::clamp((level - levels.black) / range, 0.001, 0.999);
        result.gamma = std::log(t) / std::log(0.5);
        break;
    }
    case None:
        break;
    }
    return result.normalised();
}

Handle handleAt(const LevelsChannel& levels, double level, double reach)
{
    Handle best = None;
    double bestDistance = reach;
    for (Handle handle : { Black, White, Gamma }) {
        const double distance = std::abs(position(levels, handle) - level);
        if (distance <= bestDistance && (best == None || distance < bestDistance)) {
            best = handle;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace LevelsHandles
