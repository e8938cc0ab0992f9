#pragma once

#include "levelssettings.h"

#include <QtGlobal>

#include <array>
#include <vector>

class STImage;

// The user's levels as one table per channel at an image's depth, built once and
// applied with one look-up per sample; the prescan, the final scan and the live preview
// all map through these, so they agree exactly at the same depth.
//
// A sample goes through two steps at the image's depth, its channel's levels and then
// those of all channels, as two table steps in a row would map it; the tables are their
// composition. The gamma makes a step costly to build, so a new set can take over the
// steps of the set it replaces whose levels did not change (a drag moves one handle).
//
// A plain value; const use from several threads is safe.
class LevelsTables
{
public:
    LevelsTables() = default; // neutral: changes nothing
    // bitsPerSample 8, or 16 for any deeper image. previous, when of the same depth,
    // lends the steps whose levels are unchanged.
    LevelsTables(const LevelsSettings& settings, int bitsPerSample, const LevelsTables* previous = nullptr);

    bool isNeutral() const { return m_tables[0].empty(); }
    const LevelsSettings& settings() const { return m_settings; }
    int bitsPerSample() const { return m_bits; }
    // 65536 entries, of which the first 2^bits are used; nullptr when neutral.
    const quint16* table(int c) const { return m_tables[c].empty() ? nullptr : m_tables[c].data(); }

    // Maps an RGB image in place; an image of another depth is left as it is.
    void apply(STImage& image) const;

    // One entry without the tables: the oracle of the tests. Each step rounds half up.
    static quint16 entry(const LevelsSettings& settings, int c, int sample, int bitsPerSample);

private:
    static quint16 stepEntry(const LevelsChannel& levels, int sample, int max);

    LevelsSettings m_settings;
    int m_bits = 16;
    // Per LevelsSettings::Channel, the step alone; empty for a neutral one.
    std::array<std::vector<quint16>, LevelsSettings::kChannels> m_steps;
    std::vector<quint16> m_tables[3];
};
