#pragma once

#include <array>

// One channel's levels on the 0-255 scale of the preview: inputs at or below the black
// point become black, inputs at or above the white point become full scale, and the
// range between is stretched through the gamma (above 1 lightens the middle tones).
struct LevelsChannel {
    static constexpr int kMaxLevel = 255;
    // The narrowest range the handles may leave between black and white.
    static constexpr int kMinRange = 2;
    static constexpr double kMinGamma = 0.1;
    static constexpr double kMaxGamma = 9.99;

    int black = 0;
    int white = kMaxLevel;
    double gamma = 1.0; // kept to two decimals, as it is typed and stored

    bool isNeutral() const { return black == 0 && white == kMaxLevel && gamma == 1.0; }
    // In range: a point outside 0-255 is pulled to the edge, the gamma to its limits and
    // two decimals; a range narrower than kMinRange (a damaged file) gives neutral.
    LevelsChannel normalised() const;
    // x and the result on the 0-1 scale.
    double map(double x) const;

    bool operator==(const LevelsChannel& other) const
    {
        return black == other.black && white == other.white && gamma == other.gamma;
    }
    bool operator!=(const LevelsChannel& other) const { return !(*this == other); }
};

// The user's levels of one mode: one setting for all channels and one per channel. A
// sample goes through its channel's levels first, then through those of all channels.
// A plain value, neutral when new.
struct LevelsSettings {
    enum Channel { All = 0, Red = 1, Green = 2, Blue = 3 };
    static constexpr int kChannels = 4;

    std::array<LevelsChannel, kChannels> channels {};

    LevelsChannel& operator[](Channel channel) { return channels[std::size_t(channel)]; }
    const LevelsChannel& operator[](Channel channel) const { return channels[std::size_t(channel)]; }

    bool isNeutral() const;
    LevelsSettings normalised() const;
    // The whole mapping of colour channel c (0 red, 1 green, 2 blue) on the 0-1 scale.
    double map(int c, double x) const;

    bool operator==(const LevelsSettings& other) const { return channels == other.channels; }
    bool operator!=(const LevelsSettings& other) const { return !(*this == other); }
};
