#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// Enlarges a headerless raw image file into another without ever holding the
// enlarged image: one target row at a time. The source is held whole, and
// resampled bilinearly, when it fits the work buffer together with one target
// row; otherwise it is streamed one row at a time with nearest-neighbour sampling
// in 16.16 fixed point. Target size = trunc(source size x scale).
//
// Fails (false, no target left) when a file cannot be opened, the source holds
// fewer bytes than its size says, a size does not fit, or a write fails.
bool enlargeRaw(const QString& sourcePath, const QString& targetPath, std::uint32_t sourceWidth,
    std::uint32_t sourceHeight, double scaleX, double scaleY, std::uint32_t bitsPerSample,
    std::int32_t channels);

namespace RawEnlarge
{

constexpr std::size_t kWorkBufferBytes = 262144000;

// enlargeRaw with another work-buffer limit, so that both paths can be tried on
// small images.
bool enlarge(const QString& sourcePath, const QString& targetPath, std::uint32_t sourceWidth,
    std::uint32_t sourceHeight, double scaleX, double scaleY, std::uint32_t bitsPerSample,
    std::int32_t channels, std::size_t workBufferBytes);

// The per-pixel definitions, on images in memory (samples of 8 or 16 bits).
// Slow; a test holds the file-to-file version against them.
void bilinearReference(const std::uint8_t* source, std::uint32_t sourceWidth, std::uint32_t sourceHeight,
    std::uint8_t* target, std::uint32_t targetWidth, std::uint32_t targetHeight, std::uint32_t bitsPerSample,
    std::int32_t channels);
void nearestReference(const std::uint8_t* source, std::uint32_t sourceWidth, std::uint32_t sourceHeight,
    std::uint8_t* target, std::uint32_t targetWidth, std::uint32_t targetHeight, std::uint32_t bitsPerSample,
    std::int32_t channels);

} // namespace RawEnlarge
