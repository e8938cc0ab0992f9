#include "icofile.h"

#include <QDataStream>
#include <QIODevice>

namespace
{

constexpr int kHeaderBytes = 6;
constexpr int kEntryBytes = 16;
constexpr int kBitmapHeaderBytes = 40;
constexpr int kLargestSide = 256;

int maskRowBytes(int width)
{
    // One bit a pixel, each row padded to whole 32-bit words.
    return (width + 31) / 32 * 4;
}

int bitmapBytes(const QImage& picture)
{
    return kBitmapHeaderBytes + picture.width() * picture.height() * 4
        + maskRowBytes(picture.width()) * picture.height();
}

// The bitmap is stored bottom row first, in straight (not premultiplied) BGRA, followed
// by the mask (a set bit is a transparent pixel) for readers that ignore the alpha.
void writeBitmap(QDataStream& out, const QImage& source)
{
    const QImage picture = source.convertToFormat(QImage::Format_ARGB32);
    const int width = picture.width();
    const int height = picture.height();
    out << quint32(kBitmapHeaderBytes) << qint32(width) << qint32(height * 2) << quint16(1) << quint16(32)
        << quint32(0) << quint32(bitmapBytes(picture) - kBitmapHeaderBytes) << qint32(0) << qint32(0)
        << quint32(0) << quint32(0);
    for (int y = height - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < width; ++x)
            out << quint8(qBlue(row[x])) << quint8(qGreen(row[x])) << quint8(qRed(row[x]))
                << quint8(qAlpha(row[x]));
    }
    QByteArray mask(maskRowBytes(width), '\0');
    for (int y = height - 1; y >= 0; --y) {
        mask.fill('\0');
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            if (qAlpha(row[x]) == 0)
                mask[x / 8] = char(mask[x / 8] | (0x80 >> (x % 8)));
        }
        out.writeRawData(mask.constData(), mask.size());
    }
}

} // namespace

QByteArray icoFile(const QVector<QImage>& pictures)
{
    if (pictures.isEmpty() || pictures.size() > 0xffff)
        return {};
    for (const QImage& picture : pictures) {
        if (picture.isNull() || picture.width() > kLargestSide || picture.height() > kLargestSide)
            return {};
    }

    QByteArray file;
    QDataStream out(&file, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(pictures.size());
    quint32 offset = kHeaderBytes + kEntryBytes * pictures.size();
    for (const QImage& picture : pictures) {
        // A side of 256 does not fit the byte and is written as 0.
        out << quint8(picture.width() % kLargestSide) << quint8(picture.height() % kLargestSide) << quint8(0)
            << quint8(0) << quint16(1) << quint16(32) << quint32(bitmapBytes(picture)) << offset;
        offset += bitmapBytes(picture);
    }
    for (const QImage& picture : pictures)
        writeBitmap(out, picture);
    return file;
}
