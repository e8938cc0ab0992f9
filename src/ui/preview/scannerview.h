#pragma once

#include <QGraphicsView>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRectF>

class QGraphicsItem;
class QGraphicsPixmapItem;
class QGraphicsScene;
class QRubberBand;
class CropRectItem;
class RulerItem;

// The preview: the processed prescan on a scene, one crop frame drawn with a
// rubber band and resized by its handles, and a ruler laid over it.
//
// The frame is placed in scene coordinates mapped through the view, so a scrolled
// or zoomed preview frames what lies under the mouse. Items taken out of the scene
// (Delete, Clear, hiding the ruler) are kept until the view goes: an item may be
// taken out while it still handles an event (a Delete during a drag), and deleting
// it there would pull it from under the scene.
//
// Threads: main thread only.
class ScannerView : public QGraphicsView
{
    Q_OBJECT

public:
    // A drag of this Manhattan length or less is a click, not a frame.
    static constexpr int kMinimumDragLength = 35;

    explicit ScannerView(QWidget* parent = nullptr);
    ~ScannerView() override;

    void setImage(const QImage& image); // a null QImage empties the view
    bool hasImage() const;
    // The frame's scene rectangle within the picture, in scene units; all zero
    // without a picture, without a frame or when the two do not overlap.
    QRectF cropRect() const;
    void showRuler(bool show);
    void setRulerScale(int pixelsPerInch);
    void clear(); // ruler and crop frame out of the scene

    // For the form and tests: the items now in the scene, or null.
    CropRectItem* cropItem() const { return m_cropItem; }
    RulerItem* rulerItem() const { return m_rulerItem; }
    QGraphicsScene* previewScene() const { return m_scene; }
    float pixelsPerInch() const { return m_pixelsPerInch; }
    int dragMode() const { return m_dragMode; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    enum DragMode { Idle = 0, DrawingBand = 1, PressingRuler = 2 };

    void updateSceneRect();
    void takeOut(QGraphicsItem* item);

    QGraphicsScene* m_scene = nullptr;
    QGraphicsPixmapItem* m_pixmapItem = nullptr;
    QImage m_image;
    QPoint m_pressPoint;
    QPoint m_currentPoint;
    QRubberBand* m_rubberBand = nullptr;
    CropRectItem* m_cropItem = nullptr;
    RulerItem* m_rulerItem = nullptr;
    float m_pixelsPerInch = 300.0f;
    int m_dragMode = Idle;
    QList<QGraphicsItem*> m_removedItems;
};
