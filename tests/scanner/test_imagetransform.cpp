#include "imagetransform.h"

#include <QTest>

#include <cstring>
#include <vector>

Q_DECLARE_METATYPE(std::vector<int>)

namespace
{

// 3 x 2, 8-bit, red = index of the pixel, green and blue fixed.
STImage numbered()
{
    std::vector<std::uint8_t> bytes;
    for (std::uint8_t i = 0; i < 6; ++i) {
        bytes.push_back(i);
        bytes.push_back(100);
        bytes.push_back(200);
    }
    STImage image;
    image.setData(3, 2, 8, 3, bytes.data());
    image.setResolution(1800);
    return image;
}

// The red samples row by row.
std::vector<int> reds(const STImage& image)
{
    std::vector<int> values;
    for (std::uint32_t y = 0; y < image.height(); ++y)
        for (std::uint32_t x = 0; x < image.width(); ++x)
            values.push_back(int(image.red(x, y)));
    return values;
}

} // namespace

class TestImageTransform : public QObject
{
    Q_OBJECT

private slots:
    void resetState()
    {
        ImageTransform transform;
        transform.setScale(2.5);
        transform.setRotation(90);
        transform.setMirror(true);
        transform.setFlip(true);
        transform.setCropRect(QRectF(1, 2, 3, 4));
        transform.reset();
        QCOMPARE(transform.scale(), 1.0);
        QCOMPARE(transform.rotation(), 0);
        QVERIFY(!transform.mirror());
        QVERIFY(!transform.flip());
        QCOMPARE(transform.cropRect(), QRectF());
        const STImage image = numbered();
        QCOMPARE(reds(transform.apply(image)), reds(image));
        QCOMPARE(transform.apply(image).resolution(), 1800);
    }

    // Rotation first, then mirror, then flip, then scale: the order shows in where
    // each pixel ends up.
    void orderOfOperations_data()
    {
        QTest::addColumn<int>("rotation");
        QTest::addColumn<bool>("mirror");
        QTest::addColumn<bool>("flip");
        QTest::addColumn<int>("width");
        QTest::addColumn<std::vector<int>>("expected");
        // Source rows: 0 1 2 / 3 4 5.
        QTest::newRow("rotate") << 90 << false << false << 2 << std::vector<int> { 3, 0, 4, 1, 5, 2 };
        QTest::newRow("rotate then mirror")
            << 90 << true << false << 2 << std::vector<int> { 0, 3, 1, 4, 2, 5 };
        QTest::newRow("rotate then flip")
            << 90 << false << true << 2 << std::vector<int> { 5, 2, 4, 1, 3, 0 };
        QTest::newRow("mirror and flip") << 0 << true << true << 3 << std::vector<int> { 5, 4, 3, 2, 1, 0 };
        QTest::newRow("half turn") << 180 << false << false << 3 << std::vector<int> { 5, 4, 3, 2, 1, 0 };
        QTest::newRow("turn to the left")
            << -90 << false << false << 2 << std::vector<int> { 2, 5, 1, 4, 0, 3 };
        QTest::newRow("whole turn") << 360 << false << false << 3 << std::vector<int> { 0, 1, 2, 3, 4, 5 };
    }

    void orderOfOperations()
    {
        QFETCH(int, rotation);
        QFETCH(bool, mirror);
        QFETCH(bool, flip);
        QFETCH(int, width);
        QFETCH(std::vector<int>, expected);
        ImageTransform transform;
        transform.setRotation(rotation);
        transform.setMirror(mirror);
        transform.setFlip(flip);
        const STImage result = transform.apply(numbered());
        QCOMPARE(int(result.width()), width);
        QCOMPARE(reds(result), expected);
        QCOMPARE(result.green(0, 0), 100u);
    }

    void scaleComesLast()
    {
        ImageTransform transform;
        transform.setRotation(90);
        transform.setScale(2.0);
        const STImage result = transform.apply(numbered());
        // The turned image is 2 x 3; doubled, 4 x 6.
        QCOMPARE(result.width(), 4u);
        QCOMPARE(result.height(), 6u);
        QCOMPARE(result.red(0, 0), 3u);
        QCOMPARE(result.red(1, 0), 3u);
        QCOMPARE(result.red(2, 5), 2u);
        transform.setScale(0.5);
        transform.setRotation(0);
        const STImage half = transform.apply(numbered());
        QCOMPARE(half.width(), 1u); // trunc(3 x 0.5)
        QCOMPARE(half.height(), 1u);
        QCOMPARE(half.resolution(), 1800); // scaled keeps the resolution
    }
};

QTEST_GUILESS_MAIN(TestImageTransform)
#include "test_imagetransform.moc"
