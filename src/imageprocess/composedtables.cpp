#include "composedtables.h"

#include "cip_tonetable.h"

#include <algorithm>

ComposedTables::ComposedTables(int bitsPerSample)
    : m_bits(bitsPerSample > 8 ? 16 : 8)
{
}

void ComposedTables::append(const quint16* red, const quint16* green, const quint16* blue)
{
    const quint16* step[3] = { red, green, blue };
    ++m_steps;
    if (m_steps == 1) {
        // A single step is applied through its own tables: composing costs more than
        // applying it on a preview-sized image.
        std::copy(step, step + 3, m_single);
        return;
    }
    const quint16 mask = m_bits == 8 ? 0xFF : 0xFFFF;
    const int size = m_bits == 8 ? 256 : 65536;
    for (int c = 0; c < 3; ++c) {
        if (m_steps == 2)
            m_table[c].assign(m_single[c], m_single[c] + size);
        for (quint16& value : m_table[c])
            value = step[c][value & mask] & mask;
    }
}

void ComposedTables::apply(const uchar* source, uchar* target, std::size_t pixels) const
{
    if (m_steps == 0) {
        if (source != target)
            std::copy_n(source, pixels * 3 * (m_bits == 8 ? 1 : 2), target);
        return;
    }
    const uint16_t* const tables[3] = { m_steps == 1 ? m_single[0] : m_table[0].data(),
        m_steps == 1 ? m_single[1] : m_table[1].data(), m_steps == 1 ? m_single[2] : m_table[2].data() };
    CIP_ToneTable::apply(source, target, pixels, m_bits, 3, tables);
}
