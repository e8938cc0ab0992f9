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

LevelsTables::LevelsTables(const LevelsSettings& settings, int bitsPerSample)
    : m_settings(settings.normalised())
    , m_bits(bitsPerSample > 8 ? 16 : 8)
{
    if (m_settings.isNeutral())
        return;
    const int max = maxSample(m_bits);
    for (int c = 0; c < 3; ++c) {
        // Channels with the same levels share the work: the costly part is the gamma.
        const LevelsChannel& own = m_settings.channels[std::size_t(c + 1)];
        int same = -1;
        for (int earlier = 0; earlier < c && same < 0; ++earlier) {
            if (m_settings.channels[std::size_t(earlier + 1)] == own)
                same = earlier;
        }
        if (same >= 0) {
            m_tables[c] = m_tables[same];
            continue;
        }
        m_tables[c].assign(65536, 0);
        for (int v = 0; v <= max; ++v)
            m_tables[c][std::size_t(v)] = entry(m_settings, c, v, m_bits);
    }
}

quint16 LevelsTables::entry(const LevelsSettings& settings, int c, int sample, int bitsPerSample)
{
    const int max = maxSample(bitsPerSample > 8 ? 16 : 8);
    const double mapped = settings.map(c, double(sample) / max) * max;
    // Half up; mapped lies in 0 ... max.
    return quint16(std::floor(mapped + 0.5));
}

void LevelsTables::apply(STImage& image) const
{
    if (isNeutral() || image.isNull() || image.channels() < 3 || int(image.bitsPerSample()) != m_bits)
        return;
    const uint16_t* const tables[3] = { table(0), table(1), table(2) };
    const std::size_t pixels = std::size_t(image.width()) * image.height();
    CIP_ToneTable::apply(image.data(), image.data(), pixels, m_bits, int(image.channels()), tables);
}
