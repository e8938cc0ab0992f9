// The icon file writer, read back with Qt's own icon reader.
#include "icofile.h"

#include <QBuffer>
#include <QImageReader>
#include <QTest>

namespace
{

// Every pixel tells where it is, so a flipped, mirrored or shifted read-back shows;
// the corners carry full, partial and no transparency.
QImage patterned(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(x * 255 / width, y * 255 / height, (x + y) % 7 * 30, 255));
    }
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    image.setPixel(width - 1, 0, qRgba(200, 40, 10, 128));
    image.setPixel(0, height - 1, qRgba(10, 200, 40, 1));
    return image;
}

QVector<QImage> readAll(QByteArray file)
{
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    QVector<QImage> images;
    if (!reader.canRead())
        return images;
    do {
        images.append(reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied));
    } while (reader.jumpToNextImage());
    return images;
}

} // namespace

class TestIcoFile : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void refusesWhatItCannotStore();
};

void TestIcoFile::roundTrip_data()
{
    QTest::addColumn<QVector<QSize>>("sizes");
    QTest::newRow("one") << QVector<QSize> { { 32, 32 } };
    QTest::newRow("largest first") << QVector<QSize> { { 64, 64 }, { 48, 48 }, { 32, 32 }, { 24, 24 },
        { 16, 16 } };
    // Mask rows are padded to 32 bits; 20 and 40 pixels are not multiples of it.
    QTest::newRow("padded mask rows") << QVector<QSize> { { 20, 20 }, { 40, 40 } };
    QTest::newRow("oblong") << QVector<QSize> { { 48, 16 } };
    QTest::newRow("256 is written as 0") << QVector<QSize> { { 256, 256 } };
}

void TestIcoFile::roundTrip()
{
    QFETCH(QVector<QSize>, sizes);
    QVector<QImage> pictures;
    for (const QSize& size : sizes)
        pictures.append(patterned(size.width(), size.height()));
    // The reader premultiplies the colours; compare after the same rounding.
    QVector<QImage> expected;
    for (const QImage& picture : qAsConst(pictures))
        expected.append(picture.convertToFormat(QImage::Format_ARGB32_Premultiplied));

    const QByteArray file = icoFile(pictures);
    QVERIFY(file.startsWith(QByteArray("\0\0\1\0", 4)));
    QCOMPARE(quint8(file.at(4)) | quint8(file.at(5)) << 8, sizes.size());

    const QVector<QImage> read = readAll(file);
    QCOMPARE(read.size(), pictures.size());
    for (int i = 0; i < read.size(); ++i) {
        QCOMPARE(read.at(i).size(), pictures.at(i).size());
        for (int y = 0; y < read.at(i).height(); ++y) {
            for (int x = 0; x < read.at(i).width(); ++x) {
                const QRgb got = read.at(i).pixel(x, y);
                const QRgb want = expected.at(i).pixel(x, y);
                if (got != want)
                    QFAIL(qPrintable(QStringLiteral("picture %1 pixel %2,%3: %4 instead of %5")
                                         .arg(i)
                                         .arg(x)
                                         .arg(y)
                                         .arg(got, 8, 16)
                                         .arg(want, 8, 16)));
            }
        }
    }
}

void TestIcoFile::refusesWhatItCannotStore()
{
    QVERIFY(icoFile({}).isEmpty());
    QVERIFY(icoFile({ QImage() }).isEmpty());
    QVERIFY(icoFile({ patterned(16, 16), patterned(257, 16) }).isEmpty());
    QVERIFY(icoFile({ patterned(16, 257) }).isEmpty());
}

QTEST_MAIN(TestIcoFile)
#include "test_icofile.moc"
