// The metadata of processed pictures as exiftool reads it, in every format, depth and
// writer path, and none of the colour profile where the samples are the scanner's own.
#include "../support/exiftool.h"
#include "finalfile.h"
#include "imagefiles.h"
#include "imagemetadata.h"
#include "imagetesthelpers.h"

#include <QTemporaryDir>
#include <QTest>

using namespace ImageTest;

namespace
{

const QStringList kExif { QStringLiteral("EXIF") };
const QStringList kIcc { QStringLiteral("ICC_Profile") };

ImageMetadata sampleMetadata()
{
    return ImageMetadata::forScan(QStringLiteral(" Maker Co. "), QStringLiteral("Film Scanner 9"),
        QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)));
}

// exiftool's own complaints about a file's structure, empty when it has none.
QString complaints(const QJsonObject& tags)
{
    QString found;
    const QString validation = tags.value(QStringLiteral("ExifTool:Validate")).toString();
    if (validation != QLatin1String("0 0 0"))
        found += QLatin1String("validation: ") + validation + QLatin1Char('\n');
    for (const QString& key : tags.keys()) {
        if (key.endsWith(QLatin1String(":Warning")) || key.endsWith(QLatin1String(":Error")))
            found += key + QLatin1String(": ") + tags.value(key).toString() + QLatin1Char('\n');
    }
    return found;
}

} // namespace

class TestImageMetadata : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!ExifTool::program().isEmpty(), "exiftool (libimage-exiftool-perl) is needed");
        QVERIFY(m_dir.isValid());
    }

    void finalFileCarriesMetadata_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("eightBit");
        QTest::addColumn<int>("resolution");
        QTest::newRow("16-bit TIFF at 3600") << "Image0001.tif" << false << 3600;
        QTest::newRow("8-bit TIFF at 1800") << "Image0001.tif" << true << 1800;
        QTest::newRow("JPEG at 5000") << "Image0001.jpg" << false << 5000;
        QTest::newRow("8-bit JPEG at 1800") << "Image0001.jpg" << true << 1800;
        QTest::newRow("16-bit TIFF from raw at 10000") << "Image0001.tif" << false << 10000;
        QTest::newRow("8-bit TIFF from raw at 10000") << "Image0001.tif" << true << 10000;
        QTest::newRow("JPEG from raw at 10000") << "Image0001.jpg" << false << 10000;
    }

    void finalFileCarriesMetadata()
    {
        QFETCH(QString, name);
        QFETCH(bool, eightBit);
        QFETCH(int, resolution);
        QTemporaryDir work;
        QTemporaryDir out;
        STImage image = randomImage(24, 16, 16, 3);
        const FinalFile::Prepared prepared = FinalFile::prepare(image, resolution, eightBit, work.path());
        QVERIFY(prepared.ok);
        const QString path = out.filePath(name);
        QCOMPARE(FinalFile::write(image, prepared, path, work.path(), nullptr, sampleMetadata()), path);

        const QJsonObject tags = ExifTool::tags(path);
        QVERIFY(!tags.isEmpty());
        QVERIFY2(complaints(tags).isEmpty(), qPrintable(complaints(tags)));
        QCOMPARE(ExifTool::value(tags, "Make", kExif), QStringLiteral("Maker Co."));
        QCOMPARE(ExifTool::value(tags, "Model", kExif), QStringLiteral("Film Scanner 9"));
        QCOMPARE(ExifTool::value(tags, "Software", kExif), QStringLiteral("Korvane " KORVANE_VERSION));
        QCOMPARE(ExifTool::value(tags, "ModifyDate", kExif), QStringLiteral("2026:03:04 05:06:07"));
        QCOMPARE(ExifTool::value(tags, "XResolution", kExif), QString::number(resolution));
        QCOMPARE(ExifTool::value(tags, "YResolution", kExif), QString::number(resolution));
        QCOMPARE(ExifTool::value(tags, "ResolutionUnit", kExif), QStringLiteral("2"));
        QVERIFY(ExifTool::value(tags, "ProfileDescription", kIcc).contains(QLatin1String("sRGB")));
        QCOMPARE(ExifTool::value(tags, "ColorSpaceData", kIcc).trimmed(), QStringLiteral("RGB"));
        if (name.endsWith(QLatin1String(".jpg"))) {
            QCOMPARE(ExifTool::value(tags, "DateTimeOriginal", kExif), QStringLiteral("2026:03:04 05:06:07"));
            QCOMPARE(ExifTool::value(tags, "ColorSpace", kExif), QStringLiteral("1"));
            // The fixed markers are still there: the raw path's comment, the density.
            const JpegContents jpeg = readJpeg(path);
            QVERIFY(jpeg.ok);
            QCOMPARE(jpeg.xDensity, resolution);
            QCOMPARE(ExifTool::value(tags, "ExifImageWidth", kExif), QString::number(jpeg.width));
            QCOMPARE(ExifTool::value(tags, "ExifImageHeight", kExif), QString::number(jpeg.height));
            if (resolution == 10000)
                QCOMPARE(jpeg.comments, QList<QByteArray> { QByteArray("jpg\0", 4) });
        } else {
            const TiffContents tiff = readTiff(path);
            QVERIFY(tiff.ok);
            QCOMPARE(int(tiff.bitsPerSample), eightBit ? 8 : 16);
        }
    }

    // The very large TIFFs keep their prepared layout, and with it the tags it holds:
    // the program, the resolution and the sRGB colour space (no date, scanner or profile).
    void templatePathCarriesItsPreparedTags()
    {
        const STImage enlarged = randomImage(9, 7, 16, 3);
        const QString raw = m_dir.filePath(QStringLiteral("template.raw"));
        QVERIFY(enlarged.dumpRaw(raw));
        const QString path = m_dir.filePath(QStringLiteral("template.tif"));
        QVERIFY(ImageFiles::writeTiffFromRawWithTemplate(
            raw, path, 9, 7, 10000, ImageFiles::applicationDataFolder()));
        const QJsonObject tags = ExifTool::tags(path);
        QVERIFY2(complaints(tags).isEmpty(), qPrintable(complaints(tags)));
        QCOMPARE(ExifTool::value(tags, "Software", kExif), QStringLiteral("Korvane"));
        QCOMPARE(ExifTool::value(tags, "XResolution", kExif), QStringLiteral("10000"));
        QCOMPARE(ExifTool::value(tags, "ColorSpace", kExif), QStringLiteral("1"));
    }

    // Texts the device left blank are left out, not written empty.
    void blankScannerFieldsAreLeftOut_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("TIFF") << "blank.tif";
        QTest::newRow("JPEG") << "blank.jpg";
    }

    void blankScannerFieldsAreLeftOut()
    {
        QFETCH(QString, name);
        QTemporaryDir work;
        STImage image = randomImage(8, 8, 16, 3);
        const FinalFile::Prepared prepared = FinalFile::prepare(image, 1800, false, work.path());
        const QString path = m_dir.filePath(name);
        const ImageMetadata blank = ImageMetadata::forScan(QString(), QStringLiteral("  "), QDateTime());
        QCOMPARE(FinalFile::write(image, prepared, path, work.path(), nullptr, blank), path);
        const QJsonObject tags = ExifTool::tags(path);
        QVERIFY2(complaints(tags).isEmpty(), qPrintable(complaints(tags)));
        QVERIFY(ExifTool::value(tags, "Make", kExif).isNull());
        QVERIFY(ExifTool::value(tags, "Model", kExif).isNull());
        QVERIFY(ExifTool::value(tags, "ModifyDate", kExif).isNull());
        QVERIFY(ExifTool::value(tags, "Software", kExif).startsWith(QLatin1String("Korvane")));
    }

    // The scanner's own samples (RAW-mode and engineer images) claim no colour space.
    void rawSamplesCarryNoProfile_data()
    {
        QTest::addColumn<bool>("withScanner");
        QTest::newRow("service image") << false;
        QTest::newRow("RAW-mode dump of a scan") << true;
    }

    void rawSamplesCarryNoProfile()
    {
        QFETCH(bool, withScanner);
        STImage image = randomImage(12, 10, 16, 3);
        const QString path = m_dir.filePath(QStringLiteral("raw%1.tif").arg(withScanner));
        ImageMetadata dump = sampleMetadata();
        dump.srgb = false;
        QVERIFY(withScanner ? ImageFiles::writeTiff(image, path, QString(), &dump) : image.saveTiff(path));
        const QJsonObject tags = ExifTool::tags(path);
        QVERIFY(!tags.isEmpty());
        QVERIFY2(complaints(tags).isEmpty(), qPrintable(complaints(tags)));
        for (const QString& key : tags.keys())
            QVERIFY2(!key.startsWith(QLatin1String("ICC_Profile:")), qPrintable(key));
        QCOMPARE(ExifTool::value(tags, "Make", kExif), withScanner ? QStringLiteral("Maker Co.") : QString());
    }

    void segmentsGoAfterTheFirstMarkers_data()
    {
        QTest::addColumn<QByteArray>("jpeg");
        QTest::addColumn<int>("at"); // -1: not a JPEG
        const QByteArray app0 = QByteArray::fromHex("ffe000104a46494600010101006400640000");
        QTest::newRow("after JFIF") << QByteArray::fromHex("ffd8") + app0 + QByteArray::fromHex("ffdbffd9")
                                    << 20;
        QTest::newRow("no JFIF: after SOI") << QByteArray::fromHex("ffd8ffdbffd9") << 2;
        QTest::newRow("APP0 longer than the file") << QByteArray::fromHex("ffd8ffe0ff00") << 2;
        QTest::newRow("not a JPEG") << QByteArray("II*\0", 4) << -1;
        QTest::newRow("empty") << QByteArray() << -1;
    }

    void segmentsGoAfterTheFirstMarkers()
    {
        QFETCH(QByteArray, jpeg);
        QFETCH(int, at);
        QCOMPARE(ImageMetadataFiles::jpegSegmentsPosition(jpeg), at);
    }

    // A name as long as a device could send still fits the one Exif segment.
    void longTextsAreCut()
    {
        const QString longName(5000, QLatin1Char('x'));
        const ImageMetadata metadata
            = ImageMetadata::forScan(longName, longName, QDateTime::currentDateTime());
        const QByteArray exif = ImageMetadataFiles::exifPayload(metadata, 300, 8, 8);
        QVERIFY(exif.size() < 2000);
        QTemporaryDir work;
        STImage image = randomImage(8, 8, 8, 3);
        const FinalFile::Prepared prepared = FinalFile::prepare(image, 1800, true, work.path());
        const QString path = m_dir.filePath(QStringLiteral("long.jpg"));
        QCOMPARE(FinalFile::write(image, prepared, path, work.path(), nullptr, metadata), path);
        const QJsonObject tags = ExifTool::tags(path);
        QCOMPARE(ExifTool::value(tags, "Make", kExif), longName.left(255));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestImageMetadata)
#include "test_imagemetadata.moc"
