// The channel and brightness histograms of CIP_RawImg.
#include "cip_rawimg.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace
{

// Means are summed in blocks so that 32-bit sums of 16-bit samples cannot overflow:
// 20000 * 65535 < 2^32.
constexpr std::uint32_t kMeanBlock = 20000;

// Below this many pixels a second thread costs more than it saves.
constexpr std::size_t kThreadedMinPixels = std::size_t(1) << 20;

// Below this many pixels 16-bit images are counted straight into 32-bit counters.
constexpr std::size_t kNarrowMinPixels = std::size_t(1) << 20;

// Pixels handed to a thread at a time, in blocks of kMeanBlock.
constexpr std::size_t kChunkBlocks = 16;

struct Rect {
    int left, top, right, bottom;
    int w() const { return right - left; }
    int h() const { return bottom - top; }
    std::size_t pixels() const { return std::size_t(w()) * std::size_t(h()); }
};

Rect clipRect(const CIP_RawImg& img, int left, int top, int right, int bottom)
{
    Rect r { std::max(left, 0), std::max(top, 0), std::min(right, img.width), std::min(bottom, img.height) };
    if (r.right < r.left)
        r.right = r.left;
    if (r.bottom < r.top)
        r.bottom = r.top;
    return r;
}

// Adds the block sums to a float mean in block order, as a running float mean would.
float meanFromBlocks(
    const std::vector<std::uint32_t>& sums, std::size_t stride, std::size_t c, std::int64_t total)
{
    if (total <= 0)
        return 0.0f;
    float mean = 0.0f;
    for (std::size_t k = c; k < sums.size(); k += stride)
        mean += float(sums[k]) / float(total);
    return mean;
}

// Running block sum of one channel: block sums are kept so that the divisor, known only
// after the pass when a filter drops pixels, divides each block as it would have.
struct BlockSum {
    std::vector<std::uint32_t> sums;
    std::uint32_t sum = 0;
    std::uint32_t n = 0;
    void add(std::uint32_t v)
    {
        sum += v;
        if (++n == kMeanBlock) {
            sums.push_back(sum);
            sum = 0;
            n = 0;
        }
    }
    void finish()
    {
        if (n > 0)
            sums.push_back(sum);
        sum = 0;
        n = 0;
    }
};

inline int readSample(const unsigned char* base, std::size_t index, bool wide, int top)
{
    if (!wide)
        return base[index];
    const unsigned char* p = base + index * 2;
    const int v = int(p[0]) | (int(p[1]) << 8);
    return v > top ? top : v;
}

// Little-endian words read with one load; memcpy keeps it free of alignment and
// aliasing assumptions about the caller's buffer.
constexpr bool kLittleEndianHost = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

template <typename T> inline unsigned load(const unsigned char* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Counts n interleaved three-channel pixels into three blocks of 32-bit counters.
template <typename T> void countRun(const unsigned char* s, std::size_t n, std::uint32_t* hist)
{
    constexpr std::size_t kLevels = std::size_t(1) << (8 * sizeof(T));
    for (std::size_t i = 0; i < n; ++i, s += 3 * sizeof(T)) {
        ++hist[load<T>(s)];
        ++hist[kLevels + load<T>(s + sizeof(T))];
        ++hist[2 * kLevels + load<T>(s + 2 * sizeof(T))];
    }
}

// 16-bit samples can also be counted into 16-bit counters that carry into the 32-bit ones
// when they wrap: three channels of 65536 16-bit counters stay in a core's second-level
// cache where 32-bit ones may not, and touch half as many lines of the first-level cache.
// Each channel's block is one cache line longer than 65536 counters: at a whole multiple of
// 4 KiB apart, the three counters of a grey pixel would share their low address bits, and
// the processor then holds each load back behind the other channels' stores.
constexpr std::size_t kNarrowStride = 65536 + 32;
constexpr std::size_t kNarrowEntries = 3 * kNarrowStride;

// Bound by the instructions it issues rather than by memory: one base pointer per channel
// keeps the channel offsets out of the address arithmetic, and two pixels a round halve the
// loop's own share.
void countRunNarrow(const unsigned char* s, std::size_t n, std::uint16_t* narrow, std::uint32_t* hist)
{
    auto bump = [](std::uint16_t* counters, std::uint32_t* wide, unsigned v) {
        if (__builtin_expect(++counters[v] == 0, 0))
            wide[v] += 65536u;
    };
    std::uint16_t* const n0 = narrow;
    std::uint16_t* const n1 = narrow + kNarrowStride;
    std::uint16_t* const n2 = narrow + 2 * kNarrowStride;
    std::uint32_t* const h0 = hist;
    std::uint32_t* const h1 = hist + 65536;
    std::uint32_t* const h2 = hist + 2 * 65536;
    std::size_t i = 0;
    for (; i + 2 <= n; i += 2, s += 12) {
        bump(n0, h0, load<std::uint16_t>(s));
        bump(n1, h1, load<std::uint16_t>(s + 2));
        bump(n2, h2, load<std::uint16_t>(s + 4));
        bump(n0, h0, load<std::uint16_t>(s + 6));
        bump(n1, h1, load<std::uint16_t>(s + 8));
        bump(n2, h2, load<std::uint16_t>(s + 10));
    }
    if (i < n) {
        bump(n0, h0, load<std::uint16_t>(s));
        bump(n1, h1, load<std::uint16_t>(s + 2));
        bump(n2, h2, load<std::uint16_t>(s + 4));
    }
}

void addNarrowCounts(const std::uint16_t* narrow, std::uint32_t* hist)
{
    for (std::size_t c = 0; c < 3; ++c)
        for (std::size_t v = 0; v < 65536; ++v)
            hist[c * 65536 + v] += narrow[c * kNarrowStride + v];
}

// Per-channel sums of n interleaved three-channel pixels. The 24 lanes (eight pixels) are
// independent, so the compiler turns the loop into vector adds; a run never spans more than
// one mean block, so a lane holds at most kMeanBlock / 8 samples and cannot overflow.
template <typename T> void channelSums(const unsigned char* s, std::size_t n, std::uint32_t sums[3])
{
    constexpr std::size_t kLanes = 24;
    std::uint32_t lane[kLanes] = {};
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8, s += kLanes * sizeof(T))
        for (std::size_t k = 0; k < kLanes; ++k)
            lane[k] += load<T>(s + k * sizeof(T));
    for (; i < n; ++i, s += 3 * sizeof(T))
        for (std::size_t c = 0; c < 3; ++c)
            lane[c] += load<T>(s + c * sizeof(T));
    for (std::size_t k = 0; k < kLanes; ++k)
        sums[k % 3] += lane[k];
}

// The unfiltered, unlimited channel histogram of three channels over the pixel index ranges
// [first, end) of the rectangle (row-major inside it) that next() hands out, until it
// returns false. Block k's sums go to blockSums[3k..3k+2]; ranges are whole blocks (the
// last one may end early), so every block is summed by exactly one thread. narrow, when
// given, is a zeroed scratch of kNarrowEntries 16-bit counters, added into hist at the end.
//
// The counting loop does nothing but count: every sample costs a load and a store of its
// counter, and issuing those is what limits a histogram, so the sums are taken in a second,
// vectorised pass over the run while it is still in cache.
template <typename T, typename Next>
void channelHistRanges(const CIP_RawImg& img, const Rect& rect, Next& next, std::uint32_t* hist,
    std::uint32_t* blockSums, std::uint16_t* narrow)
{
    const std::size_t rw = std::size_t(rect.w());
    const unsigned char* base = img.pixels;

    std::size_t p = 0;
    std::size_t end = 0;
    while (next(p, end)) {
        while (p < end) {
            const std::size_t block = p / kMeanBlock;
            const std::size_t blockEnd = std::min(end, (block + 1) * kMeanBlock);
            while (p < blockEnd) {
                const std::size_t row = p / rw;
                const std::size_t col = p % rw;
                const std::size_t run = std::min(rw - col, blockEnd - p);
                const unsigned char* first = base
                    + ((std::size_t(rect.top) + row) * std::size_t(img.width) + std::size_t(rect.left) + col)
                        * 3 * sizeof(T);
                if (sizeof(T) == 2 && narrow != nullptr)
                    countRunNarrow(first, run, narrow, hist);
                else
                    countRun<T>(first, run, hist);
                channelSums<T>(first, run, blockSums + block * 3);
                p += run;
            }
        }
    }
    if (sizeof(T) == 2 && narrow != nullptr)
        addNarrowCounts(narrow, hist);
}

template <typename T, typename Next>
void channelHistDispatch(const CIP_RawImg& img, const Rect& rect, std::size_t pixels, Next& next,
    std::uint32_t* hist, std::uint32_t* blockSums)
{
    // Zeroed here, per thread, so that each core counts into its own cache. On a small
    // image zeroing and adding up the scratch costs more than the cache saves.
    std::unique_ptr<std::uint16_t[]> narrow;
    if (sizeof(T) == 2 && pixels >= kNarrowMinPixels)
        narrow.reset(new (std::nothrow) std::uint16_t[kNarrowEntries]());
    channelHistRanges<T>(img, rect, next, hist, blockSums, narrow.get());
}

// Samples at or above each channel's threshold, read off the finished histogram: with
// every pixel counted that is the same as testing each sample, at no cost per sample.
void countAboveFromHistogram(
    const std::uint32_t* hist, int levels, const int* thresholds, std::uint32_t* above)
{
    for (int c = 0; c < 3; ++c) {
        const std::uint32_t* h = hist + std::size_t(c) * std::size_t(levels);
        std::uint32_t n = 0;
        for (int v = std::max(thresholds[c], 0); v < levels; ++v)
            n += h[v];
        above[c] = n;
    }
}

} // namespace

int CIP_RawImg::ChannelHistogram(int left, int top, int right, int bottom, bool useColourFilter,
    const int* thresholds, const int* limits, int filmKind)
{
    const bool simple = !(useColourFilter && colourFilterSet()) && limits == nullptr && channels == 3
        && (bits == 8 || (bits == 16 && kLittleEndianHost)) && pixels != nullptr;
    if (!simple)
        return ChannelHistogramReference(
            left, top, right, bottom, useColourFilter, thresholds, limits, filmKind);

    const Rect rect = clipRect(*this, left, top, right, bottom);
    const std::size_t n = rect.pixels();
    const int lv = levels();
    if (!allocChannelHist(std::size_t(3) * std::size_t(lv))) {
        resetHueWindow();
        pixelsCounted = std::uint32_t(n);
        return kNoHistogram;
    }
    countAbove[0] = countAbove[1] = countAbove[2] = 0;
    mean[0] = mean[1] = mean[2] = 0.0f;
    pixelsCounted = std::uint32_t(n);

    const std::size_t blocks = (n + kMeanBlock - 1) / kMeanBlock;
    std::vector<std::uint32_t> blockSums(blocks * 3, 0);
    const bool wide = bits == 16;
    // The pixels go out in chunks of whole blocks to whichever thread asks next: a helper
    // that gets no core on a busy machine then holds up nothing but its current chunk.
    // Every block is still summed by one thread alone, and counts are integers, so the
    // results are the same whoever counted what.
    std::atomic<std::size_t> nextChunk { 0 };
    const std::size_t chunkPixels = kChunkBlocks * kMeanBlock;
    auto next = [&](std::size_t& first, std::size_t& end) {
        const std::size_t chunk = nextChunk.fetch_add(1, std::memory_order_relaxed);
        if (chunk >= (n + chunkPixels - 1) / chunkPixels)
            return false;
        first = chunk * chunkPixels;
        end = std::min(n, first + chunkPixels);
        return true;
    };
    auto run = [&](std::uint32_t* hist) {
        if (wide)
            channelHistDispatch<std::uint16_t>(*this, rect, n, next, hist, blockSums.data());
        else
            channelHistDispatch<std::uint8_t>(*this, rect, n, next, hist, blockSums.data());
    };

    const std::size_t entries = std::size_t(3) * std::size_t(lv);
    std::unique_ptr<std::uint32_t[]> second;
    if (n >= kThreadedMinPixels && std::thread::hardware_concurrency() >= 2)
        second.reset(new (std::nothrow) std::uint32_t[entries]());
    bool helped = false;
    if (second) {
        try {
            std::thread helper(run, second.get());
            run(channelHist);
            helper.join();
            helped = true;
        } catch (const std::system_error&) {
            // No thread to be had: this thread takes every chunk below.
        }
    }
    if (!helped)
        run(channelHist);
    else {
        for (std::size_t i = 0; i < entries; ++i)
            channelHist[i] += second[i];
    }
    if (thresholds != nullptr)
        countAboveFromHistogram(channelHist, lv, thresholds, countAbove);

    for (std::size_t c = 0; c < 3; ++c)
        mean[c] = meanFromBlocks(blockSums, 3, c, std::int64_t(n));
    resetHueWindow();
    return kOk;
}

int CIP_RawImg::ChannelHistogramReference(int left, int top, int right, int bottom, bool useColourFilter,
    const int* thresholds, const int* limits, int filmKind)
{
    const Rect rect = clipRect(*this, left, top, right, bottom);
    const std::size_t n = pixels != nullptr ? rect.pixels() : 0;
    const int lv = levels();
    const int chans = std::max(channels, 1);
    if (!allocChannelHist(std::size_t(chans) * std::size_t(lv))) {
        resetHueWindow();
        pixelsCounted = std::uint32_t(n);
        return kNoHistogram;
    }
    // Only three channels have counters and means.
    const int nc = std::min(channels, 3);
    countAbove[0] = countAbove[1] = countAbove[2] = 0;
    mean[0] = mean[1] = mean[2] = 0.0f;

    const bool filter = useColourFilter && colourFilterSet() && nc == 3;
    const bool negative = filmKind == kNegative;
    const bool wide = is16Bit();
    const int full = maxValue();
    BlockSum sums[3];
    std::int64_t kept = 0;
    std::int64_t limitedOut = 0;

    for (int y = rect.top; y < rect.bottom && n > 0; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            const std::size_t index
                = (std::size_t(y) * std::size_t(width) + std::size_t(x)) * std::size_t(channels);
            int v[3] = { 0, 0, 0 };
            for (int c = 0; c < nc; ++c)
                v[c] = readSample(pixels, index + std::size_t(c), wide, full);
            if (filter) {
                float f[3];
                for (int c = 0; c < 3; ++c)
                    f[c] = float(negative ? full - v[c] : v[c]);
                const bool blueFirst = channelOrder == 1;
                if (!passesColourFilter(blueFirst ? f[2] : f[0], f[1], blueFirst ? f[0] : f[2]))
                    continue;
            }
            ++kept;
            for (int c = 0; c < nc; ++c) {
                ++channelHist[std::size_t(c) * std::size_t(lv) + std::size_t(v[c])];
                if (limits != nullptr && limits[c] != -1
                    && (negative ? v[c] < limits[c] : v[c] > limits[c])) {
                    ++limitedOut;
                    break;
                }
                if (thresholds != nullptr && thresholds[c] <= v[c])
                    ++countAbove[c];
                sums[c].add(std::uint32_t(v[c]));
            }
        }
    }

    pixelsCounted = std::uint32_t(filter ? kept : std::int64_t(n));
    for (int c = 0; c < nc; ++c) {
        sums[c].finish();
        const bool limited = limits != nullptr && limits[c] != -1;
        const std::int64_t total = (limited ? std::int64_t(n) : kept) - limitedOut;
        mean[c] = meanFromBlocks(sums[c].sums, 1, 0, total);
    }
    resetHueWindow();
    return kOk;
}

int CIP_RawImg::BrightnessHistogram(
    int left, int top, int right, int bottom, bool useColourFilter, int threshold, bool luminance)
{
    const Rect rect = clipRect(*this, left, top, right, bottom);
    const std::size_t n = pixels != nullptr ? rect.pixels() : 0;
    const int lv = levels();
    if (!allocBrightnessHist(std::size_t(lv))) {
        resetHueWindow();
        pixelsCounted = std::uint32_t(n);
        return kNoHistogram;
    }
    countAbove[0] = 0;
    mean[3] = 0.0f;

    const int nc = std::min(std::max(channels, 1), 3);
    const bool filter = useColourFilter && colourFilterSet() && nc == 3;
    const bool wide = is16Bit();
    const int topValue = maxValue();
    const int redIndex = channelOrder == 1 ? 2 : 0;
    const int blueIndex = 2 - redIndex;
    BlockSum sums;
    std::int64_t kept = 0;

    for (int y = rect.top; y < rect.bottom && n > 0; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            const std::size_t index
                = (std::size_t(y) * std::size_t(width) + std::size_t(x)) * std::size_t(channels);
            int v[3] = { 0, 0, 0 };
            for (int c = 0; c < nc; ++c)
                v[c] = readSample(pixels, index + std::size_t(c), wide, topValue);
            if (filter && !passesColourFilter(float(v[redIndex]), float(v[1]), float(v[blueIndex])))
                continue;
            ++kept;
            int brightness;
            if (nc == 1)
                brightness = v[0];
            else if (luminance && nc == 3)
                brightness = (299 * v[redIndex] + 587 * v[1] + 114 * v[blueIndex]) / 1000;
            else
                brightness = (v[0] + v[1] + v[2]) / nc; // integer mean of the samples
            ++brightnessHist[brightness];
            if (threshold != 0 && threshold <= brightness)
                ++countAbove[0];
            sums.add(std::uint32_t(brightness));
        }
    }
    sums.finish();
    pixelsCounted = std::uint32_t(kept);
    mean[3] = meanFromBlocks(sums.sums, 1, 0, kept);
    resetHueWindow();
    return kOk;
}
