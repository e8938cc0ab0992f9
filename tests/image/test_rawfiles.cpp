#include "imagefiles.h"
#include "imagetesthelpers.h"
#include "rawenlarge.h"
#include "stimage.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace ImageTest;

class TestRawFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void dumpIsThePixelArray()
    {
        const STImage image = randomImage(13, 7, 16, 3);
        QVERIFY(image.dumpRaw(path("dump.raw")));
        QCOMPARE(fileBytes(path("dump.raw")),
            QByteArray(reinterpret_cast<const char*>(image.data()), int(image.byteCount())));
        QVERIFY(!image.dumpRaw(path("missing/dump.raw")));
    }

    // The file-to-file enlargement against the per-pixel definitions: the
    // bilinear path when the source fits the work buffer, nearest neighbour in
    // 16.16 otherwise.
    void enlargeMatchesTheDefinitions_data()
    {
        QTest::addColumn<quint32>("width");
        QTest::addColumn<quint32>("height");
        QTest::addColumn<double>("scaleX");
        QTest::addColumn<double>("scaleY");
        QTest::addColumn<quint32>("bits");
        QTest::addColumn<int>("channels");
        QTest::addColumn<bool>("streaming");
        QTest::newRow("x2 16-bit") << 37u << 23u << 2.0 << 2.0 << 16u << 3 << false;
        QTest::newRow("x2 8-bit") << 37u << 23u << 2.0 << 2.0 << 8u << 3 << false;
        QTest::newRow("x1.5 16-bit") << 21u << 17u << 1.5 << 1.5 << 16u << 3 << false;
        QTest::newRow("x1.3 by x2.7 8-bit") << 19u << 11u << 1.3 << 2.7 << 8u << 3 << false;
        QTest::newRow("single row and column") << 1u << 1u << 2.0 << 2.0 << 16u << 3 << false;
        QTest::newRow("streamed x2 16-bit") << 37u << 23u << 2.0 << 2.0 << 16u << 3 << true;
        QTest::newRow("streamed x1.7 8-bit") << 29u << 13u << 1.7 << 1.7 << 8u << 3 << true;
        QTest::newRow("streamed rows kept") << 29u << 13u << 2.5 << 1.0 << 16u << 3 << true;
    }

    void enlargeMatchesTheDefinitions()
    {
        QFETCH(quint32, width);
        QFETCH(quint32, height);
        QFETCH(double, scaleX);
        QFETCH(double, scaleY);
        QFETCH(quint32, bits);
        QFETCH(int, channels);
        QFETCH(bool, streaming);
        const STImage source = randomImage(width, height, bits, channels, width + height);
        QVERIFY(source.dumpRaw(path("source.raw")));
        const auto targetWidth = static_cast<std::uint32_t>(width * scaleX);
        const auto targetHeight = static_cast<std::uint32_t>(height * scaleY);
        const std::size_t targetBytes = std::size_t(targetWidth) * targetHeight * channels * (bits / 8);
        // Room for the source and one target row, or one byte too little.
        const std::size_t buffer = source.byteCount() + targetBytes / targetHeight - (streaming ? 1 : 0);
        QVERIFY(RawEnlarge::enlarge(
            path("source.raw"), path("target.raw"), width, height, scaleX, scaleY, bits, channels, buffer));
        std::vector<std::uint8_t> expected(targetBytes);
        if (streaming)
            RawEnlarge::nearestReference(
                source.data(), width, height, expected.data(), targetWidth, targetHeight, bits, channels);
        else
            RawEnlarge::bilinearReference(
                source.data(), width, height, expected.data(), targetWidth, targetHeight, bits, channels);
        QCOMPARE(fileBytes(path("target.raw")),
            QByteArray(reinterpret_cast<const char*>(expected.data()), int(expected.size())));
    }

    void bilinearOfKnownSamples()
    {
        // Two pixels of one channel, 8 bits: x2 gives 10, (10+30)/2, 30, 30 per row.
        const std::vector<std::uint8_t> samples { 10, 30 };
        STImage image;
        QVERIFY(image.setData(2, 1, 8, 1, samples.data()));
        QVERIFY(image.dumpRaw(path("known.raw")));
        QVERIFY(enlargeRaw(path("known.raw"), path("known2.raw"), 2, 1, 2.0, 2.0, 8, 1));
        QCOMPARE(fileBytes(path("known2.raw")), QByteArray("\x0a\x14\x1e\x1e\x0a\x14\x1e\x1e", 8));
    }

    void enlargeRefusesBadInput()
    {
        const STImage source = randomImage(10, 10, 16, 3);
        QVERIFY(source.dumpRaw(path("ten.raw")));
        // The source holds 10 x 10 pixels, not 10 x 11.
        QVERIFY(!enlargeRaw(path("ten.raw"), path("out.raw"), 10, 11, 2.0, 2.0, 16, 3));
        QVERIFY(!QFile::exists(path("out.raw")));
        QVERIFY(!enlargeRaw(path("none.raw"), path("out.raw"), 10, 10, 2.0, 2.0, 16, 3));
        QVERIFY(!QFile::exists(path("out.raw")));
        QVERIFY(!enlargeRaw(path("ten.raw"), path("missing/out.raw"), 10, 10, 2.0, 2.0, 16, 3));
        QVERIFY(!enlargeRaw(path("ten.raw"), path("out.raw"), 10, 10, 1e12, 2.0, 16, 3));
        QVERIFY(!QFile::exists(path("out.raw")));
        QVERIFY(!enlargeRaw(path("ten.raw"), path("ten.raw"), 10, 10, 2.0, 2.0, 16, 3));
        QCOMPARE(QFileInfo(path("ten.raw")).size(), qint64(600)); // its own target would truncate it
    }

    void jpegFromRaw_data()
    {
        QTest::addColumn<quint32>("bits");
        QTest::newRow("16 bits") << 16u;
        QTest::newRow("8 bits") << 8u;
    }

    void jpegFromRaw()
    {
        QFETCH(quint32, bits);
        // A smooth picture, so that the decoded samples can be compared closely.
        STImage enlarged = STImage::zeroed(64, 48, bits, 3);
        const std::uint32_t full = bits == 16 ? 65535 : 255;
        for (std::uint32_t y = 0; y < 48; ++y) {
            for (std::uint32_t x = 0; x < 64; ++x) {
                enlarged.setRed(x, y, full * x / 63);
                enlarged.setGreen(x, y, full * y / 47);
                enlarged.setBlue(x, y, full / 2);
            }
        }
        QVERIFY(enlarged.dumpRaw(path("jpeg.raw")));
        const STImage scanned = STImage::zeroed(32, 24, bits, 3);
        QVERIFY(scanned.writeJpegFromRaw(bits, path("jpeg.raw"), path("out.jpg"), 10000, "jpg"));
        const JpegContents jpeg = readJpeg(path("out.jpg"));
        QVERIFY(jpeg.ok);
        QCOMPARE(jpeg.width, 64);
        QCOMPARE(jpeg.height, 48);
        QCOMPARE(jpeg.components, 3);
        QCOMPARE(jpeg.densityUnit, 1);
        QCOMPARE(jpeg.xDensity, 10000);
        QCOMPARE(jpeg.yDensity, 10000);
        QCOMPARE(jpeg.comments, QList<QByteArray> { QByteArray("jpg\0", 4) });
        QVERIFY(jpeg.allQuantisersOne);
        int worst = 0;
        for (std::uint32_t y = 0; y < 48; ++y) {
            for (std::uint32_t x = 0; x < 64; ++x) {
                const auto* p
                    = reinterpret_cast<const std::uint8_t*>(jpeg.pixels.constData()) + (y * 64 + x) * 3;
                // trunc(255 x sample / 65535) for 16 bits.
                const auto expected = [&](std::uint32_t v) {
                    return bits == 16 ? int(255.0 * (double(v) / 65535.0)) : int(v);
                };
                worst = std::max(worst, std::abs(int(p[0]) - expected(enlarged.red(x, y))));
                worst = std::max(worst, std::abs(int(p[1]) - expected(enlarged.green(x, y))));
                worst = std::max(worst, std::abs(int(p[2]) - expected(enlarged.blue(x, y))));
            }
        }
        // Quality 100 still halves the chroma resolution: a few levels on gradients.
        QVERIFY2(worst <= 6, qPrintable(QString::number(worst)));
    }

    void jpegFromRawFailsCleanly()
    {
        const STImage scanned = STImage::zeroed(32, 24, 16, 3);
        QVERIFY(STImage::zeroed(64, 47, 16, 3).dumpRaw(path("shortjpeg.raw")));
        QVERIFY(!scanned.writeJpegFromRaw(16, path("shortjpeg.raw"), path("short.jpg"), 10000, "jpg"));
        QVERIFY(!QFile::exists(path("short.jpg")));
        QVERIFY(!scanned.writeJpegFromRaw(16, path("none.raw"), path("none.jpg"), 10000, "jpg"));
        QVERIFY(!QFile::exists(path("none.jpg")));
        // Wider than a JPEG may be: libjpeg's error comes back as a failure, not an exit.
        const STImage wide = STImage::zeroed(40000, 1, 8, 3);
        QVERIFY(STImage::zeroed(80000, 2, 8, 3).dumpRaw(path("wide.raw")));
        QVERIFY(!wide.writeJpegFromRaw(8, path("wide.raw"), path("wide.jpg"), 10000, "jpg"));
        QVERIFY(!QFile::exists(path("wide.jpg")));
        QVERIFY(entries(m_dir.path()).filter(QStringLiteral(".part")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRawFiles)
#include "test_rawfiles.moc"
