#include "imagefiles.h"
#include "imagetesthelpers.h"
#include "stimage.h"
#include "tifftemplatelayout.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace ImageTest;

namespace
{

QByteArray rawOf(const STImage& image)
{
    return QByteArray(reinterpret_cast<const char*>(image.data()), int(image.byteCount()));
}

// tiffinfo, when installed, must read the file without complaint.
void checkWithTiffinfo(const QString& path)
{
    const QString tiffinfo = QStandardPaths::findExecutable(QStringLiteral("tiffinfo"));
    if (tiffinfo.isEmpty())
        return;
    QProcess process;
    process.start(tiffinfo, { path });
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
    const QByteArray errors = process.readAllStandardError();
    QVERIFY2(errors.isEmpty(), errors.constData());
}

} // namespace

class TestTiffOutput : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void saveTiffReadsBack_data()
    {
        QTest::addColumn<quint32>("bits");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("photometric");
        QTest::newRow("16-bit RGB") << 16u << 3 << int(PHOTOMETRIC_RGB);
        QTest::newRow("8-bit RGB") << 8u << 3 << int(PHOTOMETRIC_RGB);
        QTest::newRow("8-bit grey") << 8u << 1 << int(PHOTOMETRIC_MINISBLACK);
        QTest::newRow("16-bit grey") << 16u << 1 << int(PHOTOMETRIC_MINISBLACK);
        QTest::newRow("16-bit four channels") << 16u << 4 << int(PHOTOMETRIC_RGB);
    }

    void saveTiffReadsBack()
    {
        QFETCH(quint32, bits);
        QFETCH(int, channels);
        QFETCH(int, photometric);
        STImage image = randomImage(41, 29, bits, channels);
        image.setResolution(3600);
        const QString path = m_dir.filePath(QStringLiteral("save%1-%2.tif").arg(bits).arg(channels));
        QVERIFY(image.saveTiff(path));
        const TiffContents tiff = readTiff(path);
        QVERIFY(tiff.ok);
        QCOMPARE(tiff.width, 41u);
        QCOMPARE(tiff.height, 29u);
        QCOMPARE(int(tiff.samplesPerPixel), channels);
        QCOMPARE(quint32(tiff.bitsPerSample), bits);
        QCOMPARE(int(tiff.photometric), photometric);
        QCOMPARE(int(tiff.compression), int(COMPRESSION_NONE));
        QCOMPARE(int(tiff.resolutionUnit), int(RESUNIT_INCH));
        QCOMPARE(tiff.xResolution, 3600.0f);
        QCOMPARE(tiff.yResolution, 3600.0f);
        QVERIFY(tiff.description.isEmpty());
        QVERIFY(tiff.xmlPacket.isEmpty());
        QCOMPARE(tiff.pixels, rawOf(image));
        checkWithTiffinfo(path);
    }

    void saveTiffWritesDescriptionAndPacket()
    {
        STImage image = randomImage(3, 2, 16, 3);
        image.setXmlPacket("<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"/>");
        const QString path = m_dir.filePath(QStringLiteral("tagged.tif"));
        QVERIFY(image.saveTiff(path, QStringLiteral("tif")));
        const TiffContents tiff = readTiff(path);
        QCOMPARE(tiff.description, QByteArray("tif"));
        QCOMPARE(tiff.xmlPacket, image.xmlPacket());
        QVERIFY(image.rowBufferSize() >= image.bytesPerLine());
    }

    void saveTiffFailsCleanly()
    {
        QTemporaryDir dir;
        const QString good = dir.filePath(QStringLiteral("good.tif"));
        QVERIFY(randomImage(4, 4, 8, 3).saveTiff(good));
        const QByteArray before = fileBytes(good);

        QVERIFY(!randomImage(4, 4, 16, 3).saveTiff(dir.filePath(QStringLiteral("missing/x.tif"))));
        QVERIFY(!randomImage(4, 4, 8, 2).saveTiff(good)); // two channels are not written
        QVERIFY(!STImage().saveTiff(good));
        QCOMPARE(fileBytes(good), before);
        QCOMPARE(entries(dir.path()), QStringList { QStringLiteral("good.tif") });
    }

    // A write that runs out of room midway: the file-size limit stands in for a full
    // disk. The old file stays as it was and no partial file remains.
    void fullDiskLeavesNoPartialFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("scan.tif"));
        QVERIFY(randomImage(4, 4, 8, 3).saveTiff(path));
        const QByteArray before = fileBytes(path);
        const STImage large = randomImage(300, 300, 16, 3);
        const QString raw = dir.filePath(QStringLiteral("large.raw"));
        QVERIFY(large.dumpRaw(raw));

        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit limited = saved;
        limited.rlim_cur = 100000;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const bool tiffWritten = STImage(large).saveTiff(path);
        const STImage half = randomImage(150, 150, 16, 3);
        const bool fromRawWritten = half.writeTiffFromRaw(16, raw, path, 10000);
        const bool jpegWritten
            = half.writeJpegFromRaw(16, raw, dir.filePath(QStringLiteral("scan.jpg")), 10000, "jpg");
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
        std::signal(SIGXFSZ, SIG_DFL);

        QVERIFY(!tiffWritten);
        QVERIFY(!fromRawWritten);
        Q_UNUSED(jpegWritten); // a JPEG of noise may or may not fit; what matters is below
        QCOMPARE(fileBytes(path), before);
        QStringList expected { QStringLiteral("large.raw"), QStringLiteral("scan.tif") };
        if (jpegWritten)
            expected.insert(1, QStringLiteral("scan.jpg"));
        QCOMPARE(entries(dir.path()), expected);
    }

    void tiffFromRawBothDepths_data()
    {
        QTest::addColumn<quint32>("bits");
        QTest::newRow("16 bits") << 16u;
        QTest::newRow("8 bits") << 8u;
    }

    void tiffFromRawBothDepths()
    {
        QFETCH(quint32, bits);
        const STImage enlarged = randomImage(34, 22, bits, 3, 5);
        const QString raw = m_dir.filePath(QStringLiteral("enlarged%1.raw").arg(bits));
        QVERIFY(enlarged.dumpRaw(raw));
        const STImage scanned = randomImage(17, 11, bits, 3); // half the size
        const QString path = m_dir.filePath(QStringLiteral("fromraw%1.tif").arg(bits));
        QVERIFY(scanned.writeTiffFromRaw(bits, raw, path, 10000, QStringLiteral("tif")));
        const TiffContents tiff = readTiff(path);
        QVERIFY(tiff.ok);
        QCOMPARE(tiff.width, 34u);
        QCOMPARE(tiff.height, 22u);
        QCOMPARE(quint32(tiff.bitsPerSample), bits);
        QCOMPARE(tiff.xResolution, 10000.0f);
        QCOMPARE(tiff.description, QByteArray("tif"));
        QCOMPARE(tiff.pixels, rawOf(enlarged));
        checkWithTiffinfo(path);
    }

    // Sizes whose rows fill several of the writers' 2 MB blocks, the last one short,
    // and one whose rows are larger than a block.
    void tiffFromRawInSeveralBlocks_data()
    {
        QTest::addColumn<quint32>("bits");
        QTest::addColumn<quint32>("width");
        QTest::addColumn<quint32>("height");
        QTest::newRow("16 bits, three blocks") << 16u << 1500u << 500u;
        QTest::newRow("8 bits, two blocks") << 8u << 1000u << 800u;
        QTest::newRow("16 bits, rows over a block") << 16u << 400000u << 3u;
    }

    void tiffFromRawInSeveralBlocks()
    {
        QFETCH(quint32, bits);
        QFETCH(quint32, width);
        QFETCH(quint32, height);
        STImage enlarged = randomImage(width, height, bits, 3, 23); // saveTiff grows its row buffer
        const QString raw = m_dir.filePath(QStringLiteral("blocks.raw"));
        QVERIFY(enlarged.dumpRaw(raw));
        const QString path = m_dir.filePath(QStringLiteral("blocks.tif"));
        QVERIFY(ImageFiles::writeTiffFromRawWithLibtiff(bits, raw, path, width, height, 600, QString()));
        const TiffContents tiff = readTiff(path);
        QVERIFY(tiff.ok);
        QCOMPARE(tiff.width, width);
        QCOMPARE(tiff.height, height);
        QCOMPARE(tiff.stripOffset, std::uint64_t(8));
        QVERIFY(tiff.pixels == rawOf(enlarged)); // QCOMPARE would print megabytes
        QVERIFY(QFile::remove(raw));
        QVERIFY(QFile::remove(path));
        // saveTiff goes through the same blocks.
        QVERIFY(enlarged.saveTiff(path));
        const TiffContents saved = readTiff(path);
        QVERIFY(saved.ok);
        QCOMPARE(saved.height, height);
        QVERIFY(saved.pixels == rawOf(enlarged));
        QVERIFY(QFile::remove(path));
    }

    void tiffFromRawRefusesAShortSource()
    {
        const STImage enlarged = randomImage(34, 21, 16, 3);
        const QString raw = m_dir.filePath(QStringLiteral("short.raw"));
        QVERIFY(enlarged.dumpRaw(raw));
        const QString path = m_dir.filePath(QStringLiteral("short.tif"));
        QVERIFY(!randomImage(17, 11, 16, 3).writeTiffFromRaw(16, raw, path, 10000));
        QVERIFY(!QFile::exists(path));
        QVERIFY(!randomImage(17, 11, 16, 3).writeTiffFromRaw(16, m_dir.filePath("none.raw"), path, 10000));
        QVERIFY(!QFile::exists(path));
    }

    void templateThreshold_data()
    {
        QTest::addColumn<quint32>("bits");
        QTest::addColumn<quint32>("width");
        QTest::addColumn<quint32>("height");
        QTest::addColumn<bool>("usesTemplate");
        // 20000 x 15834 x 6 = 1900.08 million bytes, 15833 rows 1899.96.
        QTest::newRow("just above") << 16u << 20000u << 15834u << true;
        QTest::newRow("just below") << 16u << 20000u << 15833u << false;
        QTest::newRow("8 bits never") << 8u << 40000u << 30000u << false;
        QTest::newRow("the full window at 10000 dpi") << 16u << 14370u << 9570u << false;
    }

    void templateThreshold()
    {
        QFETCH(quint32, bits);
        QFETCH(quint32, width);
        QFETCH(quint32, height);
        QFETCH(bool, usesTemplate);
        QCOMPARE(ImageFiles::usesTiffTemplate(bits, width, height), usesTemplate);
    }

    void templatesAreStaged()
    {
        const QString folder = ImageFiles::applicationDataFolder();
        QCOMPARE(QFileInfo(folder + "/tifstart.dat").size(), qint64(11370));
        QCOMPARE(QFileInfo(folder + "/tifend.dat").size(), qint64(46));
    }

    // The template path on a small image, read back with libtiff.
    void templatePathReadsBack()
    {
        const STImage enlarged = randomImage(53, 19, 16, 3, 3);
        const QString raw = m_dir.filePath(QStringLiteral("template.raw"));
        QVERIFY(enlarged.dumpRaw(raw));
        const QString path = m_dir.filePath(QStringLiteral("template.tif"));
        QVERIFY(ImageFiles::writeTiffFromRawWithTemplate(
            raw, path, 53, 19, 10000, ImageFiles::applicationDataFolder()));
        QCOMPARE(QFileInfo(path).size(), qint64(11370 + 53 * 19 * 6 + 46));
        const TiffContents tiff = readTiff(path);
        QVERIFY(tiff.ok);
        QCOMPARE(tiff.width, 53u);
        QCOMPARE(tiff.height, 19u);
        QCOMPARE(int(tiff.bitsPerSample), 16);
        QCOMPARE(int(tiff.samplesPerPixel), 3);
        QCOMPARE(int(tiff.photometric), int(PHOTOMETRIC_RGB));
        QCOMPARE(int(tiff.compression), int(COMPRESSION_NONE));
        QCOMPARE(tiff.stripOffset, quint64(11370));
        QCOMPARE(tiff.xResolution, 10000.0f);
        QCOMPARE(tiff.yResolution, 10000.0f);
        QCOMPARE(int(tiff.resolutionUnit), int(RESUNIT_INCH));
        QCOMPARE(tiff.pixels, rawOf(enlarged));
        const QByteArray bytes = fileBytes(path);
        // The resolution block's big-endian fields and the trailer link.
        QCOMPARE(bytes.mid(6016, 2), QByteArray("\x27\x10", 2));
        QCOMPARE(bytes.mid(6024, 2), QByteArray("\x27\x10", 2));
        const QByteArray link = bytes.mid(234, 4);
        quint32 value = 0;
        std::memcpy(&value, link.constData(), 4);
        QCOMPARE(value, quint32(53 * 19 * 6 + 11372));
        QCOMPARE(bytes.right(46), fileBytes(ImageFiles::applicationDataFolder() + "/tifend.dat"));
        checkWithTiffinfo(path);
    }

    void damagedTemplateFailsCleanly_data()
    {
        QTest::addColumn<int>("headerBytes");
        QTest::addColumn<int>("trailerBytes");
        QTest::newRow("no header") << -1 << 46;
        QTest::newRow("short header") << 11369 << 46;
        QTest::newRow("long header") << 11371 << 46;
        QTest::newRow("no trailer") << 11370 << -1;
        QTest::newRow("short trailer") << 11370 << 45;
    }

    void damagedTemplateFailsCleanly()
    {
        QFETCH(int, headerBytes);
        QFETCH(int, trailerBytes);
        QTemporaryDir data;
        const QString staged = ImageFiles::applicationDataFolder();
        if (headerBytes >= 0)
            QVERIFY(writeBytes(data.filePath("tifstart.dat"),
                fileBytes(staged + "/tifstart.dat").leftJustified(headerBytes, '\0', true)));
        if (trailerBytes >= 0)
            QVERIFY(writeBytes(data.filePath("tifend.dat"),
                fileBytes(staged + "/tifend.dat").leftJustified(trailerBytes, '\0', true)));
        const QString raw = m_dir.filePath(QStringLiteral("damaged.raw"));
        QVERIFY(randomImage(4, 4, 16, 3).dumpRaw(raw));
        const QString path = m_dir.filePath(QStringLiteral("damaged.tif"));
        QVERIFY(!ImageFiles::writeTiffFromRawWithTemplate(raw, path, 4, 4, 10000, data.path()));
        QVERIFY(!QFile::exists(path));
    }

    void templateRefusesSizesPast32Bits()
    {
        const QString path = m_dir.filePath(QStringLiteral("huge.tif"));
        // 30000 x 24000 x 6 bytes does not fit the header's 32-bit fields.
        QVERIFY(!ImageFiles::writeTiffFromRawWithTemplate(
            m_dir.filePath("none.raw"), path, 30000, 24000, 10000, ImageFiles::applicationDataFolder()));
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_GUILESS_MAIN(TestTiffOutput)
#include "test_tiffoutput.moc"
