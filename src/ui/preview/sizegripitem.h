#pragma once

#include <QGraphicsItem>
#include <QGraphicsRectItem>
#include <QList>
#include <QRectF>

#include <memory>

class Resizer;

// Eight handles around a parent item (corners and edge middles). Dragging a handle
// moves that edge or corner and resizes the parent through the Resizer; a move that
// would leave the parent minimumSize wide or high, or less, is refused and the
// handle snaps back. Handles are held to the part of the scene the view shows.
class SizeGripItem : public QGraphicsItem
{
public:
    enum PositionFlag { Top = 0x1, Bottom = 0x2, Left = 0x4, Right = 0x8 };
    enum Position {
        TopLeft = Top | Left,
        TopRight = Top | Right,
        BottomLeft = Bottom | Left,
        BottomRight = Bottom | Right
    };

    class HandleItem : public QGraphicsRectItem
    {
    public:
        HandleItem(int positionFlags, SizeGripItem* parent);

        int positionFlags() const { return m_positionFlags; }
        void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    protected:
        void hoverEnterEvent(QGraphicsSceneHoverEvent* event) override;
        void hoverLeaveEvent(QGraphicsSceneHoverEvent* event) override;
        QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

    private:
        // The proposed position held inside the visible part of the scene.
        QPointF restrictPosition(const QPointF& position);

        int m_positionFlags;
        SizeGripItem* m_parent;
    };

    // Takes the resizer; parent is the item to resize.
    SizeGripItem(Resizer* resizer, QGraphicsItem* parent);
    ~SizeGripItem() override;

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    int minimumSize() const { return m_minimumSize; }
    const QList<HandleItem*>& handles() const { return m_handleItems; }

    void setTop(qreal y);
    void setBottom(qreal y);
    void setLeft(qreal x);
    void setRight(qreal x);
    void setTopLeft(const QPointF& pos);
    void setTopRight(const QPointF& pos);
    void setBottomLeft(const QPointF& pos);
    void setBottomRight(const QPointF& pos);

protected:
    void hoverEnterEvent(QGraphicsSceneHoverEvent* event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent* event) override;

private:
    // Applies the rectangle when it is large enough; the handles are placed anew in
    // every case, so a refused move snaps back.
    void tryResize(const QRectF& rect);
    void updateHandleItemPositions();

    QList<HandleItem*> m_handleItems;
    int m_minimumSize = 0;
    QRectF m_rect;
    std::unique_ptr<Resizer> m_resizer;
};
