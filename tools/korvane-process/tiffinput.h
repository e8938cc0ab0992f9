#pragma once

#include <QString>

class STImage;
struct ImageMetadata;

// Reads the 16-bit RGB TIFF files the application writes (RAW-mode and engineer-mode
// dumps of a scan or prescan) into a scan image.
namespace TiffInput
{

// False with a message for the user when the file cannot be read or is not a
// 16-bit, 3-channel RGB image with its samples interleaved.
// Threads: any; several files may be read at once.
bool read16BitRgb(const QString& path, STImage& image, QString& error);

// What the file says of its scan: the scanner's maker and model and the time (the
// RAW-mode dump carries them), the time falling back to the file's own.
ImageMetadata scanMetadata(const QString& path);

} // namespace TiffInput
