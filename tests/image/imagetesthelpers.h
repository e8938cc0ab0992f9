#pragma once

// Helpers of the image tests: random images, and reading files back with the real
// libraries.
#include "stimage.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include <jpeglib.h>
#include <tiffio.h>

namespace ImageTest
{

inline std::vector<std::uint8_t> randomBytes(std::size_t count, unsigned seed)
{
    std::vector<std::uint8_t> bytes(count);
    std::mt19937 random(seed);
    for (auto& byte : bytes)
        byte = std::uint8_t(random());
    return bytes;
}

inline STImage randomImage(
    std::uint32_t width, std::uint32_t height, std::uint32_t bits, int channels, unsigned seed = 11)
{
    const std::vector<std::uint8_t> bytes
        = randomBytes(std::size_t(STImage::byteCountFor(width, height, bits, channels)), seed);
    STImage image;
    image.setData(width, height, bits, channels, bytes.data(), bytes.size());
    return image;
}

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Everything in a folder, hidden files included: temporary files must not remain.
inline QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

struct TiffContents {
    bool ok = false;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t samplesPerPixel = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t photometric = 0;
    std::uint16_t compression = 0;
    std::uint16_t resolutionUnit = 0;
    float xResolution = 0;
    float yResolution = 0;
    QByteArray description;
    QByteArray xmlPacket;
    std::uint64_t stripOffset = 0;
    QByteArray pixels; // rows one after another
};

inline TiffContents readTiff(const QString& path)
{
    TiffContents contents;
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tiff)
        return contents;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &contents.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &contents.height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &contents.samplesPerPixel);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &contents.bitsPerSample);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &contents.photometric);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &contents.compression);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &contents.resolutionUnit);
    TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &contents.xResolution);
    TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &contents.yResolution);
    char* description = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_IMAGEDESCRIPTION, &description) && description)
        contents.description = description;
    std::uint32_t xmlSize = 0;
    void* xml = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_XMLPACKET, &xmlSize, &xml) && xml)
        contents.xmlPacket = QByteArray(static_cast<const char*>(xml), int(xmlSize));
    contents.stripOffset = TIFFGetStrileOffset(tiff, 0);
    const tmsize_t rowBytes = TIFFScanlineSize(tiff);
    contents.pixels.resize(int(rowBytes * contents.height));
    contents.ok = true;
    for (std::uint32_t y = 0; y < contents.height; ++y) {
        if (TIFFReadScanline(tiff, contents.pixels.data() + rowBytes * y, y, 0) != 1) {
            contents.ok = false;
            break;
        }
    }
    TIFFClose(tiff);
    return contents;
}

struct JpegContents {
    bool ok = false;
    int width = 0;
    int height = 0;
    int components = 0;
    int densityUnit = -1;
    int xDensity = 0;
    int yDensity = 0;
    QList<QByteArray> comments;
    bool allQuantisersOne = false; // what quality 100 gives
    QByteArray pixels;
};

struct JpegErrors {
    jpeg_error_mgr standard;
    std::jmp_buf escape;
};

inline void jpegErrorExit(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->escape, 1);
}

// Plain data only between setjmp and the jumps.
inline bool decodeJpeg(std::FILE* file, JpegContents* contents, std::vector<std::uint8_t>* pixels)
{
    jpeg_decompress_struct info;
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.standard);
    errors.standard.error_exit = jpegErrorExit;
    if (setjmp(errors.escape)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_save_markers(&info, JPEG_COM, 0xFFFF);
    jpeg_read_header(&info, TRUE);
    contents->width = int(info.image_width);
    contents->height = int(info.image_height);
    contents->components = info.num_components;
    contents->densityUnit = info.density_unit;
    contents->xDensity = info.X_density;
    contents->yDensity = info.Y_density;
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next)
        if (marker->marker == JPEG_COM)
            contents->comments.append(
                QByteArray(reinterpret_cast<const char*>(marker->data), int(marker->data_length)));
    bool ones = true;
    int tables = 0;
    for (auto* table : info.quant_tbl_ptrs) {
        if (!table)
            continue;
        ++tables;
        for (unsigned short value : table->quantval)
            ones = ones && value == 1;
    }
    contents->allQuantisersOne = ones && tables > 0;
    jpeg_start_decompress(&info);
    const std::size_t stride = std::size_t(info.output_width) * info.output_components;
    pixels->resize(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels->data() + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

inline JpegContents readJpeg(const QString& path)
{
    JpegContents contents;
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!file)
        return contents;
    std::vector<std::uint8_t> pixels;
    contents.ok = decodeJpeg(file, &contents, &pixels);
    std::fclose(file);
    contents.pixels = QByteArray(reinterpret_cast<const char*>(pixels.data()), int(pixels.size()));
    return contents;
}

} // namespace ImageTest
