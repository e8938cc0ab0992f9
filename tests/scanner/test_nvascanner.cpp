#include "devicerecords.h"
#include "nvascanner.h"

#include <stimage.h>

#include <QTemporaryDir>
#include <QtTest>

#include "simulatorsettings.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace
{

device::LineRecord lineRecord(std::int32_t format, std::int32_t pixels, std::int32_t lines,
    std::int32_t delivered, const std::uint8_t* data)
{
    device::LineRecord record {};
    record.pixelFormat = format;
    record.pixelsPerLine = pixels;
    record.imageLines = lines;
    record.linesDelivered = delivered;
    record.stopFlag = 0;
    record.lines = data;
    return record;
}

std::vector<std::uint8_t> pattern(std::size_t bytes)
{
    std::vector<std::uint8_t> data(bytes);
    for (std::size_t i = 0; i < bytes; ++i)
        data[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return data;
}

// The option record of a small prescan, as the worker sends it.
device::ScanOptionRecord smallScanRecord()
{
    device::ScanOptionRecord record {};
    record.dwStatus = 1;
    device::ScanInfo& info = record.ScanInfoArray[0];
    info.nDPI = 300;
    info.fScanAreaRight = 0.2f;
    info.fScanAreaBottom = 0.1f;
    info.nScanColorMode = 7;
    info.wColorBalanceR = 137;
    info.wColorBalanceG = 139;
    info.wColorBalanceB = 133;
    info.wHighlightEnhanceR = info.wHighlightEnhanceG = info.wHighlightEnhanceB = 100;
    info.bImageQuality = 3;
    info.bFilmType = 1;
    info.bFilmMediaType = 16;
    info.bThresHold = 128;
    info.pLineCallback = NVAScanner::lineCallback();
    info.nMaxScanLine = 255;
    info.bPrescan = 1;
    info.wHighColorBalanceR = info.wHighColorBalanceG = info.wHighColorBalanceB = 100;
    info.wLowColorBalanceR = info.wLowColorBalanceG = info.wLowColorBalanceB = 100;
    info.wGainFactorR = info.wGainFactorG = info.wGainFactorB = 100;
    return record;
}

} // namespace

class TestNVAScanner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void missingLibraryFailsEveryCall();
    void modelCodeRefusesShortRecords_data();
    void modelCodeRefusesShortRecords();
    void deviceNamesFromTheRecord_data();
    void deviceNamesFromTheRecord();
    void lineCallbackStaysInsideTheBuffer_data();
    void lineCallbackStaysInsideTheBuffer();
    void lineCallbackRefusesAnotherGeometry_data();
    void lineCallbackRefusesAnotherGeometry();
    void lineCallbackRefusesSizesNoScanHas_data();
    void lineCallbackRefusesSizesNoScanHas();
    void lineCallbackStopsWhenNotRunning();
    void lineCallbackStartsAnewAfterTheEnd();
    void instanceIsTheLatestWrapper();

    void linkFillsTheDeviceInformation();
    void parameterRecordsAreChecked();
    void scanDeliversTheAnnouncedImage();
    void firmwareLargerThanTheBlockIsNeverSent_data();
    void firmwareLargerThanTheBlockIsNeverSent();

private:
    QTemporaryDir m_stateDir;
};

void TestNVAScanner::initTestCase()
{
    QVERIFY(m_stateDir.isValid());
}

void TestNVAScanner::init()
{
    SimulatorSettings::reset(m_stateDir.path().toLocal8Bit().constData());
}

void TestNVAScanner::missingLibraryFailsEveryCall()
{
    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    NVAScanner scanner;
    scanner.setLibraryFolder(empty.path());
    QCOMPARE(scanner.libraryPath(), empty.path() + "/TQ4100.dll");

    QCOMPARE(scanner.link(), 0);
    QVERIFY(!scanner.isLinked());
    QVERIFY(scanner.deviceInfo().isEmpty());

    device::StatusRecord status {};
    QCOMPARE(scanner.queryStatus(&status), 0);
    QCOMPARE(int(status.statusBits), 0);
    device::ScanOptionRecord record = smallScanRecord();
    QCOMPARE(scanner.startScan(&record), 0);
    std::array<quint16, 3> balance {};
    QCOMPARE(scanner.readBalance(balance), 0);
    QCOMPARE(balance, (std::array<quint16, 3> { { 137, 139, 133 } }));
    QByteArray parameters;
    QCOMPARE(scanner.getScanParameter(parameters), 0);
    QCOMPARE(parameters, QByteArray(53, '\0'));
    QCOMPARE(scanner.updateFirmware(QByteArray(10, 'x')), 0);
    QCOMPARE(scanner.sendServiceRecord(QByteArray(53, '\0')), 0);
}

void TestNVAScanner::modelCodeRefusesShortRecords_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("firmware");
    QTest::newRow("empty") << 0 << -1 << QString();
    QTest::newRow("ends inside the model code") << 118 << -1 << QString();
    QTest::newRow("one byte short") << 172 << -1 << QString();
    QTest::newRow("complete") << 173 << 0x0153 << QStringLiteral("2.1a");
    QTest::newRow("longer") << 200 << 0x0153 << QStringLiteral("2.1a");
}

void TestNVAScanner::modelCodeRefusesShortRecords()
{
    QFETCH(int, size);
    QFETCH(int, expected);
    // Built on the heap with its exact size, so a read past the end trips ASan.
    std::vector<char> bytes(static_cast<std::size_t>(std::max(size, 1)), '\0');
    if (size >= 119) {
        bytes[117] = 0x53;
        bytes[118] = 0x01;
        std::copy_n("2.1a", 4, bytes.begin() + 33);
    }
    const QByteArray record = QByteArray::fromRawData(bytes.data(), size);
    QCOMPARE(NVAScanner::modelCode(record), expected);
    QTEST(NVAScanner::firmwareVersion(record), "firmware");
}

void TestNVAScanner::deviceNamesFromTheRecord_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("product"); // bytes 119-172
    QTest::addColumn<QByteArray>("vendor"); // bytes 1-32
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("maker");
    QTest::newRow("zero-padded") << 173 << QByteArray("Film Scanner 9") << QByteArray("Maker Co.")
                                 << "Film Scanner 9"
                                 << "Maker Co.";
    QTest::newRow("blank") << 173 << QByteArray() << QByteArray() << QString() << QString();
    QTest::newRow("spaces around") << 173 << QByteArray("  FS 9  ") << QByteArray(" M ") << "FS 9"
                                   << "M";
    // No terminating zero: the text ends with its field, not in the firmware or model code.
    QTest::newRow("filled to the end") << 173 << QByteArray(54, 'p') << QByteArray(32, 'v')
                                       << QString(54, QLatin1Char('p')) << QString(32, QLatin1Char('v'));
    QTest::newRow("short record") << 172 << QByteArray() << QByteArray("Maker Co.") << QString() << QString();
}

void TestNVAScanner::deviceNamesFromTheRecord()
{
    QFETCH(int, size);
    QFETCH(QByteArray, product);
    QFETCH(QByteArray, vendor);
    // Exact size on the heap, as above; every other byte set, so a field that runs on shows.
    std::vector<char> bytes(static_cast<std::size_t>(size), 'x');
    std::fill_n(bytes.begin() + 1, 32, '\0');
    std::copy(vendor.begin(), vendor.end(), bytes.begin() + 1);
    if (size >= 173) {
        std::fill_n(bytes.begin() + 119, 54, '\0');
        std::copy(product.begin(), product.end(), bytes.begin() + 119);
    }
    const QByteArray record = QByteArray::fromRawData(bytes.data(), size);
    QTEST(NVAScanner::deviceModel(record), "model");
    QTEST(NVAScanner::deviceVendor(record), "maker");
}

void TestNVAScanner::lineCallbackStaysInsideTheBuffer_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QList<int>>("blocks"); // lines claimed by each call
    QTest::addColumn<int>("bufferBytes");
    QTest::addColumn<int>("deliveredBytes");
    QTest::addColumn<int>("imageWidth");

    QTest::newRow("exact, 16-bit RGB") << 7 << 4 << 3 << QList<int> { 2, 1 } << 72 << 72 << 4;
    QTest::newRow("one block past the end") << 7 << 4 << 3 << QList<int> { 2, 5 } << 72 << 72 << 4;
    QTest::newRow("a single huge block") << 7 << 4 << 3 << QList<int> { 1000 } << 72 << 72 << 4;
    QTest::newRow("short delivery") << 7 << 4 << 3 << QList<int> { 1 } << 72 << 24 << 4;
    QTest::newRow("negative count") << 7 << 4 << 3 << QList<int> { -5 } << 72 << 0 << 4;
    QTest::newRow("8-bit RGB") << 3 << 4 << 3 << QList<int> { 3 } << 36 << 36 << 4;
    QTest::newRow("16-bit RGBA") << 12 << 4 << 3 << QList<int> { 4 } << 96 << 96 << 4;
    QTest::newRow("unknown format") << 5 << 4 << 3 << QList<int> { 3 } << 0 << 0 << 0;
    QTest::newRow("no pixels") << 7 << 0 << 3 << QList<int> { 3 } << 0 << 0 << 0;
    QTest::newRow("negative lines") << 7 << 4 << -3 << QList<int> { 3 } << 0 << 0 << 0;
    QTest::newRow("overflowing size") << 7 << 0x7fffffff << 0x7fffffff << QList<int> { 1 } << 0 << 0 << 0;
}

void TestNVAScanner::lineCallbackStaysInsideTheBuffer()
{
    QFETCH(int, format);
    QFETCH(int, pixels);
    QFETCH(int, lines);
    QFETCH(QList<int>, blocks);
    QFETCH(int, bufferBytes);
    QFETCH(int, deliveredBytes);
    QFETCH(int, imageWidth);

    NVAScanner scanner; // no library: startScan only arms the callback
    device::ScanOptionRecord option = smallScanRecord();
    scanner.startScan(&option);
    QVERIFY(scanner.isRunning());

    // The source really holds what every block claims (as far as it is sane), so
    // only the callback can overrun: into its own buffer.
    const int bpp = std::max(device::bytesPerPixel(format), 1);
    const std::size_t claimedRow
        = static_cast<std::size_t>(std::min(pixels, 64)) * static_cast<std::size_t>(bpp);
    std::vector<std::uint8_t> all; // everything the library handed over, in order

    // The first record announces the image and, as a real device does, brings the
    // first block with it.
    bool first = true;
    for (int block : blocks) {
        std::vector<std::uint8_t> data = pattern(claimedRow * static_cast<std::size_t>(std::max(block, 0)));
        device::LineRecord record = lineRecord(format, pixels, lines, block, data.data());
        NVAScanner::receiveLines(&record);
        QCOMPARE(int(record.stopFlag), 0);
        all.insert(all.end(), data.begin(), data.end());
        if (first && block <= 0)
            break; // an empty first block ends the image at once
        first = false;
    }
    device::LineRecord end = lineRecord(format, pixels, lines, 0, nullptr);
    NVAScanner::receiveLines(&end);
    const int written = int(scanner.bytesDelivered());

    QCOMPARE(int(scanner.lineBuffer().size()), bufferBytes);
    QCOMPARE(written, deliveredBytes);
    QVERIFY(
        std::equal(scanner.lineBuffer().begin(), scanner.lineBuffer().begin() + deliveredBytes, all.begin()));
    QVERIFY(std::all_of(scanner.lineBuffer().begin() + deliveredBytes, scanner.lineBuffer().end(),
        [](std::uint8_t b) { return b == 0; }));

    const STImage image = scanner.scannedImage();
    QCOMPARE(int(image.width()), imageWidth);
    if (imageWidth == 0) {
        QVERIFY(image.isNull());
        return;
    }
    QCOMPARE(int(image.height()), lines);
    QCOMPARE(image.bitsPerSample(), 16u);
    QCOMPARE(image.channels(), 3);
    // The image holds what was delivered, then zeros: never bytes from past the buffer.
    const std::size_t shared = std::min<std::size_t>(image.byteCount(), std::size_t(deliveredBytes));
    QVERIFY(shared == 0 || std::memcmp(image.data(), all.data(), shared) == 0);
    QVERIFY(std::all_of(
        image.data() + shared, image.data() + image.byteCount(), [](std::uint8_t b) { return b == 0; }));
}

void TestNVAScanner::lineCallbackRefusesAnotherGeometry_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("pixels");

    // The first block is 16-bit RGB, 4 pixels wide; the second is sized by its own record.
    QTest::newRow("narrower") << 7 << 2;
    QTest::newRow("wider") << 7 << 9;
    QTest::newRow("8-bit RGB") << 3 << 4;
    QTest::newRow("16-bit RGBA") << 12 << 4;
    QTest::newRow("unknown format") << 5 << 4;
    QTest::newRow("no pixels") << 7 << 0;
}

void TestNVAScanner::lineCallbackRefusesAnotherGeometry()
{
    QFETCH(int, format);
    QFETCH(int, pixels);

    NVAScanner scanner;
    device::ScanOptionRecord option = smallScanRecord();
    scanner.startScan(&option);
    const std::vector<std::uint8_t> first = pattern(4 * 6);
    device::LineRecord record = lineRecord(7, 4, 3, 1, first.data());
    NVAScanner::receiveLines(&record);
    QCOMPARE(int(scanner.bytesDelivered()), 24);

    // Exactly as many bytes as this block's own rows hold: measuring it with the first
    // block's stride would read past them (a report under AddressSanitizer).
    const std::size_t ownRow = std::size_t(std::max(pixels, 0)) * std::size_t(device::bytesPerPixel(format));
    std::vector<std::uint8_t> second(std::max<std::size_t>(ownRow * 2, 1), 0xAB);
    device::LineRecord other = lineRecord(format, pixels, 3, 2, second.data());
    NVAScanner::receiveLines(&other);
    QCOMPARE(int(other.stopFlag), 0);
    QCOMPARE(int(scanner.bytesDelivered()), 24);

    // A block of the first geometry still lands right after the first one.
    const std::vector<std::uint8_t> third = pattern(4 * 6 * 2);
    device::LineRecord same = lineRecord(7, 4, 3, 2, third.data());
    NVAScanner::receiveLines(&same);
    QCOMPARE(int(scanner.bytesDelivered()), 72);
    QVERIFY(std::equal(first.begin(), first.end(), scanner.lineBuffer().begin()));
    QVERIFY(std::equal(third.begin(), third.end(), scanner.lineBuffer().begin() + 24));
}

void TestNVAScanner::lineCallbackRefusesSizesNoScanHas_data()
{
    QTest::addColumn<int>("pixels");
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("accepted");

    // The whole window (1.437 x 0.957 inches) at 5000 dpi, the highest of the models, is
    // 7185 x 4785 pixels; two pixels of rounding allowance.
    QTest::newRow("widest line") << 7187 << 1 << true;
    QTest::newRow("a pixel wider") << 7188 << 1 << false;
    QTest::newRow("tallest image") << 1 << 4787 << true;
    QTest::newRow("a line taller") << 1 << 4788 << false;
    QTest::newRow("absurd, under the byte limit") << 30000 << 20000 << false;
}

void TestNVAScanner::lineCallbackRefusesSizesNoScanHas()
{
    QFETCH(int, pixels);
    QFETCH(int, lines);
    QFETCH(bool, accepted);

    NVAScanner scanner;
    device::ScanOptionRecord option = smallScanRecord();
    scanner.startScan(&option);
    const std::vector<std::uint8_t> data = pattern(std::size_t(pixels) * 3);
    device::LineRecord record = lineRecord(3, pixels, lines, 1, data.data());
    NVAScanner::receiveLines(&record);
    QCOMPARE(int(record.stopFlag), 0);
    const std::size_t expected = accepted ? std::size_t(pixels) * std::size_t(lines) * 3 : 0;
    QCOMPARE(scanner.lineBuffer().size(), expected);
    QCOMPARE(scanner.bytesDelivered(), accepted ? data.size() : std::size_t(0));
    QCOMPARE(scanner.scannedImage().isNull(), !accepted);
}

void TestNVAScanner::lineCallbackStopsWhenNotRunning()
{
    NVAScanner scanner;
    device::ScanOptionRecord option = smallScanRecord();
    scanner.startScan(&option);
    std::vector<std::uint8_t> data = pattern(4 * 6);
    device::LineRecord first = lineRecord(7, 4, 3, 1, data.data());
    NVAScanner::receiveLines(&first);
    QCOMPARE(int(first.stopFlag), 0);
    QCOMPARE(int(scanner.bytesDelivered()), 24);

    scanner.setRunning(false);
    device::LineRecord next = lineRecord(7, 4, 3, 1, data.data());
    NVAScanner::receiveLines(&next);
    QCOMPARE(int(next.stopFlag), 1);
    QCOMPARE(int(scanner.bytesDelivered()), 24);
}

void TestNVAScanner::lineCallbackStartsAnewAfterTheEnd()
{
    NVAScanner scanner;
    device::ScanOptionRecord option = smallScanRecord();
    scanner.startScan(&option);
    std::vector<std::uint8_t> data = pattern(8 * 6 * 2);
    device::LineRecord first = lineRecord(7, 8, 2, 2, data.data());
    NVAScanner::receiveLines(&first);
    // The library's own stop flag ends the image.
    device::LineRecord stop = lineRecord(7, 8, 2, 1, data.data());
    stop.stopFlag = 1;
    NVAScanner::receiveLines(&stop);
    QCOMPARE(int(scanner.bytesDelivered()), 96);

    // The next image announces another size and gets a fresh buffer.
    device::LineRecord second = lineRecord(7, 2, 1, 1, data.data());
    NVAScanner::receiveLines(&second);
    QCOMPARE(scanner.lineWidth(), 2);
    QCOMPARE(scanner.lineHeight(), 1);
    QCOMPARE(int(scanner.lineBuffer().size()), 12);
    QCOMPARE(int(scanner.bytesDelivered()), 12);
}

void TestNVAScanner::instanceIsTheLatestWrapper()
{
    QVERIFY(NVAScanner::instance() == nullptr);
    {
        NVAScanner scanner;
        QCOMPARE(NVAScanner::instance(), &scanner);
    }
    QVERIFY(NVAScanner::instance() == nullptr);
    // Without a wrapper the callback asks the library to stop.
    device::LineRecord record = lineRecord(7, 4, 3, 1, nullptr);
    NVAScanner::receiveLines(&record);
    QCOMPARE(int(record.stopFlag), 1);
}

void TestNVAScanner::linkFillsTheDeviceInformation()
{
    qputenv("KORVANE_SIM_MODEL", "84");
    NVAScanner scanner;
    QVERIFY(scanner.link() != 0);
    QVERIFY(scanner.isLinked());
    const QByteArray info = scanner.deviceInfo();
    QCOMPARE(info.size(), 173);
    QCOMPARE(NVAScanner::modelCode(info), 84);

    device::StatusRecord status {};
    scanner.queryStatus(&status);
    QVERIFY(status.statusBits & device::kStatusPresent);
}

void TestNVAScanner::parameterRecordsAreChecked()
{
    NVAScanner scanner;
    QVERIFY(scanner.link() != 0);
    QByteArray record;
    QVERIFY(scanner.getScanParameter(record) != 0);
    QCOMPARE(record.size(), 53);

    // A short record is never handed to the device.
    QCOMPARE(scanner.setScanParameter(record.left(52)), 0);
    QCOMPARE(scanner.sendServiceRecord(QByteArray(10, '\0')), 0);

    QByteArray changed = record;
    changed[12] = char(77); // red gain
    QVERIFY(scanner.setScanParameter(changed) != 0);
    QByteArray reread;
    QVERIFY(scanner.getScanParameter(reread) != 0);
    QCOMPARE(int(quint8(reread[12])), 77);
}

void TestNVAScanner::scanDeliversTheAnnouncedImage()
{
    NVAScanner scanner;
    QVERIFY(scanner.link() != 0);
    device::ScanOptionRecord record = smallScanRecord();
    QVERIFY(scanner.startScan(&record) != 0);
    QVERIFY(scanner.lineWidth() > 0);
    QVERIFY(scanner.lineHeight() > 0);
    QCOMPARE(scanner.lineBytesPerPixel(), 6);
    QCOMPARE(scanner.bytesDelivered(), scanner.lineBuffer().size());
    const STImage image = scanner.scannedImage();
    QCOMPARE(int(image.width()), scanner.lineWidth());
    QCOMPARE(int(image.height()), scanner.lineHeight());
    QVERIFY(std::memcmp(image.data(), scanner.lineBuffer().data(), image.byteCount()) == 0);

    qputenv("KORVANE_SIM_FAIL_SCAN", "1");
    NVAScanner failing;
    QVERIFY(failing.link() != 0);
    QCOMPARE(failing.startScan(&record), 0);
}

void TestNVAScanner::firmwareLargerThanTheBlockIsNeverSent_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("sent");
    QTest::newRow("1024 bytes") << 1024 << true;
    QTest::newRow("the whole block") << 131072 << true;
    QTest::newRow("one byte over") << 131073 << false;
}

// A cut image would be a broken firmware in the scanner: the wrapper refuses it
// rather than sending its first 131072 bytes.
void TestNVAScanner::firmwareLargerThanTheBlockIsNeverSent()
{
    QFETCH(int, size);
    QFETCH(bool, sent);
    QFile::remove(m_stateDir.filePath(QStringLiteral("firmware.bin")));
    NVAScanner scanner;
    QVERIFY(scanner.link() != 0);
    QByteArray image(size, '\x42');
    image.replace(96, 4, "7.77");
    QCOMPARE(scanner.updateFirmware(image) != 0, sent);
    QFile written(m_stateDir.filePath(QStringLiteral("firmware.bin")));
    QCOMPARE(written.exists(), sent);
    if (sent) {
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray block = written.readAll();
        QCOMPARE(block.size(), NVAScanner::firmwareBlockSize());
        QCOMPARE(block.left(size), image);
        QCOMPARE(block.mid(size), QByteArray(block.size() - size, '\0'));
    }
}

QTEST_GUILESS_MAIN(TestNVAScanner)
#include "test_nvascanner.moc"
