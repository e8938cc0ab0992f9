#pragma once

#include <QString>

class STImage;

// The last part of a final scan: the conversion to the chosen depth, the enlargement
// of the 10000 dpi case through raw files, and the writing of the TIFF or JPEG file.
// Used by the scanner worker and by the command-line tool, so both write the same
// files.
//
// The work is split in two so that a cancel that arrives in between discards the
// result: prepare() converts (and enlarges), write() puts the file in place.
// Temporary files live in the work folder given at construction and are removed by
// write(), by discard() and by the destructor, whatever happened.
//
// A file is written under a temporary name beside its target and renamed into place
// only when complete, and never over a file that exists: a failed write leaves every
// existing file as it was and no partial file behind.
//
// Threads: one object per scan, used by one thread.
class FinalFileStep
{
public:
    static constexpr int kEnlargedResolution = 10000;
    static constexpr int kDeviceResolutionOfEnlarged = 5000;

    // The resolution of the file for a model code and resolution choice (0 Quality,
    // 1 Normal): 82, 83: 3600 / 1800; 84: 10000 / 5000.
    static int outputResolution(int modelCode, int resolutionChoice);
    // The resolution the device scans at (nDPI): 84 always 5000.
    static int deviceResolution(int modelCode, int resolutionChoice);
    // A JPEG is written when the path contains ".jpg" anywhere (case-sensitive).
    static bool isJpegPath(const QString& path);

    explicit FinalFileStep(const QString& workFolder);
    virtual ~FinalFileStep();
    FinalFileStep(const FinalFileStep&) = delete;
    FinalFileStep& operator=(const FinalFileStep&) = delete;

    // eightBit: colour depth choice 1. At 10000 dpi the image is dumped and enlarged by
    // 2.0 into the work folder; otherwise its resolution field becomes the output
    // resolution. False when the enlargement could not be written (disk full).
    bool prepare(STImage& image, bool eightBit, int outputResolution);

    // Writes the prepared image to path (or to the next free number after it when the
    // name was taken meanwhile). Returns the path written, empty on failure.
    QString write(STImage& image, const QString& path);

    // Removes the temporary files (a cancelled scan).
    void discard();

    QString temporaryRawPath() const; // work folder + "/tmpImage.raw"
    QString enlargedRawPath() const; // work folder + "/resizeImage.raw"

private:
    bool writeTo(STImage& image, const QString& temporary, bool jpeg) const;

    QString m_workFolder;
    int m_resolution = 0;
    bool m_enlarged = false;
};
