#include "croprectitem.h"
#include "previewgeometry.h"
#include "ruleritem.h"
#include "scannerview.h"
#include "sizegripitem.h"
#include "stimage.h"

#include <QApplication>
#include <QCursor>
#include <QGraphicsScene>
#include <QGraphicsSceneHoverEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyleOptionGraphicsItem>
#include <QTest>

#include <memory>

namespace
{

// Mouse events go straight to the viewport, with the buttons held as a real drag
// holds them.
void sendMouse(QWidget* viewport, QEvent::Type type, const QPoint& pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, viewport->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
}

void drag(ScannerView& view, const QPoint& from, const QPoint& to)
{
    QWidget* viewport = view.viewport();
    sendMouse(viewport, QEvent::MouseButtonPress, from, Qt::LeftButton);
    sendMouse(viewport, QEvent::MouseMove, to, Qt::LeftButton);
    sendMouse(viewport, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

void doubleClick(ScannerView& view, const QPoint& at)
{
    QWidget* viewport = view.viewport();
    sendMouse(viewport, QEvent::MouseButtonPress, at, Qt::LeftButton);
    sendMouse(viewport, QEvent::MouseButtonRelease, at, Qt::NoButton);
    sendMouse(viewport, QEvent::MouseButtonDblClick, at, Qt::LeftButton);
    sendMouse(viewport, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

QImage picture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(QColor(40, 90, 160));
    return image;
}

std::unique_ptr<ScannerView> shownView(const QImage& image = picture(431, 287))
{
    auto view = std::make_unique<ScannerView>();
    view->resize(400, 300);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get()))
        return nullptr;
    view->setImage(image);
    return view;
}

int cropItemsInScene(const ScannerView& view)
{
    int count = 0;
    for (QGraphicsItem* item : view.previewScene()->items())
        count += dynamic_cast<CropRectItem*>(item) ? 1 : 0;
    return count;
}

QPoint viewPosOf(const ScannerView& view, const QGraphicsItem* item)
{
    return view.mapFromScene(item->scenePos());
}

} // namespace

class TestScannerView : public QObject
{
    Q_OBJECT

private slots:
    void accessibleName()
    {
        ScannerView view;
        QCOMPARE(view.accessibleName(), QStringLiteral("Preview"));
        QVERIFY(!view.hasImage());
        QCOMPARE(view.cropRect(), QRectF(0, 0, 0, 0));
    }

    void dragLength_data()
    {
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<bool>("framed");
        QTest::newRow("35 across") << QPoint(35, 0) << false;
        QTest::newRow("36 across") << QPoint(36, 0) << true;
        QTest::newRow("35 diagonal") << QPoint(20, 15) << false;
        QTest::newRow("36 diagonal") << QPoint(20, 16) << true;
        QTest::newRow("36 up and left") << QPoint(-18, -18) << true;
        QTest::newRow("35 down") << QPoint(0, 35) << false;
        QTest::newRow("a click") << QPoint(0, 0) << false;
    }

    void dragLength()
    {
        QFETCH(QPoint, offset);
        QFETCH(bool, framed);
        auto view = shownView();
        QVERIFY(view);
        const QPoint from(100, 100);
        drag(*view, from, from + offset);
        QCOMPARE(view->cropItem() != nullptr, framed);
        QCOMPARE(cropItemsInScene(*view), framed ? 1 : 0);
        if (framed) {
            QCOMPARE(view->cropItem()->rect(), QRectF(QPointF(from), QPointF(from + offset)).normalized());
            // Eight handles, clockwise from the top left.
            const auto grips = view->cropItem()->childItems();
            QCOMPARE(grips.size(), 1);
            auto* grip = dynamic_cast<SizeGripItem*>(grips.first());
            QVERIFY(grip);
            QCOMPARE(grip->handles().size(), 8);
            QCOMPARE(grip->handles().first()->positionFlags(), int(SizeGripItem::TopLeft));
            QCOMPARE(grip->minimumSize(), 16);
        }
        QCOMPARE(view->dragMode(), 0);
    }

    void noBandFromRulerOrWithFrame()
    {
        auto view = shownView();
        QVERIFY(view);
        view->showRuler(true);
        RulerItem* ruler = view->rulerItem();
        QVERIFY(ruler);
        const QPoint onRuler = view->mapFromScene(ruler->sceneBoundingRect().center());
        sendMouse(view->viewport(), QEvent::MouseButtonPress, onRuler, Qt::LeftButton);
        QCOMPARE(view->dragMode(), 2);
        sendMouse(view->viewport(), QEvent::MouseMove, onRuler - QPoint(0, 100), Qt::LeftButton);
        sendMouse(view->viewport(), QEvent::MouseButtonRelease, onRuler - QPoint(0, 100), Qt::NoButton);
        QVERIFY(!view->cropItem());
        QCOMPARE(cropItemsInScene(*view), 0);

        view->showRuler(false);
        drag(*view, QPoint(20, 20), QPoint(120, 100));
        CropRectItem* first = view->cropItem();
        QVERIFY(first);
        const QRectF firstRect = first->sceneBoundingRect();
        // Away from the frame: the press goes to the items, no second frame.
        drag(*view, QPoint(200, 150), QPoint(300, 250));
        QCOMPARE(view->cropItem(), first);
        QCOMPARE(cropItemsInScene(*view), 1);
        QCOMPARE(first->sceneBoundingRect(), firstRect);
    }

    void deleteKey_data()
    {
        QTest::addColumn<QPoint>("cursor");
        QTest::addColumn<bool>("removed");
        QTest::newRow("outside") << QPoint(250, 200) << false;
        QTest::newRow("just outside") << QPoint(121, 60) << false;
        QTest::newRow("inside") << QPoint(70, 60) << true;
    }

    void deleteKey()
    {
        QFETCH(QPoint, cursor);
        QFETCH(bool, removed);
        auto view = shownView();
        QVERIFY(view);
        drag(*view, QPoint(20, 20), QPoint(120, 100));
        QPointer<CropRectItem> frame = view->cropItem();
        QVERIFY(frame);
        QCursor::setPos(view->viewport()->mapToGlobal(cursor));
        QTest::keyRelease(view.get(), Qt::Key_Delete);
        QCOMPARE(view->cropItem() == nullptr, removed);
        QCOMPARE(cropItemsInScene(*view), removed ? 0 : 1);
        // Out of the scene, but alive until the view goes.
        QVERIFY(frame);
        if (removed) {
            drag(*view, QPoint(150, 150), QPoint(250, 250));
            QVERIFY(view->cropItem());
            QVERIFY(view->cropItem() != frame);
        }
        view.reset();
        QVERIFY(!frame);
    }

    void clearKeepsItemsUntilTheViewGoes()
    {
        auto view = shownView();
        QVERIFY(view);
        view->showRuler(true);
        drag(*view, QPoint(20, 20), QPoint(120, 100));
        QPointer<CropRectItem> frame = view->cropItem();
        QVERIFY(frame);
        QVERIFY(view->rulerItem());
        view->clear();
        QVERIFY(!view->cropItem());
        QVERIFY(!view->rulerItem());
        QCOMPARE(view->previewScene()->items().size(), 1); // the picture
        QVERIFY(frame);
        // Clear twice, and a hidden ruler cleared, must not free anything twice.
        view->showRuler(true);
        view->showRuler(false);
        view->clear();
        view->clear();
        view.reset();
        QVERIFY(!frame);
    }

    void handleBelowMinimumSnapsBack_data()
    {
        QTest::addColumn<int>("handle"); // index, clockwise from the top left
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QRectF>("expected");
        const QRectF start(49, 49, 102, 102); // the frame's bounding rectangle
        QTest::newRow("right edge to width 11") << 3 << QPoint(-91, 0) << false << start;
        QTest::newRow("right edge to width 16") << 3 << QPoint(-86, 0) << false << start;
        QTest::newRow("right edge to width 17") << 3 << QPoint(-85, 0) << true << QRectF(49, 49, 17, 102);
        QTest::newRow("right edge out") << 3 << QPoint(50, 0) << true << QRectF(49, 49, 152, 102);
        QTest::newRow("top edge past the bottom") << 1 << QPoint(0, 120) << false << start;
        QTest::newRow("top-left corner, too flat") << 0 << QPoint(20, 90) << false << start;
        QTest::newRow("top-left corner") << 0 << QPoint(20, 30) << true << QRectF(69, 79, 82, 72);
        QTest::newRow("bottom-left corner") << 6 << QPoint(-20, 40) << true << QRectF(29, 49, 122, 142);
    }

    void handleBelowMinimumSnapsBack()
    {
        QFETCH(int, handle);
        QFETCH(QPoint, offset);
        QFETCH(bool, accepted);
        QFETCH(QRectF, expected);
        auto view = shownView();
        QVERIFY(view);
        drag(*view, QPoint(50, 50), QPoint(150, 150));
        CropRectItem* frame = view->cropItem();
        QVERIFY(frame);
        auto* grip = dynamic_cast<SizeGripItem*>(frame->childItems().value(0));
        QVERIFY(grip);
        SizeGripItem::HandleItem* item = grip->handles().at(handle);
        const QPointF before = item->pos();
        const QPoint from = viewPosOf(*view, item);
        drag(*view, from, from + offset);
        // The frame takes the grip's rectangle; a refused move changes neither.
        QCOMPARE(frame->rect(), accepted ? expected : QRectF(50, 50, 100, 100));
        QCOMPARE(grip->boundingRect(), expected);
        if (!accepted)
            QCOMPARE(item->pos(), before);
        // Every handle sits on the frame's edge afterwards.
        for (SizeGripItem::HandleItem* h : grip->handles()) {
            const QPointF p = h->pos();
            const bool onEdge = qFuzzyCompare(p.x(), expected.left())
                || qFuzzyCompare(p.x(), expected.right()) || qFuzzyCompare(p.y(), expected.top())
                || qFuzzyCompare(p.y(), expected.bottom());
            QVERIFY(onEdge);
        }
    }

    void handleHoverCursors()
    {
        auto view = shownView();
        QVERIFY(view);
        drag(*view, QPoint(50, 50), QPoint(150, 150));
        auto* grip = dynamic_cast<SizeGripItem*>(view->cropItem()->childItems().value(0));
        QVERIFY(grip);
        // Clockwise from the top left, as the handles are made.
        const Qt::CursorShape expected[]
            = { Qt::SizeFDiagCursor, Qt::SizeVerCursor, Qt::SizeBDiagCursor, Qt::SizeHorCursor,
                  Qt::SizeFDiagCursor, Qt::SizeVerCursor, Qt::SizeBDiagCursor, Qt::SizeHorCursor };
        QGraphicsScene* scene = view->previewScene();
        for (int i = 0; i < 8; ++i) {
            SizeGripItem::HandleItem* handle = grip->handles().at(i);
            QVERIFY(handle->isVisible());
            QGraphicsSceneHoverEvent enter(QEvent::GraphicsSceneHoverEnter);
            scene->sendEvent(handle, &enter);
            QCOMPARE(handle->cursor().shape(), expected[i]);
            QCOMPARE(handle->brush().color(), QColor(0, 0, 225, 255));
            QGraphicsSceneHoverEvent leave(QEvent::GraphicsSceneHoverLeave);
            scene->sendEvent(handle, &leave);
            QCOMPARE(handle->cursor().shape(), Qt::ArrowCursor);
            QCOMPARE(handle->brush().color(), QColor(0, 0, 0, 224));
        }
        // Leaving the frame hides the handles, coming back shows them.
        QGraphicsSceneHoverEvent leave(QEvent::GraphicsSceneHoverLeave);
        scene->sendEvent(grip, &leave);
        for (SizeGripItem::HandleItem* handle : grip->handles())
            QVERIFY(!handle->isVisible());
        QGraphicsSceneHoverEvent enter(QEvent::GraphicsSceneHoverEnter);
        scene->sendEvent(grip, &enter);
        for (SizeGripItem::HandleItem* handle : grip->handles())
            QVERIFY(handle->isVisible());
    }

    void handleHeldInsideTheView()
    {
        auto view = shownView();
        QVERIFY(view);
        drag(*view, QPoint(50, 50), QPoint(150, 150));
        auto* grip = dynamic_cast<SizeGripItem*>(view->cropItem()->childItems().value(0));
        QVERIFY(grip);
        SizeGripItem::HandleItem* left = grip->handles().at(7);
        const QPoint from = viewPosOf(*view, left);
        drag(*view, from, QPoint(-200, from.y()));
        const QRectF visible = view->mapToScene(view->viewport()->rect()).boundingRect();
        QCOMPARE(view->cropItem()->rect().left(), visible.left());
    }

    void rulerDoubleClick()
    {
        auto view = shownView();
        QVERIFY(view);
        view->showRuler(true);
        RulerItem* ruler = view->rulerItem();
        QVERIFY(ruler);
        QCOMPARE(ruler->length(), 300);
        QCOMPARE(ruler->label(), QStringLiteral("0.5 inch"));
        QCOMPARE(ruler->boundingRect(), QRectF(0, 0, 301, 31));
        const QPoint at = view->mapFromScene(ruler->mapToScene(QPointF(50, 10)));
        doubleClick(*view, at);
        QCOMPARE(ruler->length(), 118);
        QVERIFY(ruler->isMetric());
        QCOMPARE(ruler->label(), QStringLiteral("0.5 cm"));
        QCOMPARE(ruler->tickStep(), 11.8f);
        doubleClick(*view, view->mapFromScene(ruler->mapToScene(QPointF(50, 10))));
        QCOMPARE(ruler->length(), 300);
        QCOMPARE(ruler->label(), QStringLiteral("0.5 inch"));
        // The scale follows the zoom, in either unit.
        view->setRulerScale(900);
        QCOMPARE(ruler->length(), 900);
        doubleClick(*view, view->mapFromScene(ruler->mapToScene(QPointF(50, 10))));
        QCOMPARE(ruler->length(), 354);
        view->setRulerScale(120);
        QCOMPARE(ruler->length(), 47);
    }

    void rulerPlacedAtTheBottomAndKeptWhenHidden()
    {
        auto view = shownView(picture(100, 50));
        QVERIFY(view);
        view->setRulerScale(600);
        view->showRuler(true);
        RulerItem* ruler = view->rulerItem();
        QVERIFY(ruler);
        QCOMPARE(ruler->length(), 600);
        QCOMPARE(ruler->pos(), QPointF(1, view->viewport()->height() - 31 - 2));
        ruler->setPos(40, 40);
        view->showRuler(false);
        QVERIFY(!ruler->scene());
        QCOMPARE(view->rulerItem(), ruler);
        view->showRuler(true);
        QCOMPARE(ruler->scene(), view->previewScene());
        QCOMPARE(ruler->pos(), QPointF(40, 40));
    }

    void rulerPainting()
    {
        RulerItem ruler;
        ruler.setScale(300);
        ruler.setOrientation(RulerItem::Horizontal);
        QImage image(302, 32, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        QStyleOptionGraphicsItem option;
        ruler.paint(&painter, &option, nullptr);
        painter.end();
        auto dark = [&](int x, int y) {
            const QRgb p = image.pixel(x, y);
            return qAlpha(p) > 200 && qGray(p) < 60;
        };
        // Base line, the full ticks at both ends, the half tick, a quarter tick.
        QVERIFY(dark(200, 30));
        QVERIFY(dark(0, 5) && dark(300, 5));
        QVERIFY(dark(150, 17));
        QVERIFY(dark(30, 25) && !dark(30, 19));
        // The translucent white ground between the ticks.
        const QRgb ground = image.pixel(100, 8);
        QCOMPARE(qAlpha(ground), 100);
    }

    void sceneRect_data()
    {
        QTest::addColumn<QSize>("image"); // empty: no picture
        QTest::newRow("no picture") << QSize();
        QTest::newRow("small picture") << QSize(100, 50);
        QTest::newRow("wide picture") << QSize(1000, 40);
        QTest::newRow("tall picture") << QSize(60, 900);
        QTest::newRow("large picture") << QSize(1293, 861);
    }

    void sceneRect()
    {
        QFETCH(QSize, image);
        auto view = shownView(image.isEmpty() ? QImage() : picture(image.width(), image.height()));
        QVERIFY(view);
        for (const QSize& size : { QSize(400, 300), QSize(640, 480), QSize(250, 700) }) {
            view->resize(size);
            QApplication::processEvents();
            const QSize area = view->viewport()->size();
            const QRectF expected(
                0, 0, std::max(area.width(), image.width()), std::max(area.height(), image.height()));
            QCOMPARE(view->previewScene()->sceneRect(), expected);
            QCOMPARE(view->hasImage(), !image.isEmpty());
        }
        // Emptied: back to the viewport alone.
        view->setImage(QImage());
        QVERIFY(!view->hasImage());
        QCOMPARE(view->previewScene()->sceneRect(), QRectF(QPointF(0, 0), QSizeF(view->viewport()->size())));
    }

    void cropRectIsTheOverlap_data()
    {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("inside") << QPoint(50, 20) << QPoint(150, 80) << QRectF(49, 19, 102, 62);
        QTest::newRow("over the right edge")
            << QPoint(150, 50) << QPoint(300, 200) << QRectF(149, 49, 51, 51);
        QTest::newRow("around the picture") << QPoint(0, 0) << QPoint(300, 250) << QRectF(0, 0, 200, 100);
        QTest::newRow("beside the picture") << QPoint(250, 150) << QPoint(350, 250) << QRectF(0, 0, 0, 0);
    }

    void cropRectIsTheOverlap()
    {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QRectF, expected);
        auto view = shownView(picture(200, 100));
        QVERIFY(view);
        drag(*view, from, to);
        QVERIFY(view->cropItem());
        QCOMPARE(view->cropRect(), expected);
        // Without a picture there is nothing to crop.
        view->setImage(QImage());
        QCOMPARE(view->cropRect(), QRectF(0, 0, 0, 0));
    }

    // At zoom 3 the preview is larger than the view; scrolled, the frame must lie
    // over what the mouse drew it on, and convert to that part of the prescan.
    void frameOnScrolledZoomedView()
    {
        const STImage scan = STImage::zeroed(431, 287, 16, 3);
        const QImage preview = PreviewGeometry::previewImage(scan, 3.0, 0, false, false);
        QCOMPARE(preview.size(), QSize(1293, 861));
        auto view = shownView(preview);
        QVERIFY(view);
        view->horizontalScrollBar()->setValue(300);
        view->verticalScrollBar()->setValue(200);
        QCOMPARE(view->horizontalScrollBar()->value(), 300);
        QCOMPARE(view->verticalScrollBar()->value(), 200);
        const QPointF origin = view->mapToScene(QPoint(0, 0));
        drag(*view, QPoint(50, 50), QPoint(150, 130));
        QVERIFY(view->cropItem());
        const QRectF expected(origin + QPointF(50, 50), QSizeF(100, 80));
        QCOMPARE(view->cropItem()->sceneBoundingRect(), expected.adjusted(-1, -1, 1, 1));
        QVERIFY(view->cropItem()->rect().contains(view->mapToScene(QPoint(100, 90))));
        const QRectF area
            = PreviewGeometry::scanArea(view->cropRect(), QSize(431, 287), 3.0, 0, false, false);
        QVERIFY(std::abs(area.left() - (origin.x() + 49) / 1293 * 1.437) < 1e-9);
        QVERIFY(std::abs(area.top() - (origin.y() + 49) / 861 * 0.957) < 1e-9);
    }
};

QTEST_MAIN(TestScannerView)
#include "test_scannerview.moc"
