#pragma once

#include "stimage.h"

struct ImageMetadata;

#include <QByteArray>
#include <QString>

#include <cstdint>

// The writers behind STImage's file output, writing straight to the path given.
// Each removes its partial file when it fails. Callers that must not damage an
// existing file write to a temporary name first (outputcommit.h).
namespace ImageFiles
{

// The TIFF of an image: 8 or 16 bits, 1, 3 or 4 channels, one strip, uncompressed.
// The writers given metadata add its tags (processed pictures); without, the file
// holds the samples and their resolution only (raw and service images).
bool writeTiff(const STImage& image, const QString& path, const QString& description,
    const ImageMetadata* metadata = nullptr);

// The headerless raw file of an image's pixel array.
bool writeRaw(const STImage& image, const QString& path);

// Final files from a raw file of width x height pixels, three channels of bits
// each; the raw file must hold at least that many bytes.
bool writeJpegFromRaw(std::uint32_t bits, const QString& sourcePath, const QString& targetPath,
    std::uint32_t width, std::uint32_t height, int resolution, const QByteArray& comment,
    const ImageMetadata* metadata = nullptr);
bool writeTiffFromRawWithLibtiff(std::uint32_t bits, const QString& sourcePath, const QString& targetPath,
    std::uint32_t width, std::uint32_t height, int resolution, const QString& description,
    const ImageMetadata* metadata = nullptr);
// 16-bit only: the prepared header, the rows copied through, the trailer.
// dataFolder holds tifstart.dat and tifend.dat.
bool writeTiffFromRawWithTemplate(const QString& sourcePath, const QString& targetPath, std::uint32_t width,
    std::uint32_t height, int resolution, const QString& dataFolder);

// Whether dataFolder's tifstart.dat and tifend.dat are there whole, so that the
// template path can write.
bool tiffTemplatesUsable(const QString& dataFolder);

// Whether writeTiffFromRaw takes the template path: 16 bits and more than about
// 1900 million bytes of pixel data, estimated in single precision.
bool usesTiffTemplate(std::uint32_t bits, std::uint32_t width, std::uint32_t height);

// The application's data folder, where the templates are staged.
QString applicationDataFolder();

// The size of the enlarged image the raw-file writers read: this image's size x 2.0.
std::uint32_t enlargedSize(std::uint32_t size);

} // namespace ImageFiles
