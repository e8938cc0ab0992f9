#include "previewgeometry.h"

#include "stimage.h"

#include <QPointF>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace PreviewGeometry
{

namespace
{

int quarterTurnsOf(int rotation)
{
    // A turn to the left is three to the right, and whole turns change nothing.
    return ((rotation / 90) % 4 + 4) % 4;
}

// The size the scale gives, truncated and held to the 32-bit range, as the
// transform's own apply computes it.
std::uint32_t scaledSize(std::uint32_t size, double zoom)
{
    return static_cast<std::uint32_t>(std::min(4294967295.0, std::max(0.0, size * zoom)));
}

// The slow road for images the fast one does not read (fewer than three channels,
// depths other than 8 and 16 bits): the whole-image operations one after another.
QImage previewByOperations(const STImage& image, double zoom, int turns, bool mirror, bool flip)
{
    STImage result = image;
    for (int i = 0; i < turns; ++i)
        result = result.rotatedRight();
    if (mirror)
        result = result.mirrored();
    if (flip)
        result = result.flipped();
    if (zoom != 1.0)
        result = result.scaled(scaledSize(result.width(), zoom), scaledSize(result.height(), zoom));
    return result.toQImage();
}

constexpr std::uint32_t kBlack = 0xFF000000u;

// The turned, mirrored and flipped picture in 32-bit pixels. The turn is never
// built: turned pixel (u, v) is the source pixel at origin + u * columnStep +
// v * rowStep. Walked in small tiles, so that a turn's column reads stay in cache.
void writeTurned(const STImage& image, int turns, bool mirror, bool flip, QImage& target)
{
    const std::uint32_t sourceWidth = image.width();
    const std::uint32_t sourceHeight = image.height();
    const auto width = std::uint32_t(target.width());
    const auto height = std::uint32_t(target.height());
    const std::ptrdiff_t pixelBytes = std::ptrdiff_t(image.channels()) * (image.bitsPerSample() / 8);
    const std::ptrdiff_t sourceStride = std::ptrdiff_t(image.bytesPerLine());

    // A clockwise quarter turn sends source (x, y) to (H - 1 - y, x), so turned pixel
    // (u, v) is source (v, H - 1 - u); two turns (W-1-u, H-1-v); three (W-1-v, u).
    std::ptrdiff_t origin = 0;
    std::ptrdiff_t columnStep = pixelBytes;
    std::ptrdiff_t rowStep = sourceStride;
    switch (turns) {
    case 1:
        origin = std::ptrdiff_t(sourceHeight - 1) * sourceStride;
        columnStep = -sourceStride;
        rowStep = pixelBytes;
        break;
    case 2:
        origin
            = std::ptrdiff_t(sourceHeight - 1) * sourceStride + std::ptrdiff_t(sourceWidth - 1) * pixelBytes;
        columnStep = -pixelBytes;
        rowStep = -sourceStride;
        break;
    case 3:
        origin = std::ptrdiff_t(sourceWidth - 1) * pixelBytes;
        columnStep = sourceStride;
        rowStep = -pixelBytes;
        break;
    default:
        break;
    }
    if (mirror) {
        origin += std::ptrdiff_t(width - 1) * columnStep;
        columnStep = -columnStep;
    }
    if (flip) {
        origin += std::ptrdiff_t(height - 1) * rowStep;
        rowStep = -rowStep;
    }

    // The high byte of a little-endian word is its second byte.
    const std::ptrdiff_t sampleBytes = image.bitsPerSample() / 8;
    const std::uint8_t* const source = image.data() + origin + (sampleBytes == 2 ? 1 : 0);
    uchar* const bits = target.bits();
    const std::size_t targetStride = std::size_t(target.bytesPerLine());
    constexpr std::uint32_t kTile = 32;
    for (std::uint32_t v0 = 0; v0 < height; v0 += kTile) {
        const std::uint32_t v1 = std::min(height, v0 + kTile);
        for (std::uint32_t u0 = 0; u0 < width; u0 += kTile) {
            const std::uint32_t u1 = std::min(width, u0 + kTile);
            for (std::uint32_t v = v0; v < v1; ++v) {
                auto* out = reinterpret_cast<std::uint32_t*>(bits + v * targetStride);
                const std::uint8_t* in
                    = source + std::ptrdiff_t(v) * rowStep + std::ptrdiff_t(u0) * columnStep;
                for (std::uint32_t u = u0; u < u1; ++u, in += columnStep)
                    out[u] = kBlack | std::uint32_t(in[0]) << 16 | std::uint32_t(in[sampleBytes]) << 8
                        | std::uint32_t(in[2 * sampleBytes]);
            }
        }
    }
}

} // namespace

QImage previewImage(const STImage& image, double zoom, int rotation, bool mirror, bool flip)
{
    const int turns = quarterTurnsOf(rotation);
    const bool readable = (image.bitsPerSample() == 8 || image.bitsPerSample() == 16) && image.channels() >= 3
        && !image.isNull();
    if (!readable) {
        const QImage slow = previewByOperations(image, zoom, turns, mirror, flip);
        return slow.isNull() ? slow : slow.convertToFormat(QImage::Format_RGB32);
    }

    const std::uint32_t sourceWidth = image.width();
    const std::uint32_t sourceHeight = image.height();
    const bool sideways = turns % 2 == 1;
    const std::uint32_t turnedWidth = sideways ? sourceHeight : sourceWidth;
    const std::uint32_t turnedHeight = sideways ? sourceWidth : sourceHeight;
    std::uint32_t targetWidth = turnedWidth;
    std::uint32_t targetHeight = turnedHeight;
    if (zoom != 1.0) {
        targetWidth = scaledSize(turnedWidth, zoom);
        targetHeight = scaledSize(turnedHeight, zoom);
    }
    if (targetWidth == 0 || targetHeight == 0 || targetWidth > 0x7FFFFFFFu || targetHeight > 0x7FFFFFFFu
        || turnedWidth > 0x7FFFFFFFu || turnedHeight > 0x7FFFFFFFu)
        return QImage();

    // Stage one: the turned, mirrored and flipped picture at the prescan's size, in
    // 32-bit pixels. Without a zoom it is the result.
    QImage turned(int(turnedWidth), int(turnedHeight), QImage::Format_RGB32);
    if (turned.isNull())
        return turned;
    writeTurned(image, turns, mirror, flip, turned);
    if (zoom == 1.0)
        return turned;

    // Stage two: nearest neighbour with single-precision ratios and truncation, as
    // the scan image's scale has them; a position that rounds onto the far edge
    // stays black there too.
    QImage result(int(targetWidth), int(targetHeight), QImage::Format_RGB32);
    if (result.isNull())
        return result;
    const float rx = static_cast<float>(turnedWidth) / static_cast<float>(targetWidth);
    const float ry = static_cast<float>(turnedHeight) / static_cast<float>(targetHeight);
    constexpr std::uint32_t kOutside = 0xFFFFFFFFu;
    std::vector<std::uint32_t> sourceColumn(targetWidth);
    for (std::uint32_t i = 0; i < targetWidth; ++i) {
        const auto u = static_cast<std::uint32_t>(static_cast<float>(i) * rx);
        sourceColumn[i] = u < turnedWidth ? u : kOutside;
    }
    const std::uint32_t* const columns = sourceColumn.data();
    const uchar* const turnedBits = turned.constBits();
    const std::size_t turnedStride = std::size_t(turned.bytesPerLine());
    uchar* const bits = result.bits();
    const std::size_t targetStride = std::size_t(result.bytesPerLine());
    const std::size_t rowBytes = std::size_t(targetWidth) * 4;
    std::uint32_t previousRow = kOutside;
    for (std::uint32_t j = 0; j < targetHeight; ++j) {
        auto* out = reinterpret_cast<std::uint32_t*>(bits + j * targetStride);
        const auto v = static_cast<std::uint32_t>(static_cast<float>(j) * ry);
        if (v >= turnedHeight) {
            std::fill(out, out + targetWidth, kBlack);
            continue;
        }
        if (v == previousRow) {
            // An enlarged row repeats the one above it.
            std::memcpy(out, bits + (j - 1) * targetStride, rowBytes);
            continue;
        }
        previousRow = v;
        const auto* in = reinterpret_cast<const std::uint32_t*>(turnedBits + v * turnedStride);
        for (std::uint32_t i = 0; i < targetWidth; ++i)
            out[i] = columns[i] == kOutside ? kBlack : in[columns[i]];
    }
    return result;
}

QRectF scanArea(
    const QRectF& crop, const QSize& rawPrescanSize, double zoom, int rotation, bool mirror, bool flip)
{
    const QRectF window(0.0, 0.0, kWindowWidthInches, kWindowHeightInches);
    if (crop.width() <= 0.0 || crop.height() <= 0.0 || rawPrescanSize.isEmpty())
        return window;

    // The preview's own size: the turned prescan, scaled as the preview scales it.
    const int turns = quarterTurnsOf(rotation);
    const bool sideways = turns % 2 == 1;
    const auto rawWidth = std::uint32_t(rawPrescanSize.width());
    const auto rawHeight = std::uint32_t(rawPrescanSize.height());
    double width = sideways ? rawHeight : rawWidth;
    double height = sideways ? rawWidth : rawHeight;
    if (zoom != 1.0) {
        width = scaledSize(std::uint32_t(width), zoom);
        height = scaledSize(std::uint32_t(height), zoom);
    }
    if (width <= 0.0 || height <= 0.0)
        return window;

    // Corners on whole preview pixels, truncated toward zero.
    const double x1 = std::trunc(crop.x());
    const double x2 = std::trunc(crop.x() + crop.width());
    const double y1 = std::trunc(crop.y());
    const double y2 = std::trunc(crop.y() + crop.height());
    if (x2 <= x1 || y2 <= y1)
        return window;
    QPointF corners[4] = { { x1, y1 }, { x1, y2 }, { x2, y1 }, { x2, y2 } };

    // Undo what the preview did, last step first: the flip, the mirror, then each
    // quarter turn. The scale is undone by the division below.
    for (QPointF& p : corners) {
        double w = width;
        double h = height;
        if (flip)
            p.setY(h - p.y());
        if (mirror)
            p.setX(w - p.x());
        for (int i = 0; i < turns; ++i) {
            // A clockwise turn sent (x, y) of a w' x h' image to (h' - y, x); the
            // turned image is w x h with w = h'.
            p = QPointF(p.y(), w - p.x());
            std::swap(w, h);
        }
    }
    const double unturnedWidth = sideways ? height : width;
    const double unturnedHeight = sideways ? width : height;

    double minX = corners[0].x();
    double maxX = minX;
    double minY = corners[0].y();
    double maxY = minY;
    for (const QPointF& p : corners) {
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    // Held to the scanner's window: the frame may reach beyond the picture.
    auto inches = [](double position, double size, double full) {
        return std::clamp(position / size * full, 0.0, full);
    };
    const double left = inches(minX, unturnedWidth, kWindowWidthInches);
    const double right = inches(maxX, unturnedWidth, kWindowWidthInches);
    const double top = inches(minY, unturnedHeight, kWindowHeightInches);
    const double bottom = inches(maxY, unturnedHeight, kWindowHeightInches);
    return QRectF(left, top, right - left, bottom - top);
}

} // namespace PreviewGeometry
