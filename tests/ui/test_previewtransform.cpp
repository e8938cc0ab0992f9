// The click rules of the preview transform: zoom limits, quarter turns, mirrors, the
// history of the clicks and the ruler scale.
#include "previewtransform.h"

#include <QtTest>

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
        QTest::newRow("left once") << "l" << 90 << false << false << QVector<int> { 2 };
        QTest::newRow("right once") << "r" << 270 << false << false << QVector<int> { 3 };
        QTest::newRow("left then right") << "lr" << 0 << false << false << QVector<int> { 2, 3 };
        QTest::newRow("mirrors toggle") << "hvh" << 0 << false << true << QVector<int> { 1, 0, 1 };
        QTest::newRow("mixed") << "hrv" << 270 << true << true << QVector<int> { 1, 3, 0 };
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

    void resetAndHandOver()
    {
        PreviewTransform transform;
        transform.zoomIn();
        transform.rotateRight();
        transform.flipVertical();
        const QRectF frame(10, 20, 30, 40);
        const ImageTransform scan = transform.imageTransform(frame);
        QVERIFY(qAbs(scan.scale() - 1.1) < 1e-9);
        QCOMPARE(scan.rotation(), 270);
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
