#include "scannerview.h"

#include "croprectitem.h"
#include "rectresizer.h"
#include "ruleritem.h"
#include "sizegripitem.h"

#include <QCursor>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPixmap>
#include <QRubberBand>
#include <QScrollBar>

#include <algorithm>

ScannerView::ScannerView(QWidget* parent)
    : QGraphicsView(parent)
{
    m_scene = new QGraphicsScene(this);
    m_pixmapItem = m_scene->addPixmap(QPixmap());
    m_pixmapItem->setPos(0, 0);
    setScene(m_scene);
    // The scene's origin at the top left, so that an unscrolled view shows scene
    // coordinates where the mouse is.
    setAlignment(Qt::AlignLeft | Qt::AlignTop);

    QLinearGradient gradient(0, 0, 500, 500);
    gradient.setColorAt(0.0, QColor(192, 192, 192, 255));
    gradient.setColorAt(0.5, QColor(208, 208, 208, 192));
    gradient.setColorAt(1.0, QColor(224, 224, 244, 160));
    setBackgroundBrush(QBrush(gradient));

    setAccessibleName(tr("Preview"));
    updateSceneRect();
}

void ScannerView::changeEvent(QEvent* event)
{
    QGraphicsView::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        setAccessibleName(tr("Preview"));
        // The ruler's caption is translated as it is drawn.
        viewport()->update();
    }
}

ScannerView::~ScannerView()
{
    // A hidden ruler is out of the scene but still ours; whatever is in the scene
    // goes with it.
    if (m_rulerItem && m_rulerItem->scene() != m_scene && !m_removedItems.contains(m_rulerItem))
        delete m_rulerItem;
    qDeleteAll(m_removedItems);
}

void ScannerView::setImage(const QImage& image)
{
    m_image = image;
    m_pixmapItem->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
    updateSceneRect();
}

bool ScannerView::hasImage() const
{
    return !m_pixmapItem->pixmap().isNull();
}

QRectF ScannerView::cropRect() const
{
    if (!hasImage() || !m_cropItem)
        return QRectF(0, 0, 0, 0);
    const QRectF overlap = m_cropItem->sceneBoundingRect() & m_pixmapItem->sceneBoundingRect();
    if (overlap.isEmpty())
        return QRectF(0, 0, 0, 0);
    return overlap;
}

void ScannerView::showRuler(bool show)
{
    if (!show) {
        if (m_rulerItem && m_rulerItem->scene() == m_scene)
            m_scene->removeItem(m_rulerItem);
        return;
    }
    if (!m_rulerItem) {
        m_rulerItem = new RulerItem;
        m_rulerItem->setScale(int(m_pixelsPerInch));
        m_rulerItem->setOrientation(RulerItem::Horizontal);
        // Near the bottom left of what is visible; mapped, so a scrolled view shows it too.
        const int y = std::max(0, viewport()->height() - (m_rulerItem->thickness() + 1) - 2);
        m_rulerItem->setPos(mapToScene(QPoint(1, y)));
    }
    if (m_rulerItem->scene() != m_scene)
        m_scene->addItem(m_rulerItem);
}

void ScannerView::setRulerScale(int pixelsPerInch)
{
    m_pixelsPerInch = float(pixelsPerInch);
    if (m_rulerItem)
        m_rulerItem->setScale(pixelsPerInch);
}

void ScannerView::clear()
{
    if (m_rulerItem) {
        takeOut(m_rulerItem);
        m_rulerItem = nullptr;
    }
    if (m_cropItem) {
        takeOut(m_cropItem);
        m_cropItem = nullptr;
    }
}

void ScannerView::takeOut(QGraphicsItem* item)
{
    if (item->scene())
        item->scene()->removeItem(item);
    if (!m_removedItems.contains(item))
        m_removedItems.append(item);
}

void ScannerView::mousePressEvent(QMouseEvent* event)
{
    const bool onRuler = m_rulerItem && m_rulerItem->scene() == m_scene
        && items(event->pos()).contains(static_cast<QGraphicsItem*>(m_rulerItem));
    if (onRuler) {
        m_dragMode = PressingRuler;
    } else if (m_cropItem) {
        // The press belongs to the frame or a handle.
        m_dragMode = Idle;
    } else {
        m_dragMode = DrawingBand;
        m_pressPoint = event->pos();
        m_currentPoint = m_pressPoint;
        if (!m_rubberBand)
            m_rubberBand = new QRubberBand(QRubberBand::Rectangle, viewport());
        m_rubberBand->setGeometry(QRect(m_pressPoint, QSize()));
        m_rubberBand->show();
    }
    QGraphicsView::mousePressEvent(event);
}

void ScannerView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragMode == DrawingBand) {
        m_currentPoint = event->pos();
        m_rubberBand->setGeometry(QRect(m_pressPoint, m_currentPoint).normalized());
    } else if (m_dragMode != PressingRuler) {
        m_dragMode = Idle;
    }
    QGraphicsView::mouseMoveEvent(event);
}

void ScannerView::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_dragMode == DrawingBand) {
        m_rubberBand->hide();
        m_currentPoint = event->pos();
        if ((m_pressPoint - m_currentPoint).manhattanLength() > kMinimumDragLength && !m_cropItem) {
            // Through the view: a scrolled preview frames what is under the mouse.
            // From point to point: a drag of 100 makes a frame 100 wide.
            const QRectF rect = QRectF(mapToScene(m_pressPoint), mapToScene(m_currentPoint)).normalized();
            m_cropItem = new CropRectItem(rect);
            new SizeGripItem(new RectResizer, m_cropItem);
            m_scene->addItem(m_cropItem);
            m_scene->update(rect);
        }
    }
    m_dragMode = Idle;
    QGraphicsView::mouseReleaseEvent(event);
}

void ScannerView::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && m_cropItem) {
        const QPointF scenePos = mapToScene(viewport()->mapFromGlobal(QCursor::pos()));
        if (m_cropItem->rect().contains(m_cropItem->mapFromScene(scenePos))) {
            takeOut(m_cropItem);
            m_cropItem = nullptr;
        }
    }
    viewport()->update();
    QGraphicsView::keyReleaseEvent(event);
}

void ScannerView::resizeEvent(QResizeEvent* event)
{
    QGraphicsView::resizeEvent(event);
    updateSceneRect();
}

void ScannerView::updateSceneRect()
{
    // The viewport rather than the whole widget: a picture smaller than the view
    // then needs no scroll bars.
    QRectF area(QPointF(0, 0), QSizeF(viewport()->size()));
    if (hasImage())
        area |= m_pixmapItem->sceneBoundingRect();
    m_scene->setSceneRect(0, 0, area.width(), area.height());
}
