#pragma once

#include <QString>

class STImage;

// Reads the 16-bit RGB TIFF files the application writes (RAW-mode and engineer-mode
// dumps of a scan or prescan) into a scan image.
namespace TiffInput
{

// False with a message for the user when the file cannot be read or is not a
// 16-bit, 3-channel RGB image with its samples interleaved.
bool read16BitRgb(const QString& path, STImage& image, QString& error);

} // namespace TiffInput
