#pragma once

#include <cstddef>

// Digital noise reduction: per channel, the element k*k/2 of the sorted
// (2*(k/2)+1)^2 neighbourhood (the median for odd k). Pixels closer than k/2 to an edge keep
// their values. Pure functions over caller-owned buffers: callable from any thread.
class CIP_Median
{
public:
    // Writes the filtered image to dst, which must not overlap src. bits 8 or 16 (any depth
    // above 8 is the 16-bit layout). k = 3 takes the vectorised route, split over rows on up
    // to `threads` threads (0 = CIP_Parallel::defaultThreads()); other k the reference route.
    static void filter(
        const void* src, void* dst, int width, int height, int bits, int channels, int k, int threads = 0);

    // The plain per-pixel version: the oracle of the tests and the benchmark's baseline.
    static void filterReference(
        const void* src, void* dst, int width, int height, int bits, int channels, int k);

    // In place, as the pipeline steps use it: the same samples as filter(). The 3x3 route
    // keeps four rows per thread instead of a copy of the image (which on a final scan cost
    // more than the filtering); other k go through a copy. Returns false when the buffers
    // cannot be allocated (the image is then unchanged).
    static bool apply(void* pixels, int width, int height, int bits, int channels, int k, int threads = 0);
};
