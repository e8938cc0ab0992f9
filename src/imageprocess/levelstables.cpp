#include "levelstables.h"

#include "cip_tonetable.h"

#include <stimage.h>

#include <cmath>

namespace
{

int maxSample(int bits)
{
    return bits == 8 ? 0xFF : 0xFFFF;
}

} // namespace

quint16 LevelsTables::stepEntry(const LevelsChannel& levels, int sample, int max)
{
    // Half up; the mapped value lies in 0 ... max.
    return quint16(std::floor(levels.map(double(sample) / max) * max + 0.5));
}

quint16 LevelsTables::entry(const LevelsSettings& settings, int c, int sample, int bitsPerSample)
{
    const LevelsSettings levels = settings.normalised();
    const int max = maxSample(bitsPerSample > 8 ? 16 : 8);
    return stepEntry(levels.channels[0], stepEntry(levels.channels[std::size_t(c + 1)], sample, max), max);
}

LevelsTables::LevelsTables(const LevelsSettings& settings, int bitsPerSample, const LevelsTables* previous)
    : m_settings(settings.normalised())
    , m_bits(bitsPerSample > 8 ? 16 : 8)
{
    if (m_settings.isNeutral())
        return;
    if (previous != nullptr && previous->m_bits != m_bits)
        previous = nullptr;
    const int max = maxSample(m_bits);
    for (std::size_t s = 0; s < m_steps.size(); ++s) {
        const LevelsChannel& levels = m_settings.channels[s];
        if (levels.isNeutral())
            continue;
        if (previous != nullptr && previous->m_settings.channels[s] == levels
            && !previous->m_steps[s].empty()) {
            m_steps[s] = previous->m_steps[s];
            continue;
        }
        std::size_t same = 0;
        while (same < s && m_settings.channels[same] != levels)
            ++same;
        if (same < s) {
            m_steps[s] = m_steps[same];
            continue;
        }
        m_steps[s].resize(65536);
        for (int v = 0; v <= max; ++v)
            m_steps[s][std::size_t(v)] = stepEntry(levels, v, max);
    }

    const std::vector<quint16>& all = m_steps[LevelsSettings::All];
    for (int c = 0; c < 3; ++c) {
        const std::vector<quint16>& own = m_steps[std::size_t(c + 1)];
        std::vector<quint16>& table = m_tables[c];
        table.resize(65536);
        for (int v = 0; v <= max; ++v) {
            const quint16 first = own.empty() ? quint16(v) : own[std::size_t(v)];
            table[std::size_t(v)] = all.empty() ? first : all[first];
        }
    }
}

void LevelsTables::apply(STImage& image) const
{
    if (isNeutral() || image.isNull() || image.channels() < 3 || int(image.bitsPerSample()) != m_bits)
        return;
    const uint16_t* const tables[3] = { table(0), table(1), table(2) };
    const std::size_t pixels = std::size_t(image.width()) * image.height();
    CIP_ToneTable::apply(image.data(), image.data(), pixels, m_bits, int(image.channels()), tables);
}
