#pragma once

#include <QCoreApplication>
#include <QGraphicsItem>

// The architect's scale: a half-transparent bar of one inch or one centimetre at
// the preview's scale, ten ticks, the middle one labelled. A double click switches
// between inch and centimetre.
class RulerItem : public QGraphicsItem
{
    Q_DECLARE_TR_FUNCTIONS(RulerItem)

public:
    enum Orientation { Horizontal = 1 };

    explicit RulerItem(QGraphicsItem* parent = nullptr);

    void setScale(int pixelsPerInch);
    void setOrientation(Orientation orientation);

    int pixelsPerInch() const { return m_pixelsPerInch; }
    int length() const { return m_length; }
    int thickness() const { return m_thickness; }
    float tickStep() const { return m_tickStep; }
    bool isMetric() const { return m_metric; }
    // The text at the middle tick: "0.5 inch" or "0.5 cm".
    QString label() const;

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) override;
    void hoverEnterEvent(QGraphicsSceneHoverEvent* event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent* event) override;

private:
    // Length and tick step from the scale and the unit.
    void updateLength();

    int m_pixelsPerInch = 300;
    int m_length = 300;
    int m_thickness = 30;
    float m_tickStep = 30.0f;
    bool m_metric = false;
    int m_orientation = Horizontal;
    bool m_hovered = false;
};
