#include "tiffinput.h"

#include <imagemetadata.h>
#include <scannermodels.h>
#include <stimage.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <tiffio.h>

#include <cstdint>
#include <memory>
#include <mutex>

namespace
{

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

// libtiff reports to stderr by default; the tool says in one line what went wrong.
void quietHandler(const char*, const char*, va_list)
{
}

constexpr float kLargestResolution = 100000.0f; // dpi

QString tr(const char* text)
{
    return QCoreApplication::translate("TiffInput", text);
}

using TiffFile = std::unique_ptr<TIFF, TiffCloser>;

TiffFile open(const QString& path)
{
    // The handlers are process-wide: set once, before any file is read.
    static std::once_flag silenced;
    std::call_once(silenced, [] {
        TIFFSetErrorHandler(quietHandler);
        TIFFSetWarningHandler(quietHandler);
    });
    return TiffFile(TIFFOpen(QFile::encodeName(path).constData(), "r"));
}

QString textTag(TIFF* tiff, ttag_t tag)
{
    const char* text = nullptr;
    if (!TIFFGetField(tiff, tag, &text) || !text)
        return QString();
    return QString::fromUtf8(text).trimmed();
}

} // namespace

ImageMetadata TiffInput::scanMetadata(const QString& path)
{
    QDateTime scanned = QFileInfo(path).lastModified();
    QString make;
    QString model;
    if (TiffFile tiff = open(path)) {
        make = textTag(tiff.get(), TIFFTAG_MAKE);
        model = textTag(tiff.get(), TIFFTAG_MODEL);
        const QDateTime tagged = QDateTime::fromString(
            textTag(tiff.get(), TIFFTAG_DATETIME), QStringLiteral("yyyy:MM:dd HH:mm:ss"));
        if (tagged.isValid())
            scanned = tagged;
    }
    return ImageMetadata::forScan(make, model, scanned);
}

bool TiffInput::read16BitRgb(const QString& path, STImage& image, QString& error)
{
    TiffFile tiff = open(path);
    if (!tiff) {
        error = tr("cannot read %1: not a readable TIFF file").arg(path);
        return false;
    }
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bits = 0;
    uint16_t samples = 0;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t photometric = 0;
    if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width)
        || !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height) || width == 0 || height == 0) {
        error = tr("cannot read %1: the TIFF file has no image size").arg(path);
        return false;
    }
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric);
    if (bits != 16 || samples != 3 || photometric != PHOTOMETRIC_RGB) {
        error = tr("%1 is not a 16-bit RGB image (%2 bits, %3 samples per pixel)")
                    .arg(path)
                    .arg(bits)
                    .arg(samples);
        return false;
    }
    if (planar != PLANARCONFIG_CONTIG) {
        error = tr("%1 stores its colours in separate planes, which is not supported").arg(path);
        return false;
    }
    // The dumps are scans: a size no scanner makes is a damaged header, and allocating for
    // it (up to 4 GB from a file of a few bytes) would be the damage's decision.
    if (width > std::uint32_t(ScannerModels::kLargestScanWidth)
        || height > std::uint32_t(ScannerModels::kLargestScanHeight)
        || STImage::byteCountFor(width, height, 16, 3) < 0) {
        error = tr("%1 is too large (%2 x %3 pixels)").arg(path).arg(width).arg(height);
        return false;
    }
    const tmsize_t rowBytes = TIFFScanlineSize(tiff.get());
    if (rowBytes != tmsize_t(width) * 6) {
        error = tr("cannot read %1: unexpected row size").arg(path);
        return false;
    }
    STImage result = STImage::zeroed(width, height, 16, 3);
    if (result.isNull()) {
        error = tr("not enough memory for %1").arg(path);
        return false;
    }
    for (uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tiff.get(), result.data() + std::size_t(y) * std::size_t(rowBytes), y) < 0) {
            error = tr("cannot read %1: the file is damaged at row %2").arg(path).arg(y);
            return false;
        }
    }
    // A resolution the file cannot mean (beyond any scanner's, or not a number) would
    // overflow the conversion to whole dots: the image keeps its default instead.
    float resolution = 0;
    if (TIFFGetField(tiff.get(), TIFFTAG_XRESOLUTION, &resolution) && resolution >= 1.0f
        && resolution <= kLargestResolution)
        result.setResolution(int(resolution));
    image = std::move(result);
    return true;
}
