#pragma once

#include "ipstring.h"

#include <filmtype.h>

#include <cstddef>
#include <cstdint>

// The view of an interleaved pixel buffer on which every analysis and correction works,
// with the scratch results of the statistics taken over a rectangle of it.
//
// Layout: samples interleaved per pixel (red, green, blue unless channelOrder says blue
// first), rows back to back: channel c of pixel (x, y) is sample (y * width + x) *
// channels + c. 8 bits: one byte per sample. More than 8 bits: an unsigned 16-bit
// little-endian word per sample, maximum 2^bits - 1.
//
// Ownership: the destructor frees pixels, both histograms and the border statistics
// when they are not null. Whoever wraps a buffer it does not own (an STImage, a QImage)
// sets pixels back to nullptr before the object dies.
//
// Threads: one object is used by one thread at a time. The histogram operations may
// use a second core internally; results are identical to a single-threaded run.
class CIP_RawImg
{
public:
    // Result codes shared by the image-processing code.
    static constexpr int kOk = 0;
    static constexpr int kNoHistogram = 603;

    // Film kind of the channel histogram.
    static constexpr int kPositive = FilmTypes::kKindPositive;
    static constexpr int kNegative = FilmTypes::kKindNegative;

    CIP_RawImg();
    CIP_RawImg(const CIP_RawImg&) = delete;
    CIP_RawImg& operator=(const CIP_RawImg&) = delete;
    virtual ~CIP_RawImg();

    // --- Fields, in the order the algorithms know them ---------------------------------
    IPString name; // not used by this system
    unsigned char* pixels = nullptr;
    std::int32_t singleChannel = 0; // grey-with-alpha layout; never set here, not supported
    std::uint32_t* channelHist = nullptr; // channels * 2^bits counters, block c = channel c
    std::uint32_t* brightnessHist = nullptr; // 2^bits counters
    // The auto crop's border-statistics block, mean[4..6] and borderPresent keep their
    // places in the layout, but this system's auto crop keeps its statistics to itself:
    // they stay null and 0 (the destructor still frees a block someone set).
    std::uint32_t* borderStats = nullptr;
    // 0-2: channel means (storage order), 3: mean brightness, 4-6: border statistics.
    float mean[7] = { 0, 0, 0, 0, 0, 0, 0 };
    std::int32_t bits = 0; // 8 or 16
    std::int32_t channels = 0; // 3 in this system
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t channelOrder = 0; // 1: first sample blue, third red
    std::uint32_t countAbove[3] = { 0, 0, 0 }; // per channel; [0] also for brightness
    std::uint32_t pixelsCounted = 0; // pixels that passed the colour filter
    std::uint8_t borderPresent = 0;
    std::int32_t hueMin = -1; // degrees; -1 = no hue window
    std::int32_t hueMax = -1;
    float satMin = -1.0f; // 0-1; -1 = no saturation window
    float satMax = -1.0f;
    float refHue = -1.0f; // degrees; -1 = no reference hue
    float hueTol = -1.0f; // degrees
    float hueWeight = -1.0f;

    // --- Pixel access --------------------------------------------------------------------
    // Number of histogram entries per channel: 2^bits (above 8 bits at most 2^16).
    int levels() const;
    int maxValue() const { return levels() - 1; }
    bool is16Bit() const { return bits > 8; }
    // Sample index c of pixel (x, y), read low byte first for 16-bit words; values above
    // maxValue() (a 12-bit image holding stray high bits) are clamped so that they can
    // index a histogram safely.
    int sample(int x, int y, int c) const;
    void setSample(int x, int y, int c, int value);
    // Red, green, blue of a pixel in colour order (channelOrder honoured).
    void rgb(int x, int y, float& r, float& g, float& b) const;

    // --- Colour conversion ---------------------------------------------------------------
    // Hue in degrees 0-360, saturation 0-1, value 0-1 for samples of the given depth.
    // Grey (black included) gives hue 0 and saturation 0 without dividing by zero.
    static void RGBtoHSV(float r, float g, float b, int nBits, float& hue, float& saturation, float& value);
    // As above at 8 bits, with the hue as a distance from red: 0 (red) to 1 (cyan).
    static void RGBtoHSVRedDistance(float r, float g, float b, float& hue, float& saturation, float& value);

    // --- Colour filter -------------------------------------------------------------------
    // True when a hue window, a saturation window or a reference hue is set.
    bool colourFilterSet() const;
    // Whether a pixel (colour-order floats, already inverted for a negative) is kept.
    bool passesColourFilter(float r, float g, float b) const;
    // Every analysis ends with this; the saturation window and reference hue stay.
    void resetHueWindow()
    {
        hueMin = -1;
        hueMax = -1;
    }

    // --- Analyses (0 = success, 603 = a histogram could not be allocated) ------------------
    // Rectangles are left, top, right, bottom with right and bottom exclusive; they are
    // clipped to the image, and an empty one leaves zero counts and zero means.

    // Fills channelHist, mean[0..2], countAbove and pixelsCounted. thresholds and limits
    // are per-channel arrays or nullptr; a limit of -1 is not set. filmKind 1 positive,
    // 2 negative (the filter then sees inverted samples and limits cut below).
    int ChannelHistogram(int left, int top, int right, int bottom, bool useColourFilter,
        const int* thresholds, const int* limits, int filmKind);

    // Fills brightnessHist, mean[3], countAbove[0] and pixelsCounted. threshold 0 = none;
    // luminance: (299 r + 587 g + 114 b) / 1000 instead of the plain mean of the samples.
    int BrightnessHistogram(
        int left, int top, int right, int bottom, bool useColourFilter, int threshold, bool luminance);

    // Plain single-threaded version of ChannelHistogram, kept to check the fast one.
    int ChannelHistogramReference(int left, int top, int right, int bottom, bool useColourFilter,
        const int* thresholds, const int* limits, int filmKind);

    // The lightness-range and grey-search analyses of auto colour and RGB balance are
    // CIP_GreySearch (cip_greysearch.h).

private:
    bool allocChannelHist(std::size_t entries);
    bool allocBrightnessHist(std::size_t entries);
    std::size_t sampleOffset(int x, int y, int c) const
    {
        return (std::size_t(y) * std::size_t(width) + std::size_t(x)) * std::size_t(channels)
            + std::size_t(c);
    }
};
