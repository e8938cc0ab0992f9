#pragma once

#include <QGraphicsRectItem>
#include <QObject>

// The one crop frame: a translucent rectangle with a dashed outline, dragged by the
// standard item behaviour; its size grip is a child item.
class CropRectItem : public QObject, public QGraphicsRectItem
{
    Q_OBJECT

public:
    explicit CropRectItem(const QRectF& rect, QGraphicsItem* parent = nullptr);
    ~CropRectItem() override;

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
};
