// The whole-image operations of STImage as row loops. Their samples are the ones
// the per-pixel accessors define (see stimagereference.cpp, which a test compares
// with these); images of other depths than 8 and 16 bits have no readable samples,
// so their results are all zero, as the accessors would make them.
#include "rowsplit.h"
#include "stimage.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace
{

// From here the target is far larger than the cache, and streamed stores pay.
constexpr std::size_t kStreamingBytes = std::size_t(32) << 20;

bool hasSamples(const STImage& image)
{
    return image.bitsPerSample() == 8 || image.bitsPerSample() == 16;
}

// A row copy whose stores bypass the cache: for an image far larger than the cache
// the target's lines need not be read in before they are written, which saves a
// third of the memory traffic of a plain copy.
void copyRowStreaming(std::uint8_t* target, const std::uint8_t* source, std::size_t bytes)
{
#ifdef __SSE2__
    const std::size_t head = std::min(bytes, (16 - (reinterpret_cast<std::uintptr_t>(target) & 15)) & 15);
    std::memcpy(target, source, head);
    target += head;
    source += head;
    bytes -= head;
    for (; bytes >= 64; bytes -= 64, target += 64, source += 64) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 32));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 48));
        _mm_stream_si128(reinterpret_cast<__m128i*>(target), a);
        _mm_stream_si128(reinterpret_cast<__m128i*>(target + 16), b);
        _mm_stream_si128(reinterpret_cast<__m128i*>(target + 32), c);
        _mm_stream_si128(reinterpret_cast<__m128i*>(target + 48), d);
    }
#endif
    std::memcpy(target, source, bytes);
}

template <std::size_t PixelBytes>
void mirrorRows(const std::uint8_t* source, std::uint8_t* target, std::uint32_t width, std::uint32_t first,
    std::uint32_t end)
{
    const std::size_t stride = std::size_t(width) * PixelBytes;
    for (std::uint32_t y = first; y < end; ++y) {
        const std::uint8_t* in = source + y * stride;
        std::uint8_t* out = target + y * stride + stride - PixelBytes;
        for (std::uint32_t x = 0; x < width; ++x, in += PixelBytes, out -= PixelBytes)
            std::memcpy(out, in, PixelBytes);
    }
}

// Clockwise quarter turn in small square tiles, so that the column reads of the
// source and the row writes of the target stay in cache, grouped in larger blocks,
// so that the pages both touch stay in the TLB.
template <std::size_t PixelBytes>
void rotateRows(const std::uint8_t* source, std::uint8_t* target, std::uint32_t width, std::uint32_t height,
    std::uint32_t firstTargetRow, std::uint32_t endTargetRow)
{
    constexpr std::uint32_t kTile = 16; // measured best of 8-64 for 6-byte pixels
    constexpr std::uint32_t kBlock = 256;
    const std::size_t sourceStride = std::size_t(width) * PixelBytes;
    const std::size_t targetStride = std::size_t(height) * PixelBytes;
    // Target row x holds source column x read from the bottom row up.
    for (std::uint32_t bx0 = firstTargetRow; bx0 < endTargetRow; bx0 += kBlock) {
        const std::uint32_t bx1 = std::min(bx0 + kBlock, endTargetRow);
        for (std::uint32_t by0 = 0; by0 < height; by0 += kBlock) {
            const std::uint32_t by1 = std::min(by0 + kBlock, height);
            for (std::uint32_t x0 = bx0; x0 < bx1; x0 += kTile) {
                const std::uint32_t x1 = std::min(x0 + kTile, bx1);
                for (std::uint32_t y0 = by0; y0 < by1; y0 += kTile) {
                    const std::uint32_t y1 = std::min(y0 + kTile, by1);
                    for (std::uint32_t x = x0; x < x1; ++x) {
                        std::uint8_t* out = target + x * targetStride + std::size_t(height - y1) * PixelBytes;
                        const std::uint8_t* in
                            = source + std::size_t(y1 - 1) * sourceStride + std::size_t(x) * PixelBytes;
                        for (std::uint32_t y = y1; y > y0; --y, out += PixelBytes, in -= sourceStride)
                            std::memcpy(out, in, PixelBytes);
                    }
                }
            }
        }
    }
}

template <template <std::size_t> class Op, typename... Args>
void byPixelBytes(std::size_t pixelBytes, Args... args)
{
    switch (pixelBytes) {
    case 1:
        Op<1>::run(args...);
        break;
    case 2:
        Op<2>::run(args...);
        break;
    case 3:
        Op<3>::run(args...);
        break;
    case 4:
        Op<4>::run(args...);
        break;
    case 6:
        Op<6>::run(args...);
        break;
    case 8:
        Op<8>::run(args...);
        break;
    default:
        break;
    }
}

template <std::size_t N> struct Mirror {
    static void run(
        const std::uint8_t* s, std::uint8_t* t, std::uint32_t w, std::uint32_t first, std::uint32_t end)
    {
        mirrorRows<N>(s, t, w, first, end);
    }
};

template <std::size_t N> struct Rotate {
    static void run(const std::uint8_t* s, std::uint8_t* t, std::uint32_t w, std::uint32_t h,
        std::uint32_t first, std::uint32_t end)
    {
        rotateRows<N>(s, t, w, h, first, end);
    }
};

// High bytes of count little-endian words: byte 2i + 1 of in becomes byte i of out.
void highBytes(const std::uint8_t* in, std::uint8_t* out, std::size_t count)
{
    std::size_t i = 0;
#ifdef __SSE2__
    // 16 words at a time: shift each word's high byte down, pack to bytes.
    for (; i + 16 <= count; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i + 16));
        const __m128i packed = _mm_packus_epi16(_mm_srli_epi16(a, 8), _mm_srli_epi16(b, 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), packed);
    }
#endif
    for (; i < count; ++i)
        out[i] = in[2 * i + 1];
}

std::size_t pixelBytesOf(const STImage& image)
{
    return std::size_t(image.channels()) * (image.bitsPerSample() / 8);
}

} // namespace

STImage STImage::mirrored() const
{
    if (!hasSamples(*this))
        return zeroed(m_width, m_height, m_bitsPerSample, m_channels);
    STImage result = allocated(m_width, m_height, m_bitsPerSample, m_channels);
    if (result.isNull())
        return result;
    // One thread: the pass is bound by memory, and a second thread measured no faster.
    byPixelBytes<Mirror>(pixelBytesOf(*this), data(), result.data(), m_width, 0, m_height);
    return result;
}

STImage STImage::flipped() const
{
    if (!hasSamples(*this))
        return zeroed(m_width, m_height, m_bitsPerSample, m_channels);
    STImage result = allocated(m_width, m_height, m_bitsPerSample, m_channels);
    if (result.isNull())
        return result;
    const std::size_t stride = bytesPerLine();
    std::uint8_t* target = result.data();
    // One thread: row copies are bound by memory.
    if (m_byteCount < kStreamingBytes) {
        for (std::uint32_t y = 0; y < m_height; ++y)
            std::memcpy(target + std::size_t(m_height - 1 - y) * stride, data() + y * stride, stride);
        return result;
    }
    for (std::uint32_t y = 0; y < m_height; ++y)
        copyRowStreaming(target + std::size_t(m_height - 1 - y) * stride, data() + y * stride, stride);
#ifdef __SSE2__
    _mm_sfence(); // the streamed stores are seen before the image is handed on
#endif
    return result;
}

STImage STImage::rotatedRight() const
{
    if (!hasSamples(*this))
        return zeroed(m_height, m_width, m_bitsPerSample, m_channels);
    STImage result = allocated(m_height, m_width, m_bitsPerSample, m_channels);
    if (result.isNull())
        return result;
    const std::size_t pixelBytes = pixelBytesOf(*this);
    // Split by target rows (source columns): each thread writes its own rows.
    splitRows(m_width, m_byteCount, [&](std::uint32_t first, std::uint32_t end) {
        byPixelBytes<Rotate>(pixelBytes, data(), result.data(), m_width, m_height, first, end);
    });
    return result;
}

STImage STImage::to8Bit() const
{
    if (m_bitsPerSample == 8)
        return *this;
    STImage result = allocated(m_width, m_height, 8, m_channels);
    if (result.isNull())
        return result;
    result.m_resolution = m_resolution;
    if (m_bitsPerSample != 16) {
        std::memset(result.data(), 0, result.m_byteCount);
        return result;
    }
    const std::size_t samplesPerRow = std::size_t(m_width) * m_channels;
    const int channels = m_channels;
    // One thread: bound by memory, as the mirror.
    auto convert = [&](std::uint32_t first, std::uint32_t end) {
        // Little-endian words: the high byte of sample i is byte 2i + 1.
        const std::uint8_t* in = data() + std::size_t(first) * samplesPerRow * 2;
        std::uint8_t* out = result.data() + std::size_t(first) * samplesPerRow;
        const std::size_t count = std::size_t(end - first) * samplesPerRow;
        if (channels <= 3) {
            highBytes(in, out, count);
        } else {
            // The fourth sample is not carried over.
            for (std::size_t i = 0; i < count; i += 4) {
                out[i] = in[2 * i + 1];
                out[i + 1] = in[2 * i + 3];
                out[i + 2] = in[2 * i + 5];
                out[i + 3] = 0;
            }
        }
    };
    convert(0, m_height);
    return result;
}

STImage STImage::scaled(std::uint32_t newWidth, std::uint32_t newHeight) const
{
    if (newWidth == 0 || newHeight == 0)
        return STImage();
    STImage result = zeroed(newWidth, newHeight, m_bitsPerSample, m_channels);
    result.m_resolution = m_resolution;
    if (result.isNull() || !hasSamples(*this))
        return result;
    // Single-precision ratios and truncation, as the accessor definition has them.
    const float rx = static_cast<float>(m_width) / static_cast<float>(newWidth);
    const float ry = static_cast<float>(m_height) / static_cast<float>(newHeight);
    std::unique_ptr<std::uint32_t[]> sourceX(new std::uint32_t[newWidth]);
    for (std::uint32_t i = 0; i < newWidth; ++i)
        sourceX[i] = static_cast<std::uint32_t>(static_cast<float>(i) * rx);
    const std::size_t sampleBytes = m_bitsPerSample / 8;
    const std::size_t pixelBytes = pixelBytesOf(*this);
    // Red, green and blue move; a fourth sample stays 0.
    const std::size_t copied = std::size_t(std::min(m_channels, 3)) * sampleBytes;
    const std::size_t sourceStride = bytesPerLine();
    const std::size_t targetStride = result.bytesPerLine();
    splitRows(newHeight, result.m_byteCount, [&](std::uint32_t first, std::uint32_t end) {
        for (std::uint32_t j = first; j < end; ++j) {
            const auto sy = static_cast<std::uint32_t>(static_cast<float>(j) * ry);
            if (sy >= m_height)
                continue;
            const std::uint8_t* in = data() + sy * sourceStride;
            std::uint8_t* out = result.data() + j * targetStride;
            for (std::uint32_t i = 0; i < newWidth; ++i, out += pixelBytes) {
                if (sourceX[i] < m_width)
                    std::memcpy(out, in + sourceX[i] * pixelBytes, copied);
            }
        }
    });
    return result;
}

QImage STImage::toQImage() const
{
    if (m_width == 0 || m_height == 0)
        return QImage();
    QImage image(int(m_width), int(m_height), QImage::Format_RGB888);
    if (image.isNull())
        return image;
    if (!hasSamples(*this) || m_channels < 3 || isNull()) {
        for (std::uint32_t y = 0; y < m_height; ++y) {
            uchar* out = image.scanLine(int(y));
            for (std::uint32_t x = 0; x < m_width; ++x, out += 3) {
                const int shift = m_bitsPerSample == 16 ? 8 : 0;
                out[0] = uchar(red(x, y) >> shift);
                out[1] = uchar(green(x, y) >> shift);
                out[2] = uchar(blue(x, y) >> shift);
            }
        }
        return image;
    }
    const std::size_t pixelBytes = pixelBytesOf(*this);
    const std::size_t stride = bytesPerLine();
    // The high byte of a little-endian word is its second byte.
    const std::size_t high = m_bitsPerSample == 16 ? 1 : 0;
    const std::size_t sampleBytes = m_bitsPerSample / 8;
    // Taken once here: scanLine() may detach, which two threads must not race on.
    uchar* const bits = image.bits();
    const std::size_t imageStride = std::size_t(image.bytesPerLine());
    splitRows(m_height, m_byteCount, [&](std::uint32_t first, std::uint32_t end) {
        for (std::uint32_t y = first; y < end; ++y) {
            const std::uint8_t* in = data() + y * stride + high;
            uchar* out = bits + y * imageStride;
            for (std::uint32_t x = 0; x < m_width; ++x, in += pixelBytes, out += 3) {
                out[0] = in[0];
                out[1] = in[sampleBytes];
                out[2] = in[2 * sampleBytes];
            }
        }
    });
    return image;
}

std::uint32_t STImage::setRow(std::uint32_t y, const STImage& rowImage)
{
    if (m_width == 0 || m_height == 0)
        return 0;
    if (y > m_height - 1)
        y = m_height - 1;
    for (std::uint32_t i = 0; i < m_width; ++i) {
        setRed(i, y, rowImage.red(i, 0));
        setGreen(i, y, rowImage.green(i, 0));
        setBlue(i, y, rowImage.blue(i, 0));
        if (m_channels == 4)
            setSample(i, y, 3, rowImage.sample(i, 0, 3));
    }
    return m_width;
}
