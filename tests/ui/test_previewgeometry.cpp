#include "imagetransform.h"
#include "previewgeometry.h"
#include "previewtransform.h"
#include "stimage.h"

#include <QTest>

#include <random>
#include <vector>

namespace
{

STImage randomImage(
    std::uint32_t width, std::uint32_t height, std::uint32_t bits, int channels, unsigned seed)
{
    std::vector<std::uint8_t> bytes(std::size_t(STImage::byteCountFor(width, height, bits, channels)));
    std::mt19937 random(seed);
    for (auto& byte : bytes)
        byte = std::uint8_t(random());
    STImage image;
    image.setData(width, height, bits, channels, bytes.data(), bytes.size());
    return image;
}

// A grey 16-bit picture with one red block, so a frame around the block in the
// preview can be checked against where the block is in the prescan.
constexpr int kSpotWidth = 60;
constexpr int kSpotHeight = 40;
const QRect kSpot(10, 5, 7, 4);

STImage spotImage()
{
    STImage image = STImage::zeroed(kSpotWidth, kSpotHeight, 16, 3);
    for (int y = 0; y < kSpotHeight; ++y) {
        for (int x = 0; x < kSpotWidth; ++x) {
            const bool spot = kSpot.contains(x, y);
            image.setRed(x, y, spot ? 0xFF00 : 0x8000);
            image.setGreen(x, y, spot ? 0 : 0x8000);
            image.setBlue(x, y, spot ? 0 : 0x8000);
        }
    }
    return image;
}

// The bounding box of the red pixels, in pixel edges.
QRectF redBox(const QImage& image)
{
    int minX = image.width();
    int minY = image.height();
    int maxX = -1;
    int maxY = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == qRgb(255, 0, 0)) {
                minX = std::min(minX, x);
                minY = std::min(minY, y);
                maxX = std::max(maxX, x);
                maxY = std::max(maxY, y);
            }
        }
    }
    if (maxX < 0)
        return QRectF();
    return QRectF(minX, minY, maxX - minX + 1, maxY - minY + 1);
}

enum Click { RotateLeft, RotateRight, Mirror, Flip };

struct ViewState {
    PreviewTransform transform;
    int rotation = 0;
    bool mirror = false;
    bool flip = false;

    // The form's buttons act through its preview transform.
    void click(Click c)
    {
        switch (c) {
        case RotateLeft:
            transform.rotateLeft();
            break;
        case RotateRight:
            transform.rotateRight();
            break;
        case Mirror:
            transform.flipHorizontal();
            break;
        case Flip:
            transform.flipVertical();
            break;
        }
        rotation = transform.rotationAngle;
        mirror = transform.mirrorHorizontal;
        flip = transform.mirrorVertical;
    }
};

} // namespace

class TestPreviewGeometry : public QObject
{
    Q_OBJECT

private slots:
    void previewMatchesTransform_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rotation");
        QTest::addColumn<bool>("mirror");
        QTest::addColumn<bool>("flip");
        QTest::addColumn<double>("zoom");
        const struct {
            int bits;
            int channels;
        } kinds[] = { { 16, 3 }, { 8, 3 }, { 16, 4 }, { 16, 1 } };
        const double zooms[] = { 1.0, 3.0, 0.5, 1.3, 0.4, 2.9 };
        for (const auto& kind : kinds) {
            for (int rotation : { 0, 90, 180, 270, -90, 450 }) {
                for (int mf = 0; mf < 4; ++mf) {
                    for (double zoom : zooms) {
                        const QByteArray name = QByteArray::number(kind.bits) + "-bit x"
                            + QByteArray::number(kind.channels) + " rot " + QByteArray::number(rotation)
                            + (mf & 1 ? " mirror" : "") + (mf & 2 ? " flip" : "") + " zoom "
                            + QByteArray::number(zoom);
                        QTest::newRow(name.constData())
                            << kind.bits << kind.channels << rotation << bool(mf & 1) << bool(mf & 2) << zoom;
                    }
                }
            }
        }
    }

    // Exact: the fast road picks the same source pixel as the operations one by one.
    void previewMatchesTransform()
    {
        QFETCH(int, bits);
        QFETCH(int, channels);
        QFETCH(int, rotation);
        QFETCH(bool, mirror);
        QFETCH(bool, flip);
        QFETCH(double, zoom);
        const STImage image = randomImage(37, 23, std::uint32_t(bits), channels, 5);
        QVERIFY(!image.isNull());
        ImageTransform transform;
        transform.setScale(zoom);
        transform.setRotation(rotation);
        transform.setMirror(mirror);
        transform.setFlip(flip);
        const QImage expected = transform.apply(image).toQImage().convertToFormat(QImage::Format_RGB32);
        const QImage actual = PreviewGeometry::previewImage(image, zoom, rotation, mirror, flip);
        QCOMPARE(actual.size(), expected.size());
        QCOMPARE(actual.format(), QImage::Format_RGB32);
        QVERIFY(actual == expected);
    }

    void previewOfNothing()
    {
        QVERIFY(PreviewGeometry::previewImage(STImage(), 1.0, 0, false, false).isNull());
        // A zoom that leaves no pixel gives no picture, as the scale does.
        const STImage image = randomImage(3, 2, 16, 3, 1);
        QVERIFY(PreviewGeometry::previewImage(image, 0.1, 90, false, false).isNull());
    }

    void scanArea_data()
    {
        QTest::addColumn<QRectF>("crop");
        QTest::addColumn<QSize>("raw");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<int>("rotation");
        QTest::addColumn<bool>("mirror");
        QTest::addColumn<bool>("flip");
        QTest::addColumn<QRectF>("expected");
        const double w = 1.437;
        const double h = 0.957;
        const QSize raw(400, 300);
        QTest::newRow("no frame") << QRectF(0, 0, 0, 0) << raw << 1.0 << 0 << false << false
                                  << QRectF(0, 0, w, h);
        QTest::newRow("no frame, turned and zoomed")
            << QRectF(0, 0, 0, 0) << raw << 2.5 << 90 << true << false << QRectF(0, 0, w, h);
        QTest::newRow("no height") << QRectF(10, 10, 50, 0) << raw << 1.0 << 0 << false << false
                                   << QRectF(0, 0, w, h);
        QTest::newRow("left half") << QRectF(0, 0, 200, 300) << raw << 1.0 << 0 << false << false
                                   << QRectF(0, 0, 0.7185, 0.957);
        QTest::newRow("left half, zoom 2")
            << QRectF(0, 0, 400, 600) << raw << 2.0 << 0 << false << false << QRectF(0, 0, 0.7185, 0.957);
        QTest::newRow("lower right quarter, zoom 1.5") << QRectF(300, 225, 300,
            225) << raw << 1.5 << 0 << false << false << QRectF(0.7185, 0.4785, 0.7185, 0.4785);
        QTest::newRow("corners truncated")
            << QRectF(10.9, 20.7, 100.6, 50.2) << raw << 1.0 << 0 << false << false
            << QRectF(10.0 / 400 * w, 20.0 / 300 * h, 101.0 / 400 * w, 50.0 / 300 * h);
        QTest::newRow("corners truncated, zoom 3")
            << QRectF(30.5, 0.99, 60.7, 89.2) << raw << 3.0 << 0 << false << false
            << QRectF(30.0 / 1200 * w, 0, 61.0 / 1200 * w, 90.0 / 900 * h);
        // A clockwise quarter turn puts the prescan's left edge at the top.
        QTest::newRow("top strip turned right") << QRectF(0, 0, 300, 100) << raw << 1.0 << 90 << false
                                                << false << QRectF(0, 0, 100.0 / 400 * w, h);
        QTest::newRow("top strip turned left") << QRectF(0, 0, 300, 100) << raw << 1.0 << 270 << false
                                               << false << QRectF(300.0 / 400 * w, 0, 100.0 / 400 * w, h);
        QTest::newRow("left strip mirrored") << QRectF(0, 0, 100, 300) << raw << 1.0 << 0 << true << false
                                             << QRectF(300.0 / 400 * w, 0, 100.0 / 400 * w, h);
        QTest::newRow("top strip flipped") << QRectF(0, 0, 400, 30) << raw << 1.0 << 0 << false << true
                                           << QRectF(0, 270.0 / 300 * h, w, 30.0 / 300 * h);
        QTest::newRow("half turn, zoomed")
            << QRectF(0, 0, 80, 60) << raw << 2.0 << 180 << false << false
            << QRectF(360.0 / 400 * w, 270.0 / 300 * h, 40.0 / 400 * w, 30.0 / 300 * h);
        QTest::newRow("beyond the top left is held") << QRectF(-50, -50, 100, 100) << raw << 1.0 << 0 << false
                                                     << false << QRectF(0, 0, 50.0 / 400 * w, 50.0 / 300 * h);
        QTest::newRow("beyond the bottom right is held")
            << QRectF(350, 250, 100, 100) << raw << 1.0 << 0 << false << false
            << QRectF(350.0 / 400 * w, 250.0 / 300 * h, 50.0 / 400 * w, 50.0 / 300 * h);
        QTest::newRow("no prescan") << QRectF(0, 0, 50, 50) << QSize() << 1.0 << 0 << false << false
                                    << QRectF(0, 0, w, h);
    }

    void scanArea()
    {
        QFETCH(QRectF, crop);
        QFETCH(QSize, raw);
        QFETCH(double, zoom);
        QFETCH(int, rotation);
        QFETCH(bool, mirror);
        QFETCH(bool, flip);
        QFETCH(QRectF, expected);
        const QRectF area = PreviewGeometry::scanArea(crop, raw, zoom, rotation, mirror, flip);
        const double tolerance = 1e-9;
        QVERIFY2(
            std::abs(area.x() - expected.x()) < tolerance, qPrintable(QString::number(area.x(), 'g', 12)));
        QVERIFY2(
            std::abs(area.y() - expected.y()) < tolerance, qPrintable(QString::number(area.y(), 'g', 12)));
        QVERIFY2(std::abs(area.width() - expected.width()) < tolerance,
            qPrintable(QString::number(area.width(), 'g', 12)));
        QVERIFY2(std::abs(area.height() - expected.height()) < tolerance,
            qPrintable(QString::number(area.height(), 'g', 12)));
    }

    void framedSpotIsScanned_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::newRow("zoom 1.0") << 1.0;
        QTest::newRow("zoom 3.0") << 3.0;
        QTest::newRow("zoom 2.0") << 2.0;
    }

    // Every order of up to four clicks: frame the spot where the preview shows it,
    // convert, and the area must be the spot's place in the prescan.
    void framedSpotIsScanned()
    {
        QFETCH(double, zoom);
        const STImage image = spotImage();
        const QSize raw(kSpotWidth, kSpotHeight);
        int sequences = 0;
        for (int length = 0; length <= 4; ++length) {
            int count = 1;
            for (int i = 0; i < length; ++i)
                count *= 4;
            for (int code = 0; code < count; ++code) {
                ViewState state;
                QString clicks;
                int rest = code;
                for (int i = 0; i < length; ++i, rest /= 4) {
                    state.click(Click(rest % 4));
                    clicks += QString::number(rest % 4);
                }
                const QImage preview
                    = PreviewGeometry::previewImage(image, zoom, state.rotation, state.mirror, state.flip);
                const QRectF frame = redBox(preview);
                QVERIFY2(!frame.isEmpty(), qPrintable(clicks));
                const QRectF area
                    = PreviewGeometry::scanArea(frame, raw, zoom, state.rotation, state.mirror, state.flip);
                // Back to prescan pixels.
                const double left = area.left() / PreviewGeometry::kWindowWidthInches * kSpotWidth;
                const double right = area.right() / PreviewGeometry::kWindowWidthInches * kSpotWidth;
                const double top = area.top() / PreviewGeometry::kWindowHeightInches * kSpotHeight;
                const double bottom = area.bottom() / PreviewGeometry::kWindowHeightInches * kSpotHeight;
                const double tolerance = 1e-6;
                const QString where = QStringLiteral("clicks %1: %2 %3 %4 %5")
                                          .arg(clicks)
                                          .arg(left)
                                          .arg(top)
                                          .arg(right)
                                          .arg(bottom);
                QVERIFY2(std::abs(left - kSpot.left()) < tolerance, qPrintable(where));
                QVERIFY2(std::abs(right - (kSpot.right() + 1)) < tolerance, qPrintable(where));
                QVERIFY2(std::abs(top - kSpot.top()) < tolerance, qPrintable(where));
                QVERIFY2(std::abs(bottom - (kSpot.bottom() + 1)) < tolerance, qPrintable(where));
                ++sequences;
            }
        }
        QCOMPARE(sequences, 1 + 4 + 16 + 64 + 256);
    }
};

QTEST_GUILESS_MAIN(TestPreviewGeometry)
#include "test_previewgeometry.moc"
