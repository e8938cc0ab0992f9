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

} // namespace

QImage previewImage(const STImage& image, double zoom, int rotation, bool mirror, bool flip)
{
    const int turns = quarterTurnsOf(rotation);
    const bool readable = (image.bitsPerSample() == 8 || image.bitsPerSample() == 16) && image.channels() >= 3
        && !image.isNull();
    if (!readable)
        return previewByOperations(image, zoom, turns, mirror, flip);

    // The turned, mirrored and flipped image is never built: each of its pixels is
    // a fixed pixel of the source, at origin + column * columnStep + row * rowStep.
    const std::uint32_t sourceWidth = image.width();
    const std::uint32_t sourceHeight = image.height();
    const bool sideways = turns % 2 == 1;
    const std::uint32_t turnedWidth = sideways ? sourceHeight : sourceWidth;
    const std::uint32_t turnedHeight = sideways ? sourceWidth : sourceHeight;
    const std::ptrdiff_t pixelBytes = std::ptrdiff_t(image.channels()) * (image.bitsPerSample() / 8);
    const std::ptrdiff_t sourceStride = std::ptrdiff_t(image.bytesPerLine());

    // Turned pixel (u, v) of a clockwise quarter turn is source pixel
    // (v, sourceHeight - 1 - u); two turns (W-1-u, H-1-v); three (W-1-v, u).
    std::ptrdiff_t origin = 0;
    std::ptrdiff_t columnStep = 0;
    std::ptrdiff_t rowStep = 0;
    switch (turns) {
    case 0:
        columnStep = pixelBytes;
        rowStep = sourceStride;
        break;
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
    default:
        origin = std::ptrdiff_t(sourceWidth - 1) * pixelBytes;
        columnStep = sourceStride;
        rowStep = -pixelBytes;
        break;
    }
    if (mirror) {
        origin += std::ptrdiff_t(turnedWidth - 1) * columnStep;
        columnStep = -columnStep;
    }
    if (flip) {
        origin += std::ptrdiff_t(turnedHeight - 1) * rowStep;
        rowStep = -rowStep;
    }

    std::uint32_t targetWidth = turnedWidth;
    std::uint32_t targetHeight = turnedHeight;
    if (zoom != 1.0) {
        targetWidth = scaledSize(turnedWidth, zoom);
        targetHeight = scaledSize(turnedHeight, zoom);
    }
    if (targetWidth == 0 || targetHeight == 0 || targetWidth > 0x7FFFFFFFu || targetHeight > 0x7FFFFFFFu)
        return QImage();
    QImage result(int(targetWidth), int(targetHeight), QImage::Format_RGB888);
    if (result.isNull())
        return result;

    // Nearest neighbour with single-precision ratios and truncation, as the scale
    // of the scan image has them; a position that rounds onto the far edge stays
    // black there too. Without a zoom the ratios are 1 and every position exact.
    const float rx = static_cast<float>(turnedWidth) / static_cast<float>(targetWidth);
    const float ry = static_cast<float>(turnedHeight) / static_cast<float>(targetHeight);
    constexpr std::ptrdiff_t kOutside = -1;
    std::vector<std::ptrdiff_t> columnOffset(targetWidth);
    for (std::uint32_t i = 0; i < targetWidth; ++i) {
        const auto u = static_cast<std::uint32_t>(static_cast<float>(i) * rx);
        columnOffset[i] = u < turnedWidth ? std::ptrdiff_t(u) * columnStep : kOutside;
    }

    // The high byte of a little-endian word is its second byte.
    const std::ptrdiff_t high = image.bitsPerSample() == 16 ? 1 : 0;
    const std::ptrdiff_t sampleBytes = image.bitsPerSample() / 8;
    const std::uint8_t* const source = image.data() + origin + high;
    uchar* const bits = result.bits();
    const std::size_t targetStride = std::size_t(result.bytesPerLine());
    const std::size_t rowBytes = std::size_t(targetWidth) * 3;

    std::uint32_t previousRow = 0xFFFFFFFFu;
    for (std::uint32_t j = 0; j < targetHeight; ++j) {
        uchar* out = bits + j * targetStride;
        const auto v = static_cast<std::uint32_t>(static_cast<float>(j) * ry);
        if (v >= turnedHeight) {
            std::memset(out, 0, rowBytes);
            continue;
        }
        if (v == previousRow) {
            // An enlarged row repeats the one above it.
            std::memcpy(out, out - targetStride, rowBytes);
            continue;
        }
        previousRow = v;
        const std::uint8_t* row = source + std::ptrdiff_t(v) * rowStep;
        for (std::uint32_t i = 0; i < targetWidth; ++i, out += 3) {
            const std::ptrdiff_t offset = columnOffset[i];
            if (offset == kOutside) {
                out[0] = out[1] = out[2] = 0;
                continue;
            }
            const std::uint8_t* in = row + offset;
            out[0] = in[0];
            out[1] = in[sampleBytes];
            out[2] = in[2 * sampleBytes];
        }
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
