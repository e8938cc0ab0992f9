#pragma once

#include <array>
#include <cstdint>

namespace sim
{

// How light passes the film in the holder. Transmittances are linear, 0 to 1, per
// channel R, G, B, so the CCD signal is proportional to them.
class FilmModel
{
public:
    enum class Media { Positive, ColourNegative, MonoNegative };
    using Rgb = std::array<float, 3>;

    explicit FilmModel(Media media);

    // 16 positive, 32 colour negative, 48 black-and-white negative; any other
    // code is taken as positive, which is what the device does with slides.
    static Media mediaFromCode(std::uint8_t filmMediaType);

    Media media() const { return m_media; }

    // The developed picture for the scene's linear radiance (0 to 1 per channel).
    Rgb picture(const Rgb& radiance) const;
    // Black-and-white film sees the luminance; colour film each channel apart.
    bool monochrome() const { return m_media == Media::MonoNegative; }
    // Transmittance of channel c for radiance 0 to 1 (luminance for monochrome film).
    float response(int channel, float radiance) const;
    // The film where no light fell: the base of a negative, the black of a positive.
    Rgb unexposedBorder() const;
    // The film's clearest part, which the film-base measurement looks for.
    Rgb base() const;

    static constexpr float kHolder = 0.0012f; // stray light through the holder mask
    static constexpr float kHole = 1.0f; // nothing in the way

private:
    Media m_media;
};

} // namespace sim
