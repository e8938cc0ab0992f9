#pragma once

#include "stimage.h"

#include <QRectF>

// The user's zoom, quarter turns, mirror and flip, and the crop frame that goes
// with them. apply() works on a copy in the fixed order rotate, mirror, flip,
// scale; the crop rectangle is kept, not applied.
//
// Threads: a value; the main form copies it into the worker before a request.
class ImageTransform
{
public:
    ImageTransform() = default;
    virtual ~ImageTransform() = default;

    void reset(); // scale 1.0, everything else zero
    void setScale(double scale) { m_scale = scale; }
    void setRotation(int degrees) { m_rotation = degrees; } // clockwise, a multiple of 90
    void setMirror(bool on) { m_mirror = on; }
    void setFlip(bool on) { m_flip = on; }
    void setCropRect(const QRectF& rect) { m_cropRect = rect; }

    double scale() const { return m_scale; }
    int rotation() const { return m_rotation; }
    bool mirror() const { return m_mirror; }
    bool flip() const { return m_flip; }
    QRectF cropRect() const { return m_cropRect; }

    // Quarter turns to the right that the rotation comes to, 0-3 (-90 is three).
    int quarterTurns() const;

    STImage apply(const STImage& image) const;

private:
    double m_scale = 1.0;
    int m_rotation = 0;
    bool m_mirror = false;
    bool m_flip = false;
    QRectF m_cropRect;
};
