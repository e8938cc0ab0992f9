#include "croprectitem.h"

#include <QBrush>
#include <QPen>
#include <QStyleOptionGraphicsItem>

CropRectItem::CropRectItem(const QRectF& rect, QGraphicsItem* parent)
    : QGraphicsRectItem(rect, parent)
{
    setBrush(QBrush(QColor(255, 255, 255, 100), Qt::SolidPattern));
    setPen(QPen(QBrush(QColor(0, 0, 0, 100)), 2, Qt::DashLine));
    setFlags(ItemIsMovable | ItemIsSelectable);
}

CropRectItem::~CropRectItem() = default;

void CropRectItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget)
{
    // No selection outline: the dashed frame is outline enough.
    QStyleOptionGraphicsItem plain(*option);
    plain.state &= ~QStyle::State_Selected;
    QGraphicsRectItem::paint(painter, &plain, widget);
}

void CropRectItem::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    setCursor(Qt::ClosedHandCursor);
    QGraphicsRectItem::mousePressEvent(event);
}

void CropRectItem::mouseReleaseEvent(QGraphicsSceneMouseEvent* event)
{
    setCursor(Qt::ArrowCursor);
    QGraphicsRectItem::mouseReleaseEvent(event);
}
