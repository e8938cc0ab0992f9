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
    void layoutForOtherReaders();
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
    for (int i = 0; i < read.size(); ++i)
        QCOMPARE(read.at(i), expected.at(i));
}

quint32 littleEndian32(const QByteArray& file, int at)
{
    return quint8(file.at(at)) | quint8(file.at(at + 1)) << 8 | quint8(file.at(at + 2)) << 16
        | quint32(quint8(file.at(at + 3))) << 24;
}

// Qt's reader takes the transparency from the alpha and skips the mask, other readers
// use the mask: its rows are padded to 4 bytes and a set bit marks a transparent pixel.
void TestIcoFile::layoutForOtherReaders()
{
    const QByteArray file = icoFile({ patterned(20, 20), patterned(40, 40) });
    // 40 header bytes, 4 bytes a pixel, a mask row of 4 bytes (20 and 40 pixels: 8 bytes).
    const quint32 first = 40 + 20 * 20 * 4 + 20 * 4;
    const quint32 second = 40 + 40 * 40 * 4 + 40 * 8;
    QCOMPARE(littleEndian32(file, 6 + 8), first);
    QCOMPARE(littleEndian32(file, 6 + 12), quint32(6 + 2 * 16));
    QCOMPARE(littleEndian32(file, 6 + 16 + 8), second);
    QCOMPARE(littleEndian32(file, 6 + 16 + 12), 6 + 2 * 16 + first);
    QCOMPARE(quint32(file.size()), 6 + 2 * 16 + first + second);

    // The top-left pixel is the only transparent one: the first bit of the last mask row.
    const int mask = 6 + 2 * 16 + 40 + 20 * 20 * 4;
    QCOMPARE(quint8(file.at(mask + 19 * 4)), quint8(0x80));
    for (int at = mask; at < mask + 19 * 4; ++at)
        QCOMPARE(quint8(file.at(at)), quint8(0));
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
