#include "cip_median.h"

#include "cip_parallel.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace
{

// 32-byte vectors: one AVX2 register, two SSE2 registers in the default clone.
typedef uint16_t Vec16 __attribute__((vector_size(32)));
typedef uint8_t Vec8 __attribute__((vector_size(32)));

// Lane-wise min and max for vectors and scalars alike (no vector arguments cross a call).
#define KV_MIN(a, b) ((a) < (b) ? (a) : (b))
#define KV_MAX(a, b) ((a) < (b) ? (b) : (a))
#define KV_SORT2(a, b)                                                                                       \
    do {                                                                                                     \
        const auto lowTmp = KV_MIN(a, b);                                                                    \
        (b) = KV_MAX(a, b);                                                                                  \
        (a) = lowTmp;                                                                                        \
    } while (0)

// Samples of one row handled per pass: the three sorted-column buffers stay in L1.
constexpr std::size_t kChunk = 2048;

// Unaligned vector load; a macro because a vector crossing a call would change the ABI.
#define KV_LOAD(v, p) std::memcpy(&(v), (p), sizeof(v))

// The 3x3 median of one row y (1 <= y < height - 1), samples [first, end) of the row with
// neighbours `step` samples apart. The neighbourhood median is
// med3(max of column lows, med3 of column middles, min of column highs), with each vertical
// column sorted once and shared by the three outputs that use it.
template <typename V, typename T>
inline __attribute__((always_inline)) void medianRow(const T* above, const T* row, const T* below, T* out,
    std::size_t first, std::size_t end, std::size_t step, T* lo, T* mid, T* hi)
{
    constexpr std::size_t lanes = sizeof(V) / sizeof(T);
    for (std::size_t j0 = first; j0 < end; j0 += kChunk) {
        const std::size_t j1 = std::min(end, j0 + kChunk);
        // Sorted columns for [j0 - step, j1 + step).
        const std::size_t c0 = j0 - step;
        const std::size_t count = j1 - j0 + 2 * step;
        std::size_t i = 0;
        for (; i + lanes <= count; i += lanes) {
            V a, b, c;
            KV_LOAD(a, above + c0 + i);
            KV_LOAD(b, row + c0 + i);
            KV_LOAD(c, below + c0 + i);
            KV_SORT2(a, b);
            KV_SORT2(b, c);
            KV_SORT2(a, b);
            std::memcpy(lo + i, &a, sizeof a);
            std::memcpy(mid + i, &b, sizeof b);
            std::memcpy(hi + i, &c, sizeof c);
        }
        for (; i < count; ++i) {
            T a = above[c0 + i], b = row[c0 + i], c = below[c0 + i];
            KV_SORT2(a, b);
            KV_SORT2(b, c);
            KV_SORT2(a, b);
            lo[i] = a;
            mid[i] = b;
            hi[i] = c;
        }
        // Output j uses columns j - step, j, j + step: buffer positions i, i + step, i + 2 step.
        const std::size_t n = j1 - j0;
        i = 0;
        for (; i + lanes <= n; i += lanes) {
            V l0, l1, l2, m0, m1, m2, h0, h1, h2;
            KV_LOAD(l0, lo + i);
            KV_LOAD(l1, lo + i + step);
            KV_LOAD(l2, lo + i + 2 * step);
            KV_LOAD(m0, mid + i);
            KV_LOAD(m1, mid + i + step);
            KV_LOAD(m2, mid + i + 2 * step);
            KV_LOAD(h0, hi + i);
            KV_LOAD(h1, hi + i + step);
            KV_LOAD(h2, hi + i + 2 * step);
            V maxLow = KV_MAX(KV_MAX(l0, l1), l2);
            V minHigh = KV_MIN(KV_MIN(h0, h1), h2);
            KV_SORT2(m0, m1);
            m1 = KV_MIN(m1, m2);
            V medMid = KV_MAX(m0, m1);
            KV_SORT2(maxLow, medMid);
            medMid = KV_MIN(medMid, minHigh);
            const V result = KV_MAX(maxLow, medMid);
            std::memcpy(out + j0 + i, &result, sizeof result);
        }
        for (; i < n; ++i) {
            T maxLow = std::max({ lo[i], lo[i + step], lo[i + 2 * step] });
            const T minHigh = std::min({ hi[i], hi[i + step], hi[i + 2 * step] });
            T m0 = mid[i], m1 = mid[i + step];
            const T m2 = mid[i + 2 * step];
            KV_SORT2(m0, m1);
            m1 = KV_MIN(m1, m2);
            T medMid = KV_MAX(m0, m1);
            KV_SORT2(maxLow, medMid);
            medMid = KV_MIN(medMid, minHigh);
            out[j0 + i] = KV_MAX(maxLow, medMid);
        }
    }
}

// An AVX2 copy beside the plain one, chosen when the program loads. Not under
// ThreadSanitizer: it instruments the chooser, which runs before its runtime is set up.
#if defined(__SANITIZE_THREAD__)
#define KORVANE_AVX2_CLONES
#else
#define KORVANE_AVX2_CLONES __attribute__((target_clones("avx2", "default")))
#endif

template <typename V, typename T>
inline __attribute__((always_inline)) void medianRows(
    const T* src, T* dst, std::size_t rowSamples, std::size_t step, std::size_t firstRow, std::size_t endRow)
{
    T lo[kChunk + 64], mid[kChunk + 64], hi[kChunk + 64];
    for (std::size_t y = firstRow; y < endRow; ++y) {
        const T* row = src + y * rowSamples;
        T* out = dst + y * rowSamples;
        // The first and last pixel of the row keep their values.
        std::memcpy(out, row, step * sizeof(T));
        std::memcpy(out + rowSamples - step, row + rowSamples - step, step * sizeof(T));
        medianRow<V>(
            row - rowSamples, row, row + rowSamples, out, step, rowSamples - step, step, lo, mid, hi);
    }
}

KORVANE_AVX2_CLONES void medianRows16(const uint16_t* src, uint16_t* dst, std::size_t rowSamples,
    std::size_t step, std::size_t firstRow, std::size_t endRow)
{
    medianRows<Vec16>(src, dst, rowSamples, step, firstRow, endRow);
}

KORVANE_AVX2_CLONES void medianRows8(const uint8_t* src, uint8_t* dst, std::size_t rowSamples,
    std::size_t step, std::size_t firstRow, std::size_t endRow)
{
    medianRows<Vec8>(src, dst, rowSamples, step, firstRow, endRow);
}

// In place: rows [firstRow, endRow) of the image, given the original rows just above and
// just below the range (another part of the image may already have overwritten them). The
// original of the row above and of the current row are kept in two rolling row buffers, so
// the kernel reads exactly what it would read from an untouched copy.
template <typename V, typename T>
inline __attribute__((always_inline)) void medianRowsInPlace(T* pixels, std::size_t rowSamples,
    std::size_t step, std::size_t firstRow, std::size_t endRow, const T* aboveOriginal,
    const T* belowOriginal, T* previous, T* current)
{
    T lo[kChunk + 64], mid[kChunk + 64], hi[kChunk + 64];
    std::memcpy(previous, aboveOriginal, rowSamples * sizeof(T));
    for (std::size_t y = firstRow; y < endRow; ++y) {
        T* row = pixels + y * rowSamples;
        std::memcpy(current, row, rowSamples * sizeof(T));
        const T* below = y + 1 < endRow ? row + rowSamples : belowOriginal;
        // The first and last pixel of the row keep their values: they are already there.
        medianRow<V>(previous, current, below, row, step, rowSamples - step, step, lo, mid, hi);
        std::swap(previous, current);
    }
}

KORVANE_AVX2_CLONES void medianRowsInPlace16(uint16_t* pixels, std::size_t rowSamples, std::size_t step,
    std::size_t firstRow, std::size_t endRow, const uint16_t* aboveOriginal, const uint16_t* belowOriginal,
    uint16_t* previous, uint16_t* current)
{
    medianRowsInPlace<Vec16>(
        pixels, rowSamples, step, firstRow, endRow, aboveOriginal, belowOriginal, previous, current);
}

KORVANE_AVX2_CLONES void medianRowsInPlace8(uint8_t* pixels, std::size_t rowSamples, std::size_t step,
    std::size_t firstRow, std::size_t endRow, const uint8_t* aboveOriginal, const uint8_t* belowOriginal,
    uint8_t* previous, uint8_t* current)
{
    medianRowsInPlace<Vec8>(
        pixels, rowSamples, step, firstRow, endRow, aboveOriginal, belowOriginal, previous, current);
}

// The 3x3 median in place, split into contiguous row parts as CIP_Parallel splits rows.
// Each part keeps copies of the two original rows bordering it (taken before any part
// starts) and two rolling rows: four rows per part instead of a copy of the whole image.
// false when the row buffers cannot be allocated (the image is then unchanged).
template <typename T> bool medianInPlace(T* pixels, int width, int height, int channels, int threads)
{
    const std::size_t rowSamples = std::size_t(width) * channels;
    const std::size_t interior = std::size_t(height - 2);
    std::size_t parts = std::size_t(threads > 0 ? threads : CIP_Parallel::defaultThreads());
    parts = std::max<std::size_t>(1, std::min(parts, interior));
    const std::size_t perPart = (interior + parts - 1) / parts;
    parts = (interior + perPart - 1) / perPart;
    std::unique_ptr<T[]> rows(new (std::nothrow) T[parts * 4 * rowSamples]);
    if (!rows)
        return false;
    const auto part = [&](std::size_t p, std::size_t& first, std::size_t& end) {
        first = 1 + p * perPart;
        end = 1 + std::min(interior, (p + 1) * perPart);
    };
    for (std::size_t p = 0; p < parts; ++p) {
        std::size_t first, end;
        part(p, first, end);
        T* block = rows.get() + p * 4 * rowSamples;
        std::memcpy(block, pixels + (first - 1) * rowSamples, rowSamples * sizeof(T));
        std::memcpy(block + rowSamples, pixels + end * rowSamples, rowSamples * sizeof(T));
    }
    CIP_Parallel::run(
        parts, interior / parts * rowSamples, int(parts), [&](std::size_t firstPart, std::size_t endPart) {
            for (std::size_t p = firstPart; p < endPart; ++p) {
                std::size_t first, end;
                part(p, first, end);
                T* block = rows.get() + p * 4 * rowSamples;
                if constexpr (sizeof(T) == 2)
                    medianRowsInPlace16(pixels, rowSamples, std::size_t(channels), first, end, block,
                        block + rowSamples, block + 2 * rowSamples, block + 3 * rowSamples);
                else
                    medianRowsInPlace8(pixels, rowSamples, std::size_t(channels), first, end, block,
                        block + rowSamples, block + 2 * rowSamples, block + 3 * rowSamples);
            }
        });
    return true;
}

template <typename T> void referenceFilter(const T* src, T* dst, int width, int height, int channels, int k)
{
    const std::size_t total = std::size_t(width) * height * channels;
    std::copy(src, src + total, dst);
    const int r = k / 2;
    if (k < 1 || width <= 2 * r || height <= 2 * r)
        return;
    const std::size_t pick = std::size_t(k) * k / 2;
    std::vector<T> window;
    window.reserve(std::size_t(2 * r + 1) * (2 * r + 1));
    for (int y = r; y < height - r; ++y) {
        for (int x = r; x < width - r; ++x) {
            for (int c = 0; c < channels; ++c) {
                window.clear();
                for (int dy = -r; dy <= r; ++dy) {
                    for (int dx = -r; dx <= r; ++dx)
                        window.push_back(src[(std::size_t(y + dy) * width + (x + dx)) * channels + c]);
                }
                std::sort(window.begin(), window.end());
                dst[(std::size_t(y) * width + x) * channels + c] = window[std::min(pick, window.size() - 1)];
            }
        }
    }
}

} // namespace

void CIP_Median::filterReference(
    const void* src, void* dst, int width, int height, int bits, int channels, int k)
{
    if (width <= 0 || height <= 0 || channels <= 0)
        return;
    if (bits > 8)
        referenceFilter(
            static_cast<const uint16_t*>(src), static_cast<uint16_t*>(dst), width, height, channels, k);
    else
        referenceFilter(
            static_cast<const uint8_t*>(src), static_cast<uint8_t*>(dst), width, height, channels, k);
}

void CIP_Median::filter(
    const void* src, void* dst, int width, int height, int bits, int channels, int k, int threads)
{
    if (width <= 0 || height <= 0 || channels <= 0)
        return;
    // The vectorised route keeps its column buffers on the stack: up to 16 samples per pixel.
    if (k != 3 || width < 3 || height < 3 || channels > 16) {
        filterReference(src, dst, width, height, bits, channels, k);
        return;
    }
    const std::size_t rowSamples = std::size_t(width) * channels;
    const std::size_t sampleBytes = bits > 8 ? 2 : 1;
    const std::size_t rowBytes = rowSamples * sampleBytes;
    // The outermost rows keep their values.
    std::memcpy(dst, src, rowBytes);
    std::memcpy(static_cast<char*>(dst) + (height - 1) * rowBytes,
        static_cast<const char*>(src) + (height - 1) * rowBytes, rowBytes);
    CIP_Parallel::run(std::size_t(height - 2), rowSamples, threads, [&](std::size_t first, std::size_t end) {
        if (bits > 8)
            medianRows16(static_cast<const uint16_t*>(src), static_cast<uint16_t*>(dst), rowSamples,
                std::size_t(channels), first + 1, end + 1);
        else
            medianRows8(static_cast<const uint8_t*>(src), static_cast<uint8_t*>(dst), rowSamples,
                std::size_t(channels), first + 1, end + 1);
    });
}

bool CIP_Median::apply(void* pixels, int width, int height, int bits, int channels, int k, int threads)
{
    if (width <= 0 || height <= 0 || channels <= 0 || k < 2)
        return true;
    if (k == 3 && width >= 3 && height >= 3 && channels <= 16) {
        // The outermost rows and columns keep their values, so only the interior is written.
        if (bits > 8)
            return medianInPlace(static_cast<uint16_t*>(pixels), width, height, channels, threads);
        return medianInPlace(static_cast<uint8_t*>(pixels), width, height, channels, threads);
    }
    const std::size_t bytes = std::size_t(width) * height * channels * (bits > 8 ? 2 : 1);
    std::unique_ptr<char[]> copy(new (std::nothrow) char[bytes]);
    if (!copy)
        return false;
    filter(pixels, copy.get(), width, height, bits, channels, k, threads);
    std::memcpy(pixels, copy.get(), bytes);
    return true;
}
