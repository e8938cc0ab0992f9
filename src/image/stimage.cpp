#include "stimage.h"

#include <cstring>
#include <limits>

STImage::STImage() = default;

STImage::STImage(const STImage& other)
    : m_width(other.m_width)
    , m_height(other.m_height)
    , m_bitsPerSample(other.m_bitsPerSample)
    , m_channels(other.m_channels)
    , m_byteCount(other.m_byteCount)
    , m_resolution(other.m_resolution)
{
    if (m_byteCount > 0) {
        m_pixels = PixelBuffer(m_byteCount);
        std::memcpy(m_pixels.get(), other.m_pixels.get(), m_byteCount);
    }
}

STImage::STImage(STImage&& other) noexcept
    : m_width(other.m_width)
    , m_height(other.m_height)
    , m_bitsPerSample(other.m_bitsPerSample)
    , m_channels(other.m_channels)
    , m_pixels(std::move(other.m_pixels))
    , m_byteCount(other.m_byteCount)
    , m_rowBuffer(std::move(other.m_rowBuffer))
    , m_rowBufferSize(other.m_rowBufferSize)
    , m_resolution(other.m_resolution)
    , m_xmlPacket(std::move(other.m_xmlPacket))
{
    other.m_width = other.m_height = other.m_bitsPerSample = 0;
    other.m_channels = 0;
    other.m_byteCount = other.m_rowBufferSize = 0;
    other.m_resolution = 300;
}

STImage& STImage::operator=(const STImage& other)
{
    if (this == &other)
        return *this;
    PixelBuffer pixels(other.m_byteCount);
    if (other.m_byteCount > 0)
        std::memcpy(pixels.get(), other.m_pixels.get(), other.m_byteCount);
    m_pixels = std::move(pixels);
    m_byteCount = other.m_byteCount;
    m_width = other.m_width;
    m_height = other.m_height;
    m_bitsPerSample = other.m_bitsPerSample;
    m_channels = other.m_channels;
    m_resolution = other.m_resolution;
    // The row buffer and the XML packet stay this image's own.
    return *this;
}

STImage& STImage::operator=(STImage&& other) noexcept
{
    if (this == &other)
        return *this;
    m_width = other.m_width;
    m_height = other.m_height;
    m_bitsPerSample = other.m_bitsPerSample;
    m_channels = other.m_channels;
    m_pixels = std::move(other.m_pixels);
    m_byteCount = other.m_byteCount;
    m_resolution = other.m_resolution;
    other.m_width = other.m_height = other.m_bitsPerSample = 0;
    other.m_channels = 0;
    other.m_byteCount = 0;
    other.m_resolution = 300;
    return *this;
}

STImage::~STImage() = default;

int STImage::registerMetaType()
{
    return qRegisterMetaType<STImage>("STImage");
}

std::int64_t STImage::byteCountFor(
    std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerSample, std::int32_t channels)
{
    if (channels < 1 || channels > 4 || bitsPerSample > 64)
        return -1;
    // The product of width, height and bits first, then / 8, then x channels; in 64
    // bits so that a size past 32 bits is seen rather than wrapped.
    const unsigned __int128 bits = static_cast<unsigned __int128>(width) * height * bitsPerSample;
    const unsigned __int128 bytes = bits / 8 * static_cast<unsigned>(channels);
    if (bytes > kMaxByteCount)
        return -1;
    return static_cast<std::int64_t>(bytes);
}

STImage STImage::zeroed(
    std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerSample, std::int32_t channels)
{
    STImage image = allocated(width, height, bitsPerSample, channels);
    if (image.m_byteCount > 0 && !image.m_pixels.isZeroFilled())
        std::memset(image.m_pixels.get(), 0, image.m_byteCount);
    return image;
}

STImage STImage::allocated(
    std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerSample, std::int32_t channels)
{
    STImage image;
    const std::int64_t bytes = byteCountFor(width, height, bitsPerSample, channels);
    if (bytes < 0)
        return image;
    image.m_width = width;
    image.m_height = height;
    image.m_bitsPerSample = bitsPerSample;
    image.m_channels = channels;
    image.m_byteCount = static_cast<std::size_t>(bytes);
    if (bytes > 0)
        image.m_pixels = PixelBuffer(static_cast<std::size_t>(bytes));
    return image;
}

bool STImage::setData(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerSample,
    std::int32_t channels, const void* source)
{
    const std::int64_t bytes = byteCountFor(width, height, bitsPerSample, channels);
    return bytes >= 0 && takeData(width, height, bitsPerSample, channels, source, bytes);
}

bool STImage::setData(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerSample,
    std::int32_t channels, const void* source, std::size_t sourceBytes)
{
    const std::int64_t bytes = byteCountFor(width, height, bitsPerSample, channels);
    if (bytes < 0 || static_cast<std::uint64_t>(bytes) > sourceBytes)
        return false;
    return takeData(width, height, bitsPerSample, channels, source, bytes);
}

bool STImage::takeData(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerSample,
    std::int32_t channels, const void* source, std::int64_t bytes)
{
    if (bytes > 0 && !source)
        return false;
    if (width != m_width || height != m_height || bitsPerSample != m_bitsPerSample || channels != m_channels
        || static_cast<std::size_t>(bytes) != m_byteCount) {
        m_pixels = PixelBuffer(static_cast<std::size_t>(bytes));
        m_byteCount = static_cast<std::size_t>(bytes);
        m_width = width;
        m_height = height;
        m_bitsPerSample = bitsPerSample;
        m_channels = channels;
    }
    if (bytes > 0)
        std::memcpy(m_pixels.get(), source, static_cast<std::size_t>(bytes));
    return true;
}

std::size_t STImage::bytesPerLine() const
{
    return m_height == 0 ? 0 : m_byteCount / m_height;
}

std::uint8_t* STImage::growRowBuffer(std::size_t bytes)
{
    if (bytes > m_rowBufferSize) {
        std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[bytes]());
        m_rowBuffer = std::move(buffer);
        m_rowBufferSize = bytes;
    }
    return m_rowBuffer.get();
}

std::uint8_t* STImage::sampleAddress(std::uint32_t x, std::uint32_t y, int channel) const
{
    // A channel the image does not have would read the next pixel, or past the end.
    if (x >= m_width || y >= m_height || channel < 0 || channel >= m_channels)
        return nullptr;
    const std::size_t bytesPerSample = m_bitsPerSample / 8;
    const std::size_t index = (std::size_t(x) + std::size_t(y) * m_width) * std::size_t(m_channels) + channel;
    return m_pixels.get() + index * bytesPerSample;
}

std::uint32_t STImage::sample(std::uint32_t x, std::uint32_t y, int channel) const
{
    if (m_bitsPerSample != 8 && m_bitsPerSample != 16)
        return 0;
    const std::uint8_t* p = sampleAddress(x, y, channel);
    if (!p)
        return 0;
    if (m_bitsPerSample == 8)
        return p[0];
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8);
}

float STImage::sampleF(std::uint32_t x, std::uint32_t y, int channel) const
{
    const float full = m_bitsPerSample == 16 ? 65535.0f : 255.0f;
    return static_cast<float>(sample(x, y, channel)) / full;
}

bool STImage::setSample(std::uint32_t x, std::uint32_t y, int channel, std::uint32_t value)
{
    if (m_bitsPerSample != 8 && m_bitsPerSample != 16)
        return true;
    std::uint8_t* p = sampleAddress(x, y, channel);
    if (!p)
        return false;
    // Truncated to the sample width: the low byte or the low word.
    p[0] = static_cast<std::uint8_t>(value & 0xFF);
    if (m_bitsPerSample == 16)
        p[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    return true;
}

bool STImage::setSampleF(std::uint32_t x, std::uint32_t y, int channel, float value)
{
    const float full = m_bitsPerSample == 16 ? 65535.0f : 255.0f;
    const float scaled = value * full;
    // Truncation toward zero; values outside 0-1 (and NaN) are held to the range
    // instead of being converted with undefined results.
    std::uint32_t stored = 0;
    if (scaled >= full)
        stored = static_cast<std::uint32_t>(full);
    else if (scaled > 0.0f)
        stored = static_cast<std::uint32_t>(scaled);
    return setSample(x, y, channel, stored);
}
