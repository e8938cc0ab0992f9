#pragma once

// Layout of the prepared TIFF header and trailer (data/tifstart.dat and
// data/tifend.dat) through which very large 16-bit RGB images are written without
// libtiff: a little-endian header whose first directory is at byte 8, so that the
// value of directory entry k lies at byte 18 + 12 k. Shared by the generator in
// tools/tifftemplates and the writer. Plain constants: the generator has no Qt.
#include <cstddef>
#include <cstdint>

namespace TiffTemplateLayout
{

constexpr std::size_t kHeaderBytes = 11370; // the pixel data start here
constexpr std::size_t kTrailerBytes = 46;

constexpr std::size_t entryValue(int entry)
{
    return 18 + 12 * std::size_t(entry);
}

// Patched with each image (32-bit little-endian unless said otherwise).
constexpr std::size_t kWidth = 30; // entry 1, ImageWidth
constexpr std::size_t kHeight = 42; // entry 2, ImageLength
constexpr std::size_t kRowsPerStrip = 114; // entry 8
constexpr std::size_t kStripByteCount = 126; // entry 9: width x height x 6
constexpr std::size_t kTrailerLink = 234; // entry 18: the Exif directory two bytes into the trailer
constexpr std::size_t kTrailerLinkBias = kHeaderBytes + 2;
// 16-bit big-endian: the whole-number parts of the resolution in the Photoshop
// resolution block (fixed-point 16.16, big-endian by that block's own rules).
constexpr std::size_t kBlockResolutionX = 6016;
constexpr std::size_t kBlockResolutionY = 6024;
// The numerators of XResolution and YResolution (denominator 1), which is what
// TIFF readers take: a big-endian field cannot be read in a little-endian file.
constexpr std::size_t kXResolutionRational = 5984;
constexpr std::size_t kYResolutionRational = 5992;

static_assert(kWidth == entryValue(1) && kHeight == entryValue(2) && kRowsPerStrip == entryValue(8)
        && kStripByteCount == entryValue(9) && kTrailerLink == entryValue(18),
    "patched directory entries");

// Fixed parts, laid down by the generator.
constexpr int kEntryCount = 19;
constexpr std::size_t kBitsPerSampleValues = 242; // 3 x 16
constexpr std::size_t kSoftware = 248; // "Korvane\0"
constexpr std::size_t kSampleFormatValues = 256; // 3 x 1 (unsigned)
constexpr std::size_t kPhotoshopBlock = 6000; // one resource block, 32 bytes
constexpr std::size_t kPhotoshopBlockBytes = 32;
constexpr std::uint16_t kDefaultResolution = 300;

} // namespace TiffTemplateLayout
