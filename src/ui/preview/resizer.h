#pragma once

class QGraphicsItem;
class QRectF;

// What a size grip calls to give its parent item a new rectangle; the grip does
// not know what kind of item it resizes.
class Resizer
{
public:
    virtual ~Resizer() = default;
    virtual void operator()(QGraphicsItem* item, const QRectF& rect) = 0;
};
