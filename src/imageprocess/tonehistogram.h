#pragma once

#include "levelssettings.h"

#include <QtGlobal>

#include <array>

class QImage;
class STImage;

// Red, green, blue and luminance counts of an image in 256 bins on the preview's
// 0-255 scale (a 16-bit sample falls into the bin of its high byte, as the preview
// shows it), with the pixels clipped at black and at full scale. A plain value.
class ToneHistogram
{
public:
    enum Channel { Red = 0, Green = 1, Blue = 2, Luminance = 3 };
    enum Scale { Linear, Logarithmic };
    static constexpr int kChannels = 4;
    static constexpr int kBins = 256;
    using Counts = std::array<quint32, kBins>;

    ToneHistogram() = default; // no pixels

    // Any QImage (converted to 24-bit RGB when it is in another format).
    static ToneHistogram of(const QImage& image);
    // An 8- or 16-bit RGB image; any other gives an empty histogram.
    static ToneHistogram of(const STImage& image);

    quint64 pixels() const { return m_pixels; }
    const Counts& counts(Channel channel) const { return m_counts[channel]; }
    // Share 0-1 of the pixels whose sample is 0, or full scale (255 or 65535); for the
    // luminance, whose every channel is.
    double clippedBlack(Channel channel) const;
    double clippedWhite(Channel channel) const;

    // Bar heights 0-1 for drawing, relative to the tallest bin of all four curves that is
    // not an end bin (an end bin taller than that is drawn full height).
    std::array<double, kBins> heights(Channel channel, Scale scale) const;

    // The darkest and lightest levels that leave at most `share` (0-1) of the pixels of
    // a colour channel at or beyond them.
    int blackPoint(Channel channel, double share) const;
    int whitePoint(Channel channel, double share) const;
    // Black and white points of red, green and blue from blackPoint() and whitePoint()
    // of this histogram, which must be of the image before levels. The channels' gammas
    // are kept from current; the levels of all channels become neutral, so that no more
    // than share clips. A channel too narrow for a range keeps its levels from current.
    LevelsSettings autoLevels(double share, const LevelsSettings& current = LevelsSettings()) const;

private:
    template <typename Sample, int Shift> void count(const Sample* samples, std::size_t pixels, int stride);

    std::array<Counts, kChannels> m_counts {};
    std::array<quint64, kChannels> m_black {};
    std::array<quint64, kChannels> m_white {};
    quint64 m_pixels = 0;
};
