#include "pictureraster.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <tiffio.h>

namespace sim
{

namespace
{

// Bigger pictures are refused rather than risk exhausting memory for a test image.
constexpr qint64 kMaxPixels = qint64(200) * 1000 * 1000;

bool isTiff(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    return head == QByteArray("II*\0", 4) || head == QByteArray("MM\0*", 4) || head == QByteArray("II+\0", 4)
        || head == QByteArray("MM\0+", 4);
}

QImage readTiff(const QString& path, QString* error)
{
    std::unique_ptr<TIFF, void (*)(TIFF*)> tiff(
        TIFFOpen(QFile::encodeName(path).constData(), "r"), TIFFClose);
    if (!tiff) {
        *error = QStringLiteral("libtiff cannot open it");
        return {};
    }
    std::uint32_t width = 0, height = 0;
    std::uint16_t bits = 8, samples = 1, planar = PLANARCONFIG_CONTIG, photometric = PHOTOMETRIC_RGB;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric);
    if (width == 0 || height == 0 || qint64(width) * height > kMaxPixels) {
        *error = QStringLiteral("its size %1 x %2 is not usable").arg(width).arg(height);
        return {};
    }
    const bool plain16 = bits == 16 && planar == PLANARCONFIG_CONTIG
        && ((samples >= 3 && photometric == PHOTOMETRIC_RGB)
            || (samples == 1 && photometric == PHOTOMETRIC_MINISBLACK));
    if (plain16) {
        // 16-bit data keep their depth; libtiff's RGBA reader would cut them to 8 bits.
        QImage image(int(width), int(height), QImage::Format_RGBX64);
        std::vector<std::uint16_t> line(std::size_t(TIFFScanlineSize(tiff.get()) / 2 + 1));
        for (std::uint32_t y = 0; y < height; ++y) {
            if (TIFFReadScanline(tiff.get(), line.data(), y, 0) < 0) {
                *error = QStringLiteral("line %1 cannot be read").arg(y);
                return {};
            }
            auto* out = reinterpret_cast<std::uint16_t*>(image.scanLine(int(y)));
            for (std::uint32_t x = 0; x < width; ++x) {
                const std::uint16_t* in = line.data() + std::size_t(x) * samples;
                out[4 * x] = in[0];
                out[4 * x + 1] = samples >= 3 ? in[1] : in[0];
                out[4 * x + 2] = samples >= 3 ? in[2] : in[0];
                out[4 * x + 3] = 0xFFFF;
            }
        }
        return image;
    }
    QImage image(int(width), int(height), QImage::Format_ARGB32);
    std::vector<std::uint32_t> raster(std::size_t(width) * height);
    if (!TIFFReadRGBAImageOriented(tiff.get(), width, height, raster.data(), ORIENTATION_TOPLEFT, 0)) {
        *error = QStringLiteral("libtiff cannot decode it");
        return {};
    }
    for (std::uint32_t y = 0; y < height; ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
        const std::uint32_t* in = raster.data() + std::size_t(y) * width;
        for (std::uint32_t x = 0; x < width; ++x)
            out[x] = qRgb(int(TIFFGetR(in[x])), int(TIFFGetG(in[x])), int(TIFFGetB(in[x])));
    }
    return image;
}

QImage readOther(const QString& path, QString* error)
{
    QImageReader reader(path);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxPixels) {
        *error = QStringLiteral("its size %1 x %2 is not usable").arg(size.width()).arg(size.height());
        return {};
    }
    QImage image = reader.read();
    if (image.isNull())
        *error = reader.errorString();
    return image;
}

// sRGB-encoded value (0 to 1) to linear light.
float decodeSrgb(float value)
{
    return value <= 0.04045f ? value / 12.92f : std::pow((value + 0.055f) / 1.055f, 2.4f);
}

} // namespace

bool loadPicture(const QString& path, int width, int height, PictureRaster* picture, QString* error)
{
    if (!QFile::exists(path)) {
        *error = QStringLiteral("the file does not exist");
        return false;
    }
    QImage image = isTiff(path) ? readTiff(path, error) : readOther(path, error);
    if (image.isNull()) {
        if (error->isEmpty())
            *error = QStringLiteral("it cannot be read");
        return false;
    }
    const bool deep = image.depth() > 32;
    image = image.convertToFormat(deep ? QImage::Format_RGBX64 : QImage::Format_RGB32);
    // Cover the frame, then cut the middle, as a photographer frames a picture.
    image = image.scaled(width, height, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    const int left = std::max(0, (image.width() - width) / 2);
    const int top = std::max(0, (image.height() - height) / 2);
    if (image.width() < width || image.height() < height) {
        *error = QStringLiteral("it cannot be scaled to the frame");
        return false;
    }

    std::vector<float> linear(deep ? 65536 : 256);
    for (std::size_t i = 0; i < linear.size(); ++i)
        linear[i] = decodeSrgb(float(i) / float(linear.size() - 1));

    picture->width = width;
    picture->height = height;
    picture->rgb.assign(std::size_t(width) * height * 3, 0.0f);
    for (int y = 0; y < height; ++y) {
        float* out = picture->rgb.data() + std::size_t(y) * width * 3;
        if (deep) {
            const auto* in = reinterpret_cast<const std::uint16_t*>(image.constScanLine(top + y))
                + std::size_t(left) * 4;
            for (int x = 0; x < width; ++x, in += 4, out += 3) {
                out[0] = linear[in[0]];
                out[1] = linear[in[1]];
                out[2] = linear[in[2]];
            }
        } else {
            const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(top + y)) + left;
            for (int x = 0; x < width; ++x, out += 3) {
                out[0] = linear[std::size_t(qRed(in[x]))];
                out[1] = linear[std::size_t(qGreen(in[x]))];
                out[2] = linear[std::size_t(qBlue(in[x]))];
            }
        }
    }
    return true;
}

} // namespace sim
