#pragma once

#include "resizer.h"

// Resizes a rectangle item; any other item is left as it is.
class RectResizer : public Resizer
{
public:
    void operator()(QGraphicsItem* item, const QRectF& rect) override;
};
