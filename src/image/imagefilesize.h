#pragma once

#include <QSize>
#include <QString>

// The width and height of an image file, read from its header only: a final scan
// can be hundreds of megabytes, too much to decode just to count its pixels.
// TIFF files are read with libtiff, anything else with QImageReader. An invalid
// size (0 by 0) when the file is missing or is no image.
QSize imageFileSize(const QString& path);

// The horizontal resolution in dots per inch that an image file states (a TIFF file's
// resolution tags, a JPEG file's JFIF density), rounded; 0 when it states none.
int imageFileResolution(const QString& path);
