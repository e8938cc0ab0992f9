#include "cip_tonetable.h"

#include "cip_parallel.h"

namespace
{

// The pixel loop is split into rows of this many pixels for the threads.
constexpr std::size_t kPixelsPerRow = 4096;

template <typename Sample, typename Table>
void mapRange(const Sample* src, Sample* dst, std::size_t first, std::size_t end, int channels,
    const Table* r, const Table* g, const Table* b)
{
    if (channels == 3) {
        const Sample* s = src + first * 3;
        Sample* d = dst + first * 3;
        const Sample* stop = src + end * 3;
        // Three independent loads before the stores let the table reads overlap.
        for (; s != stop; s += 3, d += 3) {
            const Sample vr = static_cast<Sample>(r[s[0]]);
            const Sample vg = static_cast<Sample>(g[s[1]]);
            const Sample vb = static_cast<Sample>(b[s[2]]);
            d[0] = vr;
            d[1] = vg;
            d[2] = vb;
        }
        return;
    }
    for (std::size_t p = first; p < end; ++p) {
        const Sample* s = src + p * channels;
        Sample* d = dst + p * channels;
        const Sample vr = static_cast<Sample>(r[s[0]]);
        const Sample vg = static_cast<Sample>(g[s[1]]);
        const Sample vb = static_cast<Sample>(b[s[2]]);
        for (int c = 3; c < channels; ++c)
            d[c] = s[c];
        d[0] = vr;
        d[1] = vg;
        d[2] = vb;
    }
}

template <typename Sample, typename Table>
void mapParallel(const void* src, void* dst, std::size_t pixelCount, int channels, const Table* r,
    const Table* g, const Table* b, int threads)
{
    const auto* s = static_cast<const Sample*>(src);
    auto* d = static_cast<Sample*>(dst);
    const std::size_t rows = (pixelCount + kPixelsPerRow - 1) / kPixelsPerRow;
    CIP_Parallel::run(rows, kPixelsPerRow * channels, threads, [&](std::size_t firstRow, std::size_t endRow) {
        const std::size_t first = firstRow * kPixelsPerRow;
        const std::size_t end = endRow * kPixelsPerRow < pixelCount ? endRow * kPixelsPerRow : pixelCount;
        mapRange(s, d, first, end, channels, r, g, b);
    });
}

} // namespace

void CIP_ToneTable::apply(const void* src, void* dst, std::size_t pixelCount, int bits, int channels,
    const uint16_t* const tables[3], int threads)
{
    if (pixelCount == 0 || channels < 3)
        return;
    if (bits > 8) {
        mapParallel<uint16_t>(src, dst, pixelCount, channels, tables[0], tables[1], tables[2], threads);
        return;
    }
    // Byte tables: the low byte of each entry, a quarter of the cache footprint.
    uint8_t low[3][256];
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 256; ++i)
            low[c][i] = static_cast<uint8_t>(tables[c][i] & 0xff);
    }
    mapParallel<uint8_t>(src, dst, pixelCount, channels, low[0], low[1], low[2], threads);
}

void CIP_ToneTable::applyReference(const void* src, void* dst, std::size_t pixelCount, int bits, int channels,
    const uint16_t* const tables[3])
{
    for (std::size_t p = 0; p < pixelCount; ++p) {
        for (int c = 0; c < channels; ++c) {
            const std::size_t i = p * channels + c;
            if (bits > 8) {
                const uint16_t v = static_cast<const uint16_t*>(src)[i];
                static_cast<uint16_t*>(dst)[i] = c < 3 ? tables[c][v] : v;
            } else {
                const uint8_t v = static_cast<const uint8_t*>(src)[i];
                static_cast<uint8_t*>(dst)[i] = c < 3 ? static_cast<uint8_t>(tables[c][v] & 0xff) : v;
            }
        }
    }
}
