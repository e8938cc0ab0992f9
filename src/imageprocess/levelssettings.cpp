#include "levelssettings.h"

#include <algorithm>
#include <cmath>

LevelsChannel LevelsChannel::normalised() const
{
    LevelsChannel result;
    result.black = std::clamp(black, 0, kMaxLevel);
    result.white = std::clamp(white, 0, kMaxLevel);
    if (result.white - result.black < kMinRange)
        return LevelsChannel();
    // NaN fails every comparison: it reads as neutral, not as a limit.
    result.gamma
        = std::isfinite(gamma) ? std::clamp(std::round(gamma * 100.0) / 100.0, kMinGamma, kMaxGamma) : 1.0;
    return result;
}

double LevelsChannel::map(double x) const
{
    const double low = black / double(kMaxLevel);
    const double high = white / double(kMaxLevel);
    if (x <= low)
        return 0.0;
    if (x >= high)
        return 1.0;
    const double t = (x - low) / (high - low);
    return gamma == 1.0 ? t : std::pow(t, 1.0 / gamma);
}

bool LevelsSettings::isNeutral() const
{
    return std::all_of(
        channels.begin(), channels.end(), [](const LevelsChannel& c) { return c.isNeutral(); });
}

LevelsSettings LevelsSettings::normalised() const
{
    LevelsSettings result;
    for (std::size_t i = 0; i < channels.size(); ++i)
        result.channels[i] = channels[i].normalised();
    return result;
}

double LevelsSettings::map(int c, double x) const
{
    return channels[0].map(channels[std::size_t(c + 1)].map(x));
}
