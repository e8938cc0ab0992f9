#include "imagefilesize.h"

#include <QFile>
#include <QImageReader>

#include <tiffio.h>

#include <climits>
#include <cmath>

namespace
{

// Little-endian, big-endian, and the two BigTIFF forms.
bool hasTiffSignature(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    return head == QByteArray("II*\0", 4) || head == QByteArray("MM\0*", 4) || head == QByteArray("II+\0", 4)
        || head == QByteArray("MM\0+", 4);
}

QSize tiffSize(const QString& path)
{
    QSize size(0, 0);
    if (TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "r")) {
        uint32_t width = 0;
        uint32_t height = 0;
        if (TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) == 1
            && TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) == 1 && width <= uint32_t(INT_MAX)
            && height <= uint32_t(INT_MAX))
            size = QSize(int(width), int(height));
        TIFFClose(tiff);
    }
    return size;
}

} // namespace

QSize imageFileSize(const QString& path)
{
    if (hasTiffSignature(path))
        return tiffSize(path);
    QImageReader reader(path);
    const QSize size = reader.size();
    return size.isValid() ? size : QSize(0, 0);
}

int imageFileResolution(const QString& path)
{
    constexpr double kCmPerInch = 2.54;
    if (hasTiffSignature(path)) {
        int dpi = 0;
        if (TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "r")) {
            float resolution = 0;
            uint16_t unit = RESUNIT_INCH;
            if (TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &resolution) == 1 && resolution > 0
                && resolution < 1e6f) {
                TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
                if (unit == RESUNIT_INCH)
                    dpi = int(std::lround(resolution));
                else if (unit == RESUNIT_CENTIMETER)
                    dpi = int(std::lround(resolution * kCmPerInch));
            }
            TIFFClose(tiff);
        }
        return dpi;
    }
    // A JFIF file opens with its APP0 segment: "JFIF\0", version, unit, densities.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray head = file.read(20);
    if (head.size() < 16 || !head.startsWith(QByteArray("\xFF\xD8\xFF\xE0", 4))
        || head.mid(6, 5) != QByteArray("JFIF\0", 5))
        return 0;
    const auto byte = [&head](int i) { return int(static_cast<unsigned char>(head.at(i))); };
    const int density = byte(14) << 8 | byte(15);
    switch (byte(13)) {
    case 1:
        return density;
    case 2:
        return int(std::lround(density * kCmPerInch));
    default:
        return 0;
    }
}
