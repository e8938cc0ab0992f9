#pragma once

#include <QtGlobal>

#include <cstddef>
#include <vector>

// One table per channel standing for several table steps in a row (tone curves,
// film terms): applying it once gives exactly the samples that applying each step in
// turn gives, because every step maps a channel's sample through its own table.
//
// Entries are kept at the image's depth: an 8-bit sample takes the low byte of the
// step's 16-bit entry, as each step on an 8-bit image does.
//
// Not shared between threads; apply() itself may split the rows over two threads.
class ComposedTables
{
public:
    explicit ComposedTables(int bitsPerSample); // 8, or 16 for any deeper image
    virtual ~ComposedTables() = default;

    // Appends one step; each table has 65536 entries indexed by the raw sample and
    // must stay alive until the last apply().
    void append(const quint16* red, const quint16* green, const quint16* blue);
    int steps() const { return m_steps; }
    int bitsPerSample() const { return m_bits; }

    // Maps `pixels` interleaved red, green, blue pixels from source to target (they
    // may be the same buffer).
    void apply(const uchar* source, uchar* target, std::size_t pixels) const;

private:
    int m_bits;
    int m_steps = 0;
    const quint16* m_single[3] = { nullptr, nullptr, nullptr }; // the first step's tables
    std::vector<quint16> m_table[3]; // the composition, from the second step on
};
