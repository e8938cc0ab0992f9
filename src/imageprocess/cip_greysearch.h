#pragma once

#include "cip_rect.h"

#include <cstddef>
#include <memory>

class CIP_RawImg;

// The lightness-range and grey-search analyses of auto colour and RGB balance over one
// rectangle of a raw image. Hue, saturation and value of every pixel are converted once when
// the object is made, so the repeated searches of one analysis cost a pass over three floats.
//
// Lightness is always on the 0-1 scale of 8-bit images: 16-bit samples are reduced to their
// high byte first and converted at 8 bits, so the analyses' constants mean the same at both
// depths. Channel means are in the image's own sample units.
//
// Threads: one object per analysis, used by one thread.
class CIP_GreySearch
{
public:
    struct Limits {
        double maxSaturation; // keep saturation <= this
        double brightness; // around this value (0-1)
        double tolerance; // |value - brightness| <= this
        double hue; // reference hue, degrees
        double hueTolerance; // folded hue distance (0-180) <= this
    };

    // rect must lie inside the image (the caller clips it).
    CIP_GreySearch(const CIP_RawImg& image, const CIP_Rect& rect);

    int pixelCount() const { return int(m_count); }

    // Smallest value of all pixels and largest value of those with saturation below 0.4
    // (0 when none), each moved 0.01 inward; mid halfway between. Leaves the channel means of
    // the whole rectangle in means(). false for an empty rectangle.
    bool lightnessRange(double& lo, double& hi, double& mid);

    // Share of kept pixels (kept / pixels of the rectangle; 0 for an empty one). Leaves the
    // channel means of the kept pixels (0 when none) in means().
    double search(const Limits& limits);

    // Red, green, blue means (colour order) of the last analysis.
    const double* means() const { return m_means; }
    int kept() const { return m_kept; }

private:
    // One uninitialised block of six rows of m_count floats: every entry is written once by
    // the constructor, so zero-filling them first would be a wasted pass.
    std::unique_ptr<float[]> m_data;
    std::size_t m_count = 0;
    float *m_hue = nullptr, *m_saturation = nullptr, *m_value = nullptr;
    float *m_red = nullptr, *m_green = nullptr, *m_blue = nullptr; // colour order, image units
    double m_means[3] = { 0, 0, 0 };
    int m_kept = 0;
};
