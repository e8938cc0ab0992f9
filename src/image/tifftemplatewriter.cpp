#include "imagefiles.h"
#include "imagelog.h"
#include "rawfile.h"
#include "tifftemplatelayout.h"

#include <QFile>

#include <memory>
#include <vector>

namespace ImageFiles
{

namespace
{

using namespace TiffTemplateLayout;

// The whole template file, or empty when it is missing, of another size, or not
// a little-endian TIFF header: nothing is written from a damaged template.
QByteArray readTemplate(const QString& path, std::size_t expectedBytes, bool isHeader)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcImage) << "TIFF template" << path << "is missing";
        return QByteArray();
    }
    const QByteArray bytes = file.read(qint64(expectedBytes) + 1);
    if (std::size_t(bytes.size()) != expectedBytes
        || (isHeader && !bytes.startsWith(QByteArray("II*\0", 4)))) {
        qCWarning(lcImage) << "TIFF template" << path << "is damaged:" << bytes.size() << "bytes";
        return QByteArray();
    }
    return bytes;
}

void put32(QByteArray& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[int(at) + i] = char(std::uint8_t(value >> (8 * i)));
}

void putBig16(QByteArray& bytes, std::size_t at, std::uint16_t value)
{
    bytes[int(at)] = char(std::uint8_t(value >> 8));
    bytes[int(at) + 1] = char(std::uint8_t(value));
}

} // namespace

bool tiffTemplatesUsable(const QString& dataFolder)
{
    return !readTemplate(dataFolder + QStringLiteral("/tifstart.dat"), kHeaderBytes, true).isEmpty()
        && !readTemplate(dataFolder + QStringLiteral("/tifend.dat"), kTrailerBytes, false).isEmpty();
}

bool writeTiffFromRawWithTemplate(const QString& sourcePath, const QString& targetPath, std::uint32_t width,
    std::uint32_t height, int resolution, const QString& dataFolder)
{
    const std::uint64_t rowBytes = std::uint64_t(width) * 6;
    const std::uint64_t pixelBytes = rowBytes * height;
    // The header's fields are 32 bits; a larger image would wrap them into a file
    // that lies about its own size.
    if (width == 0 || height == 0 || pixelBytes + kTrailerLinkBias > 0xFFFFFFFFull) {
        qCWarning(lcImage) << "no template TIFF of" << width << "x" << height;
        return false;
    }
    QByteArray head = readTemplate(dataFolder + QStringLiteral("/tifstart.dat"), kHeaderBytes, true);
    const QByteArray tail = readTemplate(dataFolder + QStringLiteral("/tifend.dat"), kTrailerBytes, false);
    if (head.isEmpty() || tail.isEmpty())
        return false;
    put32(head, kWidth, width);
    put32(head, kHeight, height);
    put32(head, kRowsPerStrip, height);
    put32(head, kStripByteCount, std::uint32_t(pixelBytes));
    put32(head, kTrailerLink, std::uint32_t(pixelBytes + kTrailerLinkBias));
    const auto dpi = static_cast<std::uint16_t>(resolution);
    putBig16(head, kBlockResolutionX, dpi);
    putBig16(head, kBlockResolutionY, dpi);
    put32(head, kXResolutionRational, dpi);
    put32(head, kYResolutionRational, dpi);

    RawFile source(sourcePath, RawFile::Read);
    if (!source.isOpen())
        return false;
    if (source.size() < std::int64_t(pixelBytes)) {
        qCWarning(lcImage) << sourcePath << "is shorter than" << width << "x" << height << "pixels";
        return false;
    }
    RawFile target(targetPath, RawFile::Write);
    if (!target.isOpen())
        return false;
    std::unique_ptr<std::uint8_t[]> row(new std::uint8_t[rowBytes]);
    bool ok = target.write(head.constData(), std::uint64_t(head.size()));
    for (std::uint32_t y = 0; y < height && ok; ++y)
        ok = source.read(row.get(), rowBytes) && target.write(row.get(), rowBytes);
    ok = ok && target.write(tail.constData(), std::uint64_t(tail.size()));
    if (!ok) {
        target.discard();
        return false;
    }
    return target.close();
}

bool usesTiffTemplate(std::uint32_t bits, std::uint32_t width, std::uint32_t height)
{
    // Single-precision quotients, evaluated left to right: millions of bytes.
    const float estimate = (float(height) / 1000.0f) * (float(width) / 1000.0f) * 2.0f * 3.0f;
    return bits == 16 && estimate > 1900.0f;
}

} // namespace ImageFiles
