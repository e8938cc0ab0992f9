#include "sizegripitem.h"

#include "resizer.h"

#include <QBrush>
#include <QCursor>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QPen>
#include <QStyleOptionGraphicsItem>

SizeGripItem::HandleItem::HandleItem(int positionFlags, SizeGripItem* parent)
    : QGraphicsRectItem(-4, -4, 8, 8, parent)
    , m_positionFlags(positionFlags)
    , m_parent(parent)
{
    setBrush(QBrush(QColor(32, 32, 32, 255)));
    setPen(QPen(QColor(0, 0, 0, 224)));
    setFlag(ItemIsMovable);
    setFlag(ItemIsSelectable);
    setFlag(ItemSendsGeometryChanges);
    setAcceptHoverEvents(true);
}

void SizeGripItem::HandleItem::paint(
    QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget)
{
    QStyleOptionGraphicsItem plain(*option);
    plain.state &= ~QStyle::State_Selected;
    QGraphicsRectItem::paint(painter, &plain, widget);
}

void SizeGripItem::HandleItem::hoverEnterEvent(QGraphicsSceneHoverEvent* event)
{
    switch (m_positionFlags) {
    case Top:
    case Bottom:
        setCursor(Qt::SizeVerCursor);
        break;
    case Left:
    case Right:
        setCursor(Qt::SizeHorCursor);
        break;
    case TopLeft:
    case BottomRight:
        setCursor(Qt::SizeFDiagCursor);
        break;
    default:
        setCursor(Qt::SizeBDiagCursor);
        break;
    }
    setBrush(QBrush(QColor(0, 0, 225, 255)));
    QGraphicsRectItem::hoverEnterEvent(event);
}

void SizeGripItem::HandleItem::hoverLeaveEvent(QGraphicsSceneHoverEvent* event)
{
    setCursor(Qt::ArrowCursor);
    setBrush(QBrush(QColor(0, 0, 0, 224)));
    QGraphicsRectItem::hoverLeaveEvent(event);
}

QVariant SizeGripItem::HandleItem::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if (change == ItemPositionChange)
        return restrictPosition(value.toPointF());
    if (change == ItemPositionHasChanged) {
        const QPointF pos = value.toPointF();
        switch (m_positionFlags) {
        case TopLeft:
            m_parent->setTopLeft(pos);
            break;
        case Top:
            m_parent->setTop(pos.y());
            break;
        case TopRight:
            m_parent->setTopRight(pos);
            break;
        case Right:
            m_parent->setRight(pos.x());
            break;
        case BottomRight:
            m_parent->setBottomRight(pos);
            break;
        case Bottom:
            m_parent->setBottom(pos.y());
            break;
        case BottomLeft:
            m_parent->setBottomLeft(pos);
            break;
        case Left:
            m_parent->setLeft(pos.x());
            break;
        default:
            break;
        }
    }
    return QGraphicsRectItem::itemChange(change, value);
}

QPointF SizeGripItem::HandleItem::restrictPosition(const QPointF& position)
{
    QGraphicsScene* owner = scene();
    if (!owner || owner->views().isEmpty())
        return position;
    QGraphicsView* view = owner->views().first();
    const QRectF visible = view->mapToScene(view->viewport()->rect()).boundingRect();
    QPointF scenePos = m_parent->mapToScene(position);
    bool clampedX = false;
    bool clampedY = false;
    if ((m_positionFlags & Top) && scenePos.y() < visible.top()) {
        scenePos.setY(visible.top());
        clampedY = true;
    }
    if ((m_positionFlags & Bottom) && scenePos.y() > visible.bottom()) {
        scenePos.setY(visible.bottom());
        clampedY = true;
    }
    if ((m_positionFlags & Left) && scenePos.x() < visible.left()) {
        scenePos.setX(visible.left());
        clampedX = true;
    }
    if ((m_positionFlags & Right) && scenePos.x() > visible.right()) {
        scenePos.setX(visible.right());
        clampedX = true;
    }
    if (clampedX || clampedY) {
        // Keep the pointer on the handle, at the edge of the view.
        const QPoint edge = view->viewport()->mapToGlobal(view->mapFromScene(scenePos));
        QPoint cursor = QCursor::pos();
        if (clampedX)
            cursor.setX(edge.x());
        if (clampedY)
            cursor.setY(edge.y());
        QCursor::setPos(cursor);
    }
    return m_parent->mapFromScene(scenePos);
}

SizeGripItem::SizeGripItem(Resizer* resizer, QGraphicsItem* parent)
    : QGraphicsItem(parent)
    , m_resizer(resizer)
{
    if (parentItem())
        m_rect = parentItem()->boundingRect();
    const int order[] = { TopLeft, Top, TopRight, Right, BottomRight, Bottom, BottomLeft, Left };
    for (int flags : order)
        m_handleItems.append(new HandleItem(flags, this));
    updateHandleItemPositions();
    setAcceptHoverEvents(true);
    // Twice a handle's width: a frame never gets smaller than two handles side by side.
    m_minimumSize = 2 * int(m_handleItems.first()->rect().width());
}

SizeGripItem::~SizeGripItem() = default;

QRectF SizeGripItem::boundingRect() const
{
    return m_rect;
}

void SizeGripItem::paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*)
{
}

void SizeGripItem::hoverEnterEvent(QGraphicsSceneHoverEvent* event)
{
    for (HandleItem* handle : qAsConst(m_handleItems))
        handle->setVisible(true);
    QGraphicsItem::hoverEnterEvent(event);
}

void SizeGripItem::hoverLeaveEvent(QGraphicsSceneHoverEvent* event)
{
    for (HandleItem* handle : qAsConst(m_handleItems))
        handle->setVisible(false);
    QGraphicsItem::hoverLeaveEvent(event);
}

void SizeGripItem::setTop(qreal y)
{
    QRectF rect = m_rect;
    rect.setTop(y);
    tryResize(rect);
}

void SizeGripItem::setBottom(qreal y)
{
    QRectF rect = m_rect;
    rect.setBottom(y);
    tryResize(rect);
}

void SizeGripItem::setLeft(qreal x)
{
    QRectF rect = m_rect;
    rect.setLeft(x);
    tryResize(rect);
}

void SizeGripItem::setRight(qreal x)
{
    QRectF rect = m_rect;
    rect.setRight(x);
    tryResize(rect);
}

void SizeGripItem::setTopLeft(const QPointF& pos)
{
    QRectF rect = m_rect;
    rect.setTopLeft(pos);
    tryResize(rect);
}

void SizeGripItem::setTopRight(const QPointF& pos)
{
    QRectF rect = m_rect;
    rect.setTopRight(pos);
    tryResize(rect);
}

void SizeGripItem::setBottomLeft(const QPointF& pos)
{
    QRectF rect = m_rect;
    rect.setBottomLeft(pos);
    tryResize(rect);
}

void SizeGripItem::setBottomRight(const QPointF& pos)
{
    QRectF rect = m_rect;
    rect.setBottomRight(pos);
    tryResize(rect);
}

void SizeGripItem::tryResize(const QRectF& rect)
{
    if (rect.width() > m_minimumSize && rect.height() > m_minimumSize) {
        prepareGeometryChange();
        m_rect = rect;
        if (m_resizer && parentItem())
            (*m_resizer)(parentItem(), m_rect);
    }
    updateHandleItemPositions();
}

void SizeGripItem::updateHandleItemPositions()
{
    const qreal x = m_rect.x();
    const qreal y = m_rect.y();
    const qreal w = m_rect.width();
    const qreal h = m_rect.height();
    for (HandleItem* handle : qAsConst(m_handleItems)) {
        // Placing a handle must not count as dragging it.
        handle->setFlag(ItemSendsGeometryChanges, false);
        switch (handle->positionFlags()) {
        case TopLeft:
            handle->setPos(x, y);
            break;
        case Top:
            handle->setPos(x + w / 2 - 1, y);
            break;
        case TopRight:
            handle->setPos(x + w, y);
            break;
        case Right:
            handle->setPos(x + w, y + h / 2 - 1);
            break;
        case BottomRight:
            handle->setPos(x + w, y + h);
            break;
        case Bottom:
            handle->setPos(x + w / 2 - 1, y + h);
            break;
        case BottomLeft:
            handle->setPos(x, y + h);
            break;
        case Left:
            handle->setPos(x, y + h / 2 - 1);
            break;
        default:
            break;
        }
        handle->setFlag(ItemSendsGeometryChanges, true);
    }
}
