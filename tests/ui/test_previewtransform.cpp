// The click rules of the preview transform: zoom limits, quarter turns, mirrors, the
// history of the clicks and the ruler scale.
#include "previewgeometry.h"
#include "previewtransform.h"

#include <stimage.h>

#include <QtTest>

namespace
{

// 3 x 2, 8-bit; red is 10 + the pixel's index, so every pixel can be found again.
STImage numbered()
{
    STImage image;
    std::vector<std::uint8_t> bytes;
    for (std::uint8_t i = 0; i < 6; ++i)
        bytes.insert(bytes.end(), { std::uint8_t(10 + i), 0, 0 });
    image.setData(3, 2, 8, 3, bytes.data());
    return image;
}

// Where the pixel of that red value lies in a picture, or (-1, -1).
QPoint find(const QImage& picture, int red)
{
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (qRed(picture.pixel(x, y)) == red)
                return { x, y };
    return { -1, -1 };
}

QPoint find(const STImage& image, int red)
{
    for (std::uint32_t y = 0; y < image.height(); ++y)
        for (std::uint32_t x = 0; x < image.width(); ++x)
            if (int(image.red(x, y)) == red)
                return { int(x), int(y) };
    return { -1, -1 };
}

} // namespace

class TestPreviewTransform : public QObject
{
    Q_OBJECT

private slots:
    void zoomLimits_data()
    {
        QTest::addColumn<bool>("in");
        QTest::addColumn<int>("accepted");
        QTest::addColumn<double>("factor");
        QTest::addColumn<int>("ruler");
        // Twenty steps up reach 3.0; six steps down reach 0.4, because five leave the
        // factor a hair above 0.5.
        QTest::newRow("in") << true << 20 << 3.0 << 900;
        QTest::newRow("out") << false << 6 << 0.4 << 120;
    }

    void zoomLimits()
    {
        QFETCH(bool, in);
        PreviewTransform transform;
        int accepted = 0;
        for (int click = 0; click < 40; ++click)
            accepted += (in ? transform.zoomIn() : transform.zoomOut()) ? 1 : 0;
        QTEST(accepted, "accepted");
        QFETCH(double, factor);
        QVERIFY2(
            qAbs(transform.zoomFactor - factor) < 1e-9, qPrintable(QString::number(transform.zoomFactor)));
        QTEST(transform.rulerScale(), "ruler");
        QVERIFY(transform.operationHistory.isEmpty());
    }

    void turnsAndMirrors_data()
    {
        QTest::addColumn<QString>("clicks"); // l r h v
        QTest::addColumn<int>("angle");
        QTest::addColumn<bool>("mirror");
        QTest::addColumn<bool>("flip");
        QTest::addColumn<QVector<int>>("history");
        QTest::newRow("left four times") << "llll" << 0 << false << false << QVector<int> { 2, 2, 2, 2 };
        QTest::newRow("left once") << "l" << 270 << false << false << QVector<int> { 2 };
        QTest::newRow("right once") << "r" << 90 << false << false << QVector<int> { 3 };
        QTest::newRow("right four times") << "rrrr" << 0 << false << false << QVector<int> { 3, 3, 3, 3 };
        QTest::newRow("left then right") << "lr" << 0 << false << false << QVector<int> { 2, 3 };
        QTest::newRow("mirrors toggle") << "hvh" << 0 << false << true << QVector<int> { 1, 0, 1 };
        QTest::newRow("mixed") << "hrv" << 90 << true << true << QVector<int> { 1, 3, 0 };
    }

    void turnsAndMirrors()
    {
        QFETCH(QString, clicks);
        PreviewTransform transform;
        for (const QChar click : clicks) {
            switch (click.toLatin1()) {
            case 'l':
                transform.rotateLeft();
                break;
            case 'r':
                transform.rotateRight();
                break;
            case 'h':
                transform.flipHorizontal();
                break;
            default:
                transform.flipVertical();
            }
        }
        QTEST(transform.rotationAngle, "angle");
        QTEST(transform.mirrorHorizontal, "mirror");
        QTEST(transform.mirrorVertical, "flip");
        QTEST(transform.operationHistory, "history");
    }

    // "Rotate 90 Left" turns anticlockwise and "Rotate 90 Right" clockwise, in the
    // preview, in the final scan's transform and in the way back to the scan area.
    void turnsTheWayTheButtonsSay_data()
    {
        QTest::addColumn<bool>("left");
        QTest::addColumn<QPoint>("topLeft"); // where the prescan's top-left corner goes
        QTest::addColumn<QPoint>("topRight");
        // The 3 x 2 picture turned is 2 x 3.
        QTest::newRow("left") << true << QPoint(0, 2) << QPoint(0, 0);
        QTest::newRow("right") << false << QPoint(1, 0) << QPoint(1, 2);
    }

    void turnsTheWayTheButtonsSay()
    {
        QFETCH(bool, left);
        QFETCH(QPoint, topLeft);
        QFETCH(QPoint, topRight);
        PreviewTransform transform;
        if (left)
            transform.rotateLeft();
        else
            transform.rotateRight();
        const STImage image = numbered();
        const QImage preview = PreviewGeometry::previewImage(image, transform.zoomFactor,
            transform.rotationAngle, transform.mirrorHorizontal, transform.mirrorVertical);
        QCOMPARE(preview.size(), QSize(2, 3));
        QCOMPARE(find(preview, 10), topLeft);
        QCOMPARE(find(preview, 12), topRight);

        const STImage scanned = transform.imageTransform(QRectF()).apply(image);
        QCOMPARE(find(scanned, 10), topLeft);
        QCOMPARE(find(scanned, 12), topRight);

        // A frame around the corner where the preview shows it scans the prescan's corner.
        const QRectF area
            = PreviewGeometry::scanArea(QRectF(topLeft, QSizeF(1, 1)), QSize(3, 2), transform.zoomFactor,
                transform.rotationAngle, transform.mirrorHorizontal, transform.mirrorVertical);
        QVERIFY2(qAbs(area.left()) < 1e-9 && qAbs(area.top()) < 1e-9,
            qPrintable(QStringLiteral("%1 %2").arg(area.left()).arg(area.top())));
        QVERIFY(qAbs(area.width() - PreviewGeometry::kWindowWidthInches / 3) < 1e-9);
        QVERIFY(qAbs(area.height() - PreviewGeometry::kWindowHeightInches / 2) < 1e-9);
    }

    void resetAndHandOver()
    {
        PreviewTransform transform;
        transform.zoomIn();
        transform.rotateRight();
        transform.flipVertical();
        const QRectF frame(10, 20, 30, 40);
        const ImageTransform scan = transform.imageTransform(frame);
        QVERIFY(qAbs(scan.scale() - 1.1) < 1e-9);
        QCOMPARE(scan.rotation(), 90);
        QCOMPARE(scan.mirror(), false);
        QCOMPARE(scan.flip(), true);
        QCOMPARE(scan.cropRect(), frame);

        transform.reset();
        QCOMPARE(transform.zoomFactor, 1.0);
        QCOMPARE(transform.rotationAngle, 0);
        QVERIFY(!transform.mirrorVertical);
        QVERIFY(transform.operationHistory.isEmpty());
        QCOMPARE(transform.rulerScale(), 300);
    }
};

QTEST_MAIN(TestPreviewTransform)
#include "test_previewtransform.moc"
