#include "filmmodel.h"

#include <algorithm>
#include <cmath>

namespace sim
{

namespace
{

// Clear base and density of a slide film; its unexposed parts are at maximum density.
constexpr float kPositiveClear = 0.86f;
constexpr float kPositiveDmax = 0.0035f;

// The orange mask of colour negative film and the grey base of black-and-white film.
constexpr float kColourBase[3] = { 0.80f, 0.46f, 0.24f };
constexpr float kMonoBase = 0.72f;

// Density grows with the logarithm of exposure; the slopes differ slightly per layer.
constexpr float kColourGamma[3] = { 1.00f, 1.06f, 1.12f };
constexpr float kMonoGamma = 1.25f;

float logExposure(float radiance)
{
    // 0 for no light, 1 for the brightest light the picture holds.
    static const float scale = 1.0f / std::log10(61.0f);
    return std::log10(1.0f + 60.0f * std::max(0.0f, radiance)) * scale;
}

} // namespace

FilmModel::FilmModel(Media media)
    : m_media(media)
{
}

FilmModel::Media FilmModel::mediaFromCode(std::uint8_t filmMediaType)
{
    switch (filmMediaType) {
    case 32:
        return Media::ColourNegative;
    case 48:
        return Media::MonoNegative;
    default:
        return Media::Positive;
    }
}

float FilmModel::response(int channel, float radiance) const
{
    switch (m_media) {
    case Media::Positive:
        return kPositiveDmax
            + (kPositiveClear - kPositiveDmax) * std::pow(std::min(1.0f, std::max(0.0f, radiance)), 1.15f);
    case Media::ColourNegative:
        return kColourBase[channel] * std::pow(10.0f, -kColourGamma[channel] * logExposure(radiance));
    case Media::MonoNegative:
        return kMonoBase * std::pow(10.0f, -kMonoGamma * logExposure(radiance));
    }
    return 1.0f;
}

FilmModel::Rgb FilmModel::picture(const Rgb& radiance) const
{
    if (monochrome()) {
        const float value
            = response(0, 0.2126f * radiance[0] + 0.7152f * radiance[1] + 0.0722f * radiance[2]);
        return { value, value, value };
    }
    return { response(0, radiance[0]), response(1, radiance[1]), response(2, radiance[2]) };
}

FilmModel::Rgb FilmModel::unexposedBorder() const
{
    if (m_media == Media::Positive)
        return { kPositiveDmax, kPositiveDmax, kPositiveDmax };
    return base();
}

FilmModel::Rgb FilmModel::base() const
{
    switch (m_media) {
    case Media::Positive:
        return { kPositiveClear, kPositiveClear, kPositiveClear };
    case Media::ColourNegative:
        return { kColourBase[0], kColourBase[1], kColourBase[2] };
    case Media::MonoNegative:
        return { kMonoBase, kMonoBase, kMonoBase };
    }
    return { 1.0f, 1.0f, 1.0f };
}

} // namespace sim
