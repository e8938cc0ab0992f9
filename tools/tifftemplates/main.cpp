// Writes data/tifstart.dat and data/tifend.dat, the header and trailer through
// which the writer puts out very large 16-bit RGB TIFF files without libtiff.
// Usage: korvane_tifftemplates <output folder>
#include "tifftemplatelayout.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{

using namespace TiffTemplateLayout;

void put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value)
{
    bytes[at] = std::uint8_t(value);
    bytes[at + 1] = std::uint8_t(value >> 8);
}

void put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
}

void putBig16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value)
{
    bytes[at] = std::uint8_t(value >> 8);
    bytes[at + 1] = std::uint8_t(value);
}

enum Type : std::uint16_t { Byte = 1, Ascii = 2, Short = 3, Long = 4, Rational = 5, Undefined = 7 };

// Directory entry k: tag, type, count and a value or an offset.
void entry(std::vector<std::uint8_t>& bytes, std::size_t base, int k, std::uint16_t tag, Type type,
    std::uint32_t count, std::uint32_t value)
{
    const std::size_t at = base + 2 + 12 * std::size_t(k);
    put16(bytes, at, tag);
    put16(bytes, at + 2, type);
    put32(bytes, at + 4, count);
    if (type == Short && count == 1)
        put16(bytes, at + 8, std::uint16_t(value)); // left-justified in the value field
    else
        put32(bytes, at + 8, value);
}

std::vector<std::uint8_t> header()
{
    std::vector<std::uint8_t> bytes(kHeaderBytes, 0);
    bytes[0] = 'I';
    bytes[1] = 'I';
    put16(bytes, 2, 42);
    put32(bytes, 4, 8);
    put16(bytes, 8, kEntryCount);
    // Width, height, rows per strip, strip size and the trailer link are patched per
    // image; the values here describe a 1 x 1 image so that the file alone is valid.
    entry(bytes, 8, 0, 254, Long, 1, 0); // NewSubfileType
    entry(bytes, 8, 1, 256, Long, 1, 1); // ImageWidth
    entry(bytes, 8, 2, 257, Long, 1, 1); // ImageLength
    entry(bytes, 8, 3, 258, Short, 3, kBitsPerSampleValues); // BitsPerSample 16, 16, 16
    entry(bytes, 8, 4, 259, Short, 1, 1); // Compression: none
    entry(bytes, 8, 5, 262, Short, 1, 2); // PhotometricInterpretation: RGB
    entry(bytes, 8, 6, 273, Long, 1, kHeaderBytes); // StripOffsets
    entry(bytes, 8, 7, 277, Short, 1, 3); // SamplesPerPixel
    entry(bytes, 8, 8, 278, Long, 1, 1); // RowsPerStrip
    entry(bytes, 8, 9, 279, Long, 1, 6); // StripByteCounts
    entry(bytes, 8, 10, 282, Rational, 1, kXResolutionRational); // XResolution
    entry(bytes, 8, 11, 283, Rational, 1, kYResolutionRational); // YResolution
    entry(bytes, 8, 12, 284, Short, 1, 1); // PlanarConfiguration: contiguous
    entry(bytes, 8, 13, 296, Short, 1, 2); // ResolutionUnit: inch
    entry(bytes, 8, 14, 297, Short, 2, 1u << 16); // PageNumber 0 of 1
    entry(bytes, 8, 15, 305, Ascii, 8, kSoftware); // Software
    entry(bytes, 8, 16, 339, Short, 3, kSampleFormatValues); // SampleFormat: unsigned
    entry(bytes, 8, 17, 34377, Byte, kPhotoshopBlockBytes, kPhotoshopBlock); // Photoshop resources
    entry(bytes, 8, 18, 34665, Long, 1, kTrailerLinkBias + 6); // Exif directory
    put32(bytes, 8 + 2 + 12 * kEntryCount, 0); // no further directory

    for (int i = 0; i < 3; ++i) {
        put16(bytes, kBitsPerSampleValues + 2 * std::size_t(i), 16);
        put16(bytes, kSampleFormatValues + 2 * std::size_t(i), 1);
    }
    std::memcpy(bytes.data() + kSoftware, "Korvane", 8);
    put32(bytes, kXResolutionRational, kDefaultResolution);
    put32(bytes, kXResolutionRational + 4, 1);
    put32(bytes, kYResolutionRational, kDefaultResolution);
    put32(bytes, kYResolutionRational + 4, 1);

    // Resolution information resource: "8BIM", id 0x03ED, empty name, 16 bytes of
    // big-endian data: horizontal 16.16 dpi, unit inch, width unit inch, vertical
    // likewise.
    const std::size_t block = kPhotoshopBlock;
    std::memcpy(bytes.data() + block, "8BIM", 4);
    putBig16(bytes, block + 4, 0x03ED);
    putBig16(bytes, block + 6, 0);
    putBig16(bytes, block + 8, 0);
    putBig16(bytes, block + 10, 16);
    static_assert(kPhotoshopBlock + 16 == kBlockResolutionX, "horizontal resolution field");
    static_assert(kBlockResolutionX + 8 == kBlockResolutionY, "vertical resolution field");
    putBig16(bytes, kBlockResolutionX, kDefaultResolution);
    putBig16(bytes, kBlockResolutionX + 4, 1);
    putBig16(bytes, kBlockResolutionX + 6, 1);
    putBig16(bytes, kBlockResolutionY, kDefaultResolution);
    putBig16(bytes, kBlockResolutionY + 4, 1);
    putBig16(bytes, kBlockResolutionY + 6, 1);
    return bytes;
}

// Two bytes of padding, then a small Exif directory, which the header's last entry
// points to.
std::vector<std::uint8_t> trailer()
{
    std::vector<std::uint8_t> bytes(kTrailerBytes, 0);
    const std::size_t base = 2;
    put16(bytes, base, 3);
    auto exifEntry = [&](int k, std::uint16_t tag, Type type, std::uint32_t count, const char* value) {
        const std::size_t at = base + 2 + 12 * std::size_t(k);
        put16(bytes, at, tag);
        put16(bytes, at + 2, type);
        put32(bytes, at + 4, count);
        std::memcpy(bytes.data() + at + 8, value, 4);
    };
    exifEntry(0, 36864, Undefined, 4, "0230"); // ExifVersion
    exifEntry(1, 40960, Undefined, 4, "0100"); // FlashpixVersion
    exifEntry(2, 40961, Short, 1, "\x01\x00\x00\x00"); // ColorSpace: sRGB
    put32(bytes, base + 2 + 12 * 3, 0);
    return bytes;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    if (!writeFile(folder + "/tifstart.dat", header()) || !writeFile(folder + "/tifend.dat", trailer())) {
        std::fprintf(stderr, "cannot write the TIFF templates into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
