#pragma once

#include <QString>

class QImage;
class STImage;
struct ImageMetadata;

// RAW-mode stage images: after each pipeline step the image is written to the
// "RAW image" folder under the stage's name ("Scan_Saturation" -> "Scan_Saturation.tif").
// Outside RAW mode nothing happens. A missing folder makes the write fail quietly
// (the option-record dump creates it when RAW mode is on).
//
// Threads: any; only the RAW flag (behind its own lock) is shared.

// As 16- or 8-bit TIFF; false outside RAW mode or when the file could not be written.
bool dumpStage(const STImage& image, const QString& name);
// The scan as the scanner gave it, with the scan's metadata (never a colour profile):
// what korvane-process passes on to the file it makes of it.
bool dumpStage(const STImage& image, const QString& name, const ImageMetadata& metadata);
// As JPEG through Qt's image writer at its default quality.
bool dumpStage(const QImage& image, const QString& name);
