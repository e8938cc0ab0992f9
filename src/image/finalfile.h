#pragma once

#include "stimage.h"

#include <scannermodels.h>

#include <QString>

#include <cstdint>

// The final-file step of a scan, in the two halves the worker runs on either side
// of its last cancel check: prepare() converts and, for the enlarged resolution,
// builds the enlarged raw file; write() writes the TIFF or JPEG.
//
// The final file is written under a temporary name in the target folder and
// renamed to its name only when complete; a name taken meanwhile is not
// overwritten (the next free number is used). The temporary raw files are removed
// on every path, failures included.
//
// Threads: runs on the scanner worker thread; the raw files have fixed names in
// the work folder, so one final file at a time.
namespace FinalFile
{

// The resolution the file gets by enlarging the scan, and the scan's own.
constexpr int kEnlargedResolution = ScannerModels::enlargement().outputDpi;
constexpr int kScannedResolution = ScannerModels::enlargement().scannedDpi;

// workFolder is userFolder("Korvane"); the raw files are in it.
QString dumpedRawPath(const QString& workFolder); // "/tmpImage.raw"
QString enlargedRawPath(const QString& workFolder); // "/resizeImage.raw"

// Why a final file was not written. The writers only say that they failed, so the
// cause is worked out afterwards from the folder and the space left on its disk.
enum class Failure {
    None,
    NoFreeName, // every numbered name of the folder is taken
    FolderUnusable, // missing, not a folder, or not writable
    DiskFull, // less room left than the file needs
    WriteFailed, // anything else
};

// The cause of a failed write of bytesNeeded bytes into folder.
Failure diagnose(const QString& folder, std::uint64_t bytesNeeded);

struct Prepared {
    bool ok = false;
    Failure failure = Failure::None; // of the work folder, when not ok
    std::uint32_t bits = 16; // of the samples written
    bool enlarged = false; // the enlarged raw file holds the image
};

// 8 bits when eightBit (image replaced by to8Bit()); at 10000 dpi the image is
// dumped, enlarged by 2.0 into the enlarged raw file and the dump removed; at any
// other resolution the image's resolution field is set to it.
Prepared prepare(STImage& image, int outputResolution, bool eightBit, const QString& workFolder);

// Whether a final file of that name is written as JPEG: its own suffix is ".jpg" or
// ".jpeg" in any case; a folder named like "trip.jpgs" has no say.
bool isJpegName(const QString& path);

// Writes the final file for path P: JPEG when isJpegName(P), else TIFF. Returns the path written (P, or the
// next free number when P was taken meanwhile), or empty on failure, with its cause in failure when given.
// Removes the enlarged raw file.
QString write(const STImage& image, const Prepared& prepared, const QString& path, const QString& workFolder,
    Failure* failure = nullptr);

// Removes both raw files (a scan cancelled between the halves).
void discardRawFiles(const QString& workFolder);

} // namespace FinalFile
