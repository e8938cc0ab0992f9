#include "composedtables.h"

#include "cip_tonetable.h"

ComposedTables::ComposedTables(int bitsPerSample)
    : m_bits(bitsPerSample > 8 ? 16 : 8)
{
    const int size = m_bits == 8 ? 256 : 65536;
    for (auto& table : m_table) {
        table.resize(size);
        for (int i = 0; i < size; ++i)
            table[i] = quint16(i);
    }
}

void ComposedTables::append(const quint16* red, const quint16* green, const quint16* blue)
{
    const quint16* step[3] = { red, green, blue };
    const quint16 mask = m_bits == 8 ? 0xFF : 0xFFFF;
    for (int c = 0; c < 3; ++c) {
        for (quint16& value : m_table[c])
            value = step[c][value] & mask;
    }
    ++m_steps;
}

void ComposedTables::apply(const uchar* source, uchar* target, std::size_t pixels) const
{
    const uint16_t* const tables[3] = { m_table[0].data(), m_table[1].data(), m_table[2].data() };
    CIP_ToneTable::apply(source, target, pixels, m_bits, 3, tables);
}
