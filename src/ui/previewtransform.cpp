#include "previewtransform.h"

bool PreviewTransform::zoomIn()
{
    if (zoomFactor >= kMaxZoom)
        return false;
    zoomFactor += kZoomStep;
    return true;
}

bool PreviewTransform::zoomOut()
{
    if (zoomFactor <= kMinZoom)
        return false;
    zoomFactor -= kZoomStep;
    return true;
}

// The angle counts clockwise, as the image transform turns; a turn to the left takes
// a quarter off it.
void PreviewTransform::rotateLeft()
{
    rotationAngle -= 90;
    if (rotationAngle < 0)
        rotationAngle += 360;
    operationHistory.append(RotateLeftOp);
}

void PreviewTransform::rotateRight()
{
    rotationAngle += 90;
    if (rotationAngle >= 360)
        rotationAngle -= 360;
    operationHistory.append(RotateRightOp);
}

void PreviewTransform::flipHorizontal()
{
    mirrorHorizontal = !mirrorHorizontal;
    operationHistory.append(FlipHorizontalOp);
}

void PreviewTransform::flipVertical()
{
    mirrorVertical = !mirrorVertical;
    operationHistory.append(FlipVerticalOp);
}

int PreviewTransform::rulerScale() const
{
    // Truncated toward zero: 0.4000000000000001 x 300 gives 120.
    return int(zoomFactor * kRulerPixelsPerInch);
}

ImageTransform PreviewTransform::imageTransform(const QRectF& cropRect) const
{
    ImageTransform transform;
    transform.setScale(zoomFactor);
    transform.setRotation(rotationAngle);
    transform.setMirror(mirrorHorizontal);
    transform.setFlip(mirrorVertical);
    transform.setCropRect(cropRect);
    return transform;
}
