#pragma once

#include <cstddef>
#include <cstdint>

// Maps interleaved red, green, blue samples through one table per channel.
// Pure functions over caller-owned buffers: callable from any thread.
class CIP_ToneTable
{
public:
    // dst may equal src (in place). 8-bit samples take the low byte of their entry, 16-bit
    // samples the entry itself. channels >= 3: only the first three samples of each pixel are
    // mapped (the others are copied). threads = 0 uses CIP_Parallel::defaultThreads().
    static void apply(const void* src, void* dst, std::size_t pixelCount, int bits, int channels,
        const uint16_t* const tables[3], int threads = 0);

    // The plain per-pixel version: the oracle of the tests and the benchmark's baseline.
    static void applyReference(const void* src, void* dst, std::size_t pixelCount, int bits, int channels,
        const uint16_t* const tables[3]);
};
