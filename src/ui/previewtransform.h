#pragma once

#include <imagetransform.h>

#include <QRectF>
#include <QVector>

// The user's view of the prescan: zoom, quarter turns, mirror and flip, and the
// order in which the turns and mirrors were clicked. The preview draws through it and
// the final scan receives it as an ImageTransform. A plain value.
struct PreviewTransform {
    // Codes of operationHistory, in click order.
    enum Operation { FlipVerticalOp = 0, FlipHorizontalOp = 1, RotateLeftOp = 2, RotateRightOp = 3 };

    static constexpr double kZoomStep = 0.1;
    // A click is refused at or beyond these; the factor itself steps past the lower
    // one to 0.4, because five steps down from 1.0 leave it a hair above 0.5.
    static constexpr double kMaxZoom = 3.0;
    static constexpr double kMinZoom = 0.5;
    // Ruler pixels per inch of an unzoomed preview.
    static constexpr double kRulerPixelsPerInch = 300.0;

    double zoomFactor = 1.0;
    int rotationAngle = 0; // degrees clockwise, 0, 90, 180 or 270
    bool mirrorHorizontal = false;
    bool mirrorVertical = false;
    QVector<int> operationHistory;

    void reset() { *this = PreviewTransform(); }

    // False when refused at the limit.
    bool zoomIn();
    bool zoomOut();
    void rotateLeft();
    void rotateRight();
    void flipHorizontal();
    void flipVertical();

    // The ruler's pixels per inch at the current zoom, truncated.
    int rulerScale() const;
    // The transform the final scan is handed, with the frame drawn on the preview.
    ImageTransform imageTransform(const QRectF& cropRect) const;
};
