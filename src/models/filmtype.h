#pragma once

// The film in the scanner. A profile's film scanning target is this type; the codes
// the device, the analyses and the histograms take are conversions of it, written only
// here. A microscope slide scans as a positive.
enum class FilmType : int {
    PositiveColour = 0,
    NegativeColour = 1,
    PositiveBlackWhite = 2,
    NegativeBlackWhite = 3,
};

namespace FilmTypes
{

// Film media codes of the device's scan option record.
constexpr int kMediaPositive = 16;
constexpr int kMediaColourNegative = 32;
constexpr int kMediaBlackWhiteNegative = 48;

// Film codes of the analyses (they choose the parameter sections and the gamma curve).
constexpr int kCodePositive = 1;
constexpr int kCodeColourNegative = 2;
constexpr int kCodeBlackWhiteNegative = 4;

// Film kinds of the channel histogram.
constexpr int kKindPositive = 1;
constexpr int kKindNegative = 2;

// A profile's scanning target; a value outside 0-3 (a damaged file) reads as positive colour.
constexpr FilmType fromTarget(int target)
{
    return (target >= 0 && target <= 3) ? static_cast<FilmType>(target) : FilmType::PositiveColour;
}

constexpr int target(FilmType type)
{
    return static_cast<int>(type);
}

constexpr bool isNegative(FilmType type)
{
    return type == FilmType::NegativeColour || type == FilmType::NegativeBlackWhite;
}

constexpr int mediaCode(FilmType type)
{
    switch (type) {
    case FilmType::NegativeColour:
        return kMediaColourNegative;
    case FilmType::NegativeBlackWhite:
        return kMediaBlackWhiteNegative;
    default:
        return kMediaPositive;
    }
}

constexpr int filmCode(FilmType type)
{
    switch (type) {
    case FilmType::NegativeColour:
        return kCodeColourNegative;
    case FilmType::NegativeBlackWhite:
        return kCodeBlackWhiteNegative;
    default:
        return kCodePositive;
    }
}

constexpr int histogramKind(FilmType type)
{
    return isNegative(type) ? kKindNegative : kKindPositive;
}

// The parameter-file section of a film code: positive for the positive code, negative
// for either negative code, nullptr for any other code (the caller then keeps the
// values it has).
constexpr const char* parameterSection(int filmCode, const char* positive, const char* negative)
{
    if (filmCode == kCodePositive)
        return positive;
    if (filmCode == kCodeColourNegative || filmCode == kCodeBlackWhiteNegative)
        return negative;
    return nullptr;
}

} // namespace FilmTypes
