#include "rectresizer.h"

#include <QGraphicsRectItem>

void RectResizer::operator()(QGraphicsItem* item, const QRectF& rect)
{
    if (auto* rectItem = dynamic_cast<QGraphicsRectItem*>(item))
        rectItem->setRect(rect);
}
