#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>

// What a processed picture says about itself besides its pixels: the program that
// wrote it, when it was scanned and on which scanner. The resolution travels with the
// image. Empty texts and an invalid time are left out of the file.
//
// Threads: a value; the profile is built once per process and then only read.
struct ImageMetadata {
    QString software; // "Korvane <version>"
    QDateTime scanned;
    QString make; // the scanner's maker and model as its device reports them
    QString model;
    bool srgb = true; // embed the sRGB profile: processed pictures only, never raw samples

    // The program and its version, this scan's time and scanner.
    static ImageMetadata forScan(const QString& make, const QString& model, const QDateTime& scanned);

    // "YYYY:MM:DD HH:MM:SS", the form TIFF and Exif dates take; empty when invalid.
    QString dateTimeText() const;
};

namespace ImageMetadataFiles
{

// The sRGB ICC profile, made by the colour-management library on first use.
const QByteArray& srgbProfile();

// The Exif block of a JPEG's APP1 marker ("Exif\0\0" and a little-endian TIFF
// structure) of a picture of width x height pixels: Make, Model, resolution,
// Software, DateTime and, in the Exif
// directory, the original date and the sRGB colour space when embedded (else
// "uncalibrated").
QByteArray exifPayload(
    const ImageMetadata& metadata, int resolution, std::uint32_t width, std::uint32_t height);

// The APP2 payload carrying the sRGB profile ("ICC_PROFILE\0", chunk 1 of 1).
QByteArray iccPayload();

// The APP1 and, with srgb, APP2 marker segments, markers and lengths included.
QByteArray jpegSegments(
    const ImageMetadata& metadata, int resolution, std::uint32_t width, std::uint32_t height);

// Where segments go in jpeg: after its SOI and JFIF APP0 markers, so that what a
// reader looks for first stays where it was; -1 when jpeg does not start with SOI.
int jpegSegmentsPosition(const QByteArray& jpeg);

} // namespace ImageMetadataFiles
