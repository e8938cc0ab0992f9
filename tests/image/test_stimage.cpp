#include "stimage.h"
#include "stimagereference.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <cstring>
#include <random>
#include <vector>

namespace
{

// An image whose samples are all different enough to show any misplaced one.
STImage randomImage(
    std::uint32_t width, std::uint32_t height, std::uint32_t bits, int channels, unsigned seed = 7)
{
    const std::int64_t bytes = STImage::byteCountFor(width, height, bits, channels);
    std::vector<std::uint8_t> data(std::size_t(bytes > 0 ? bytes : 0));
    std::mt19937 random(seed);
    for (auto& byte : data)
        byte = std::uint8_t(random());
    STImage image;
    image.setData(width, height, bits, channels, data.data(), data.size());
    return image;
}

bool samePixels(const STImage& a, const STImage& b)
{
    return a.width() == b.width() && a.height() == b.height() && a.bitsPerSample() == b.bitsPerSample()
        && a.channels() == b.channels() && a.byteCount() == b.byteCount()
        && (a.byteCount() == 0 || std::memcmp(a.data(), b.data(), a.byteCount()) == 0);
}

class Emitter : public QObject
{
    Q_OBJECT
signals:
    void image(STImage image);
};

class Receiver : public QObject
{
    Q_OBJECT
public:
    STImage received;
    QThread* thread = nullptr;
public slots:
    void take(STImage image)
    {
        received = image;
        thread = QThread::currentThread();
    }
};

} // namespace

class TestSTImage : public QObject
{
    Q_OBJECT

private slots:
    void defaultImage()
    {
        const STImage image;
        QCOMPARE(image.resolution(), 300);
        QCOMPARE(image.width(), 0u);
        QVERIFY(image.toQImage().isNull());
        QCOMPARE(image.toQImage().size(), QSize(0, 0));
        QCOMPARE(image.red(0, 0), 0u);
    }

    void setDataSizesAndReuse()
    {
        const std::vector<std::uint16_t> words { 1, 2, 3, 4, 5, 6, 0x0102, 0xFFFF, 9, 10, 11, 12 };
        STImage image;
        QVERIFY(image.setData(2, 2, 16, 3, words.data()));
        QCOMPARE(image.byteCount(), std::size_t(24));
        QCOMPARE(image.red(0, 1), 0x0102u);
        QCOMPARE(image.green(0, 1), 0xFFFFu);
        QCOMPARE(image.blue(0, 1), 9u);
        QCOMPARE(image.blue(1, 1), 12u);
        const std::uint8_t* array = image.data();
        const std::vector<std::uint16_t> other(12, 0x4242);
        QVERIFY(image.setData(2, 2, 16, 3, other.data()));
        QCOMPARE(image.data(), array); // same numbers: the array is kept, only the bytes change
        QCOMPARE(image.red(0, 0), 0x4242u);
    }

    void setDataRefusesWhatDoesNotFit_data()
    {
        QTest::addColumn<quint32>("width");
        QTest::addColumn<quint32>("height");
        QTest::addColumn<quint32>("bits");
        QTest::addColumn<int>("channels");
        QTest::addColumn<qint64>("sourceBytes");
        QTest::newRow("past 32 bits") << 65536u << 65536u << 16u << 3 << qint64(1);
        QTest::newRow("just past 32 bits") << 65536u << 65536u << 8u << 1 << qint64(1);
        QTest::newRow("short source") << 4u << 4u << 16u << 3 << qint64(95);
        QTest::newRow("no channels") << 4u << 4u << 16u << 0 << qint64(1000);
    }

    void setDataRefusesWhatDoesNotFit()
    {
        QFETCH(quint32, width);
        QFETCH(quint32, height);
        QFETCH(quint32, bits);
        QFETCH(int, channels);
        QFETCH(qint64, sourceBytes);
        STImage image = randomImage(3, 2, 16, 3);
        const STImage before = image;
        const std::vector<std::uint8_t> source(std::size_t(std::min<qint64>(sourceBytes, 1 << 20)));
        QVERIFY(!image.setData(width, height, bits, channels, source.data(), std::size_t(sourceBytes)));
        QVERIFY(samePixels(image, before)); // refused: the image is unchanged
    }

    void accessorsAtTheEdges()
    {
        STImage image = randomImage(5, 3, 16, 3);
        QCOMPARE(image.red(5, 0), 0u);
        QCOMPARE(image.blue(0, 3), 0u);
        QVERIFY(!image.setRed(5, 0, 1));
        QVERIFY(!image.setGreen(0, 3, 1));
        QVERIFY(image.setBlue(4, 2, 0x12345)); // truncated to the sample width
        QCOMPARE(image.blue(4, 2), 0x2345u);
        QVERIFY(image.setRedF(0, 0, 0.5f));
        QCOMPARE(image.red(0, 0), 32767u); // 32767.5 truncated
        QCOMPARE(image.redF(0, 0), 32767.0f / 65535.0f);
        QVERIFY(image.setGreenF(0, 0, 2.0f)); // held to the range, not wrapped
        QCOMPARE(image.green(0, 0), 65535u);

        STImage eight = randomImage(2, 2, 8, 3);
        QVERIFY(eight.setGreenF(1, 1, 1.0f));
        QCOMPARE(eight.green(1, 1), 255u);
        QVERIFY(eight.setRed(1, 0, 0x1FF));
        QCOMPARE(eight.red(1, 0), 0xFFu);
    }

    void twelveBitImage()
    {
        STImage image = randomImage(4, 4, 12, 3);
        QVERIFY(!image.isNull());
        for (std::uint32_t x = 0; x < 5; ++x) {
            QCOMPARE(image.red(x, 1), 0u);
            QCOMPARE(image.greenF(x, 1), 0.0f);
            QVERIFY(image.setBlue(x, 1, 77)); // outside the image too: nothing is stored
            QVERIFY(image.setRedF(x, 9, 0.5f));
        }
        QCOMPARE(image.blue(1, 1), 0u);
    }

    void copiesAreDeepWithoutScratchData()
    {
        STImage image = randomImage(3, 3, 16, 3);
        image.setResolution(1800);
        image.setXmlPacket("<x/>");
        image.growRowBuffer(64);
        const STImage copy(image);
        QVERIFY(samePixels(copy, image));
        QVERIFY(copy.data() != image.data());
        QCOMPARE(copy.resolution(), 1800);
        QVERIFY(copy.xmlPacket().isEmpty());
        QCOMPARE(copy.rowBufferSize(), std::size_t(0));

        STImage assigned = randomImage(1, 1, 8, 3);
        assigned.setXmlPacket("<mine/>");
        assigned = image;
        QVERIFY(samePixels(assigned, image));
        QCOMPARE(assigned.xmlPacket(), QByteArray("<mine/>")); // keeps its own
        const std::uint32_t original = image.red(0, 0);
        image.setRed(0, 0, original ^ 0xFFFF);
        QCOMPARE(copy.red(0, 0), original);
        QCOMPARE(assigned.red(0, 0), original);
        STImage& self = assigned;
        assigned = self;
        QCOMPARE(assigned.width(), 3u);
    }

    void turnsAndMirrorsUndoThemselves_data()
    {
        QTest::addColumn<quint32>("bits");
        QTest::addColumn<int>("channels");
        QTest::newRow("16-bit RGB") << 16u << 3;
        QTest::newRow("8-bit RGB") << 8u << 3;
        QTest::newRow("16-bit four channels") << 16u << 4;
        QTest::newRow("8-bit grey") << 8u << 1;
    }

    void turnsAndMirrorsUndoThemselves()
    {
        QFETCH(quint32, bits);
        QFETCH(int, channels);
        const STImage image = randomImage(37, 23, bits, channels);
        const STImage once = image.rotatedRight();
        QCOMPARE(once.width(), 23u);
        QCOMPARE(once.height(), 37u);
        QVERIFY(!samePixels(once.rotatedRight().rotatedRight(), image));
        QVERIFY(samePixels(once.rotatedRight().rotatedRight().rotatedRight(), image));
        QVERIFY(!samePixels(image.mirrored(), image));
        QVERIFY(samePixels(image.mirrored().mirrored(), image));
        QVERIFY(samePixels(image.flipped().flipped(), image));
    }

    // The row loops against the accessor definitions, on small images and on ones
    // large enough to be split over two threads.
    void fastOperationsMatchTheDefinitions_data()
    {
        QTest::addColumn<quint32>("width");
        QTest::addColumn<quint32>("height");
        QTest::addColumn<quint32>("bits");
        QTest::addColumn<int>("channels");
        QTest::newRow("16-bit RGB") << 67u << 45u << 16u << 3;
        QTest::newRow("8-bit RGB") << 130u << 7u << 8u << 3;
        QTest::newRow("16-bit four channels") << 31u << 64u << 16u << 4;
        QTest::newRow("8-bit four channels") << 9u << 70u << 8u << 4;
        QTest::newRow("8-bit grey") << 33u << 17u << 8u << 1;
        QTest::newRow("16-bit grey") << 5u << 17u << 16u << 1;
        QTest::newRow("12 bits") << 6u << 4u << 12u << 3;
        QTest::newRow("one row") << 100u << 1u << 16u << 3;
        QTest::newRow("one column") << 1u << 90u << 16u << 3;
        QTest::newRow("split over threads") << 1031u << 777u << 16u << 3;
    }

    void fastOperationsMatchTheDefinitions()
    {
        QFETCH(quint32, width);
        QFETCH(quint32, height);
        QFETCH(quint32, bits);
        QFETCH(int, channels);
        STImage image = randomImage(width, height, bits, channels, width * 31 + height);
        image.setResolution(3600);
        QVERIFY(samePixels(image.rotatedRight(), STImageReference::rotatedRight(image)));
        QVERIFY(samePixels(image.mirrored(), STImageReference::mirrored(image)));
        QVERIFY(samePixels(image.flipped(), STImageReference::flipped(image)));
        QVERIFY(samePixels(image.to8Bit(), STImageReference::to8Bit(image)));
        QVERIFY(samePixels(image.scaled(width / 3 + 1, height * 2),
            STImageReference::scaled(image, width / 3 + 1, height * 2)));
        QVERIFY(samePixels(image.scaled(width * 2 + 1, height / 2 + 1),
            STImageReference::scaled(image, width * 2 + 1, height / 2 + 1)));
        QCOMPARE(image.toQImage(), STImageReference::toQImage(image));
    }

    // An image over the cache size takes the streamed row copy; odd row lengths put
    // the rows at every alignment. Compared row by row, as the reference is slow here.
    void flipOfALargeImage_data()
    {
        QTest::addColumn<quint32>("width");
        QTest::addColumn<quint32>("bits");
        QTest::newRow("16-bit RGB, odd width") << 4001u << 16u;
        QTest::newRow("8-bit RGB") << 8003u << 8u;
    }

    void flipOfALargeImage()
    {
        QFETCH(quint32, width);
        QFETCH(quint32, bits);
        const std::uint32_t height = 1500;
        const STImage image = randomImage(width, height, bits, 3, 41);
        QVERIFY(image.byteCount() > (std::size_t(32) << 20));
        const STImage flipped = image.flipped();
        QCOMPARE(flipped.width(), width);
        QCOMPARE(flipped.height(), height);
        const std::size_t stride = image.bytesPerLine();
        for (std::uint32_t y = 0; y < height; ++y) {
            if (std::memcmp(flipped.data() + y * stride, image.data() + (height - 1 - y) * stride, stride)
                != 0)
                QFAIL(qPrintable(QStringLiteral("row %1 differs").arg(y)));
        }
    }

    void resolutionOfTheResults()
    {
        STImage image = randomImage(8, 6, 16, 3);
        image.setResolution(5000);
        QCOMPARE(image.rotatedRight().resolution(), 300);
        QCOMPARE(image.mirrored().resolution(), 300);
        QCOMPARE(image.flipped().resolution(), 300);
        QCOMPARE(image.scaled(4, 3).resolution(), 5000);
        QCOMPARE(image.to8Bit().resolution(), 5000);
        QVERIFY(image.scaled(0, 3).isNull());
    }

    void to8BitTakesTheHighByte()
    {
        const std::vector<std::uint16_t> words { 0x01FF, 0xFF00, 0x00FF, 0xABCD };
        STImage image;
        QVERIFY(image.setData(1, 1, 16, 4, words.data()));
        const STImage eight = image.to8Bit();
        QCOMPARE(eight.bitsPerSample(), 8u);
        QCOMPARE(eight.channels(), 4);
        QCOMPARE(eight.red(0, 0), 0x01u);
        QCOMPARE(eight.green(0, 0), 0xFFu);
        QCOMPARE(eight.blue(0, 0), 0x00u);
        QCOMPARE(eight.sample(0, 0, 3), 0u); // the fourth sample is not carried

        const STImage already = randomImage(5, 5, 8, 3);
        QVERIFY(samePixels(already.to8Bit(), already));
    }

    void toQImageUsesHighBytes()
    {
        const std::vector<std::uint16_t> words { 0x1234, 0xFF01, 0x0080 };
        STImage image;
        QVERIFY(image.setData(1, 1, 16, 3, words.data()));
        const QImage picture = image.toQImage();
        QCOMPARE(picture.format(), QImage::Format_RGB888);
        QCOMPARE(picture.pixel(0, 0), qRgb(0x12, 0xFF, 0x00));
    }

    void setRowClampsAndFills()
    {
        STImage image = STImage::zeroed(3, 2, 16, 4);
        const std::vector<std::uint16_t> words { 1, 2, 3, 4, 5, 6, 7, 8 };
        STImage row;
        QVERIFY(row.setData(2, 1, 16, 4, words.data()));
        QCOMPARE(image.setRow(9, row), 3u); // beyond the last row: the last row
        QCOMPARE(image.red(0, 1), 1u);
        QCOMPARE(image.sample(1, 1, 3), 8u);
        QCOMPARE(image.green(2, 1), 0u); // the row image is narrower: read as 0
        QCOMPARE(image.red(0, 0), 0u);

        STImage three;
        const std::vector<std::uint16_t> rgb { 9, 9, 9, 9, 9, 9, 9, 9, 9 };
        QVERIFY(three.setData(3, 1, 16, 3, rgb.data()));
        QCOMPARE(image.setRow(0, three), 3u);
        QCOMPARE(image.sample(0, 0, 3), 0u); // no fourth sample in the row: 0
        QCOMPARE(STImage().setRow(0, three), 0u);
    }

    // Large arrays reuse the mapping of the last one freed: a zeroed image must still
    // be zero, and a copy must not share it.
    void reusedLargeArrays()
    {
        const std::uint32_t side = 1200; // 8.6 MB at 16-bit RGB, past the mapping threshold
        {
            STImage filled = randomImage(side, side, 16, 3);
            QVERIFY(filled.red(side - 1, side - 1) != 0 || filled.green(side - 1, side - 1) != 0);
        }
        const STImage zero = STImage::zeroed(side, side, 16, 3);
        const std::vector<std::uint8_t> nothing(zero.byteCount(), 0);
        QVERIFY(std::memcmp(zero.data(), nothing.data(), nothing.size()) == 0);
        STImage first = randomImage(side, side, 16, 3, 1);
        const STImage copy = first;
        first = STImage();
        const STImage second = randomImage(side, side, 16, 3, 2);
        QVERIFY(samePixels(copy, randomImage(side, side, 16, 3, 1)));
        QVERIFY(!samePixels(copy, second));
        const STImage scaled = randomImage(side, side, 16, 4).scaled(side, side);
        QCOMPARE(scaled.sample(side - 1, side - 1, 3), 0u); // the fourth sample is 0 in reused memory too
    }

    void travelsThroughAQueuedConnection()
    {
        QVERIFY(STImage::registerMetaType() == QMetaType::type("STImage"));
        Emitter emitter;
        Receiver receiver;
        QThread worker;
        emitter.moveToThread(&worker);
        worker.start();
        connect(&emitter, &Emitter::image, &receiver, &Receiver::take, Qt::QueuedConnection);
        const STImage sent = randomImage(9, 4, 16, 3);
        // Waited for on the receiving side: a signal spy on the emitter would record in
        // the worker thread while this one reads it.
        QMetaObject::invokeMethod(&emitter, [&emitter, sent] { emit emitter.image(sent); });
        QTRY_VERIFY_WITH_TIMEOUT(receiver.thread != nullptr, 5000);
        QCOMPARE(receiver.thread, QThread::currentThread());
        QVERIFY(samePixels(receiver.received, sent));
        worker.quit();
        QVERIFY(worker.wait(5000));
    }
};

QTEST_GUILESS_MAIN(TestSTImage)
#include "test_stimage.moc"
