#include "ruleritem.h"

#include <QApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>

namespace
{
constexpr double kCentimetresPerInch = 2.54;
constexpr int kTicks = 10;
}

RulerItem::RulerItem(QGraphicsItem* parent)
    : QGraphicsItem(parent)
{
    setFlags(ItemIsMovable | ItemIsSelectable | ItemIsFocusable);
    setAcceptHoverEvents(true);
}

void RulerItem::setScale(int pixelsPerInch)
{
    m_pixelsPerInch = pixelsPerInch;
    updateLength();
}

void RulerItem::setOrientation(Orientation orientation)
{
    prepareGeometryChange();
    m_orientation = orientation;
    m_length = m_pixelsPerInch;
    m_thickness = 30;
    m_tickStep = float(m_length) / kTicks;
    update();
}

QString RulerItem::label() const
{
    return tr("0.5 %1").arg(m_metric ? tr("cm") : tr("inch"));
}

void RulerItem::updateLength()
{
    prepareGeometryChange();
    // Truncated: a centimetre of 300 units per inch is 118 units long.
    m_length = m_metric ? int(m_pixelsPerInch / kCentimetresPerInch) : m_pixelsPerInch;
    m_tickStep = float(m_length) / kTicks;
    update();
}

QRectF RulerItem::boundingRect() const
{
    return QRectF(0, 0, m_length + 1, m_thickness + 1);
}

void RulerItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    const QRectF bounds = boundingRect();
    painter->save();
    painter->fillRect(bounds, QColor(255, 255, 255, 100));
    painter->setPen(m_hovered ? QPen(Qt::black, 1, Qt::DotLine) : QPen(Qt::transparent));
    painter->drawRect(bounds);

    painter->setPen(QPen(QBrush(QColor(0, 0, 0, 225)), 2, Qt::SolidLine, Qt::RoundCap));
    const int t = m_thickness;
    QFont font = QApplication::font();
    font.setWeight(QFont::Bold);
    painter->setFont(font);
    painter->setClipRect(bounds);
    for (int i = 0; i <= kTicks; ++i) {
        const int x = int(i * m_tickStep);
        if (i == 0 || i == kTicks) {
            painter->drawLine(x, t, x, 0);
        } else if (i == kTicks / 2) {
            painter->drawLine(x, t, x, t - t / 2);
            const QString text = label();
            const QRect textRect = painter->fontMetrics().boundingRect(text).translated(x, t - t / 2);
            painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop, text);
        } else {
            painter->drawLine(x, t, x, t - t / 4);
        }
    }
    painter->drawLine(0, t, m_length, t);
    painter->restore();
}

void RulerItem::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    setCursor(Qt::ClosedHandCursor);
    QGraphicsItem::mousePressEvent(event);
}

void RulerItem::mouseReleaseEvent(QGraphicsSceneMouseEvent* event)
{
    setCursor(Qt::ArrowCursor);
    QGraphicsItem::mouseReleaseEvent(event);
}

void RulerItem::mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event)
{
    m_metric = !m_metric;
    updateLength();
    QGraphicsItem::mouseDoubleClickEvent(event);
}

void RulerItem::hoverEnterEvent(QGraphicsSceneHoverEvent* event)
{
    m_hovered = true;
    update();
    QGraphicsItem::hoverEnterEvent(event);
}

void RulerItem::hoverLeaveEvent(QGraphicsSceneHoverEvent* event)
{
    m_hovered = false;
    update();
    QGraphicsItem::hoverLeaveEvent(event);
}
