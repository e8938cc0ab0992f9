// Width and height of image files read from their headers: TIFF of both depths and
// byte orders, JPEG, and files that are no image.
#include "imagefilesize.h"
#include "stimage.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <tiffio.h>

namespace
{

// A big-endian TIFF, which STImage never writes.
bool writeBigEndianTiff(const QString& path, int width, int height)
{
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "wb");
    if (!tiff)
        return false;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    std::vector<unsigned char> row(std::size_t(width), 128);
    bool ok = true;
    for (int y = 0; y < height && ok; ++y)
        ok = TIFFWriteScanline(tiff, row.data(), uint32_t(y), 0) == 1;
    TIFFClose(tiff);
    return ok;
}

} // namespace

class TestImageFileSize : public QObject
{
    Q_OBJECT

private slots:
    void sizes_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QSize>("size");
        QTest::newRow("tiff 16 bit") << "tiff16" << QSize(37, 21);
        QTest::newRow("tiff 8 bit") << "tiff8" << QSize(5, 300);
        QTest::newRow("tiff big-endian") << "tiffbe" << QSize(64, 3);
        QTest::newRow("jpeg") << "jpeg" << QSize(40, 30);
        // A TIFF whose name says otherwise is still read as a TIFF.
        QTest::newRow("tiff named jpg") << "tiff-as-jpg" << QSize(9, 7);
        QTest::newRow("no image") << "text" << QSize(0, 0);
        QTest::newRow("truncated tiff") << "truncated" << QSize(0, 0);
        QTest::newRow("missing") << "missing" << QSize(0, 0);
    }

    void sizes()
    {
        QFETCH(QString, kind);
        QFETCH(QSize, size);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QString path = folder.filePath(QStringLiteral("image.tif"));
        if (kind == QLatin1String("tiff16") || kind == QLatin1String("tiff8")) {
            STImage image = STImage::zeroed(std::uint32_t(size.width()), std::uint32_t(size.height()),
                kind == QLatin1String("tiff16") ? 16 : 8, 3);
            QVERIFY(image.saveTiff(path));
        } else if (kind == QLatin1String("tiffbe")) {
            QVERIFY(writeBigEndianTiff(path, size.width(), size.height()));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.read(2), QByteArray("MM"));
        } else if (kind == QLatin1String("tiff-as-jpg")) {
            path = folder.filePath(QStringLiteral("image.jpg"));
            STImage image = STImage::zeroed(std::uint32_t(size.width()), std::uint32_t(size.height()), 8, 3);
            QVERIFY(image.saveTiff(path));
        } else if (kind == QLatin1String("jpeg")) {
            path = folder.filePath(QStringLiteral("image.jpg"));
            QImage image(size, QImage::Format_RGB888);
            image.fill(Qt::gray);
            QVERIFY(image.save(path, "JPEG"));
        } else if (kind == QLatin1String("text")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not an image at all");
        } else if (kind == QLatin1String("truncated")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("II*\0\x08\0\0\0", 8)); // a header pointing at nothing
        }
        QCOMPARE(imageFileSize(path), size);
    }

    void resolution_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("dpi");
        QTest::newRow("TIFF at 1200") << QStringLiteral("tiff") << 1200;
        QTest::newRow("TIFF at 3600") << QStringLiteral("tiff") << 3600;
        QTest::newRow("JPEG at 1200") << QStringLiteral("jpeg") << 1200;
        QTest::newRow("JPEG at 2400") << QStringLiteral("jpeg") << 2400;
        QTest::newRow("no image") << QStringLiteral("text") << 0;
    }

    // What the information panel shows after a scan: the resolution written in the file.
    void resolution()
    {
        QFETCH(QString, kind);
        QFETCH(int, dpi);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QString path = folder.filePath(QStringLiteral("image.tif"));
        if (kind == QLatin1String("tiff")) {
            STImage image = STImage::zeroed(40, 30, 16, 3);
            image.setResolution(dpi);
            QVERIFY(image.saveTiff(path));
        } else if (kind == QLatin1String("jpeg")) {
            path = folder.filePath(QStringLiteral("image.jpg"));
            QImage image(QSize(40, 30), QImage::Format_RGB888);
            image.fill(Qt::gray);
            image.setDotsPerMeterX(int(dpi / 0.0254));
            image.setDotsPerMeterY(int(dpi / 0.0254));
            QVERIFY(image.save(path, "JPEG"));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not an image at all");
        }
        QCOMPARE(imageFileResolution(path), dpi);
    }
};

QTEST_MAIN(TestImageFileSize)
#include "test_imagefilesize.moc"
