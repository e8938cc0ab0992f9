#pragma once

#include <array>

// What the slide scanning targets with a preset bring (tissue sections, common things,
// aquatic organisms, by target code; "others" has none): the saturation and brightness
// of the target's built-in slot, and what the slide editor sets when the target is
// picked there.
namespace SlidePresets
{

struct Preset {
    int slotSaturation;
    int slotBrightness;
    int editorSaturation;
    int editorBrightness;
};

inline constexpr std::array<Preset, 3> kPresets { {
    { 0, 0, 0, 0 },
    { -38, 0, -38, 26 },
    { 49, 10, 49, 65 },
} };

} // namespace SlidePresets
