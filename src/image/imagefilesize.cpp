#include "imagefilesize.h"

#include <QFile>
#include <QImageReader>

#include <tiffio.h>

#include <climits>

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
