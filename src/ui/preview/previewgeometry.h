#pragma once

#include <QImage>
#include <QRectF>
#include <QSize>

class STImage;

// The arithmetic of the preview, without widgets: the displayed picture of a scan
// image through the user's zoom, quarter turns, mirror and flip, and the way back
// from a frame on that picture to the area of the scanner's window.
namespace PreviewGeometry
{
// The whole prescan window of the scanner, in inches.
constexpr double kWindowWidthInches = 1.437;
constexpr double kWindowHeightInches = 0.957;

// The preview of a 16-bit (or 8-bit) scan image through the view transform:
// quarter turns clockwise (rotation / 90 times), then the mirror, then the flip,
// then the scale to (trunc(width*zoom), trunc(height*zoom)) when zoom != 1.0. The
// same pixels as ImageTransform::apply followed by STImage::toQImage, exactly, but
// as Format_RGB32, the format a pixmap holds, so showing it needs no conversion.
QImage previewImage(const STImage& image, double zoom, int rotation, bool mirror, bool flip);

// The scan area in inches (left, top, width, height) of a crop rectangle in scene
// units of that preview; the whole window (0, 0, 1.437, 0.957) without a frame;
// clamped to the window. Converts by inverting the transform the preview applied,
// so the framed spot is scanned whatever order the user clicked in.
QRectF scanArea(
    const QRectF& crop, const QSize& rawPrescanSize, double zoom, int rotation, bool mirror, bool flip);
}
