// The SANE device library through its C entry point, against SANE's test backend:
// the link and its record, the device list, scans compared with what scanimage reads
// under the same configuration, the prescan of a device that starts above its
// resolution, the film base, the faults the backend can return, and a cancel.

#include "sanetestsetup.h"
#include "simulatordriver.h"

#include <devicememory.h>
#include <exposure.h>

#include <QStandardPaths>
#include <QtTest>

namespace
{

constexpr double kMmPerInch = 25.4;

// A final-scan record of an area given in millimetres, so that the backend's 1 mm
// steps take it as it is and scanimage can be asked for the same.
device::ScanOptionRecord finalRecord(int dpi, double widthMm, double heightMm)
{
    device::ScanOptionRecord record = scanRecord(16, dpi, 0, 0, widthMm / kMmPerInch, heightMm / kMmPerInch);
    record.ScanInfoArray[0].bPrescan = 0;
    return record;
}

// The library's pixels are the device's exposed with the record's balance.
std::vector<std::uint16_t> exposed(
    const std::vector<std::uint16_t>& raw, const device::ScanOptionRecord& record)
{
    const sim::Exposure exposure(record.ScanInfoArray[0], false, 83, sim::DeviceMemory::factoryParameters());
    std::vector<std::uint16_t> result(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i)
        result[i] = std::uint16_t(exposure.table(int(i % 3))[raw[i]] & 0xFFFF);
    return result;
}

} // namespace

class TestSaneDevice : public QObject
{
    Q_OBJECT

private:
    SaneTestSetup m_setup;
    SimulatorDriver m_driver;
    bool m_linked = false;

    void link(const QStringList& testConf)
    {
        unlink();
        QVERIFY(m_setup.configure(testConf));
        QByteArray name("test:0");
        QCOMPARE(m_driver.call(device::CmdSelectDevice, name.data()), 1);
        device::DeviceInfoRecord info;
        QCOMPARE(m_driver.link(&info), 1);
        m_linked = true;
    }

    void unlink()
    {
        if (m_linked)
            m_driver.call(device::CmdRelease, nullptr);
        m_linked = false;
    }

    int failure()
    {
        device::FailureRecord record {};
        if (m_driver.call(device::CmdLastFailure, &record) != 1)
            return -1;
        return record.code;
    }

    QStringList deviceLines()
    {
        auto list = std::make_unique<device::DeviceListRecord>();
        if (m_driver.call(device::CmdListDevices, list.get()) != 1)
            return { QStringLiteral("<failed>") };
        return QString::fromUtf8(list->text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_setup.isValid());
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("scanimage")).isEmpty(),
            "scanimage (Debian's sane-utils) is needed as the reference");
        qunsetenv("KORVANE_SANE_MODE");
        qunsetenv("KORVANE_SANE_DEPTH");
        QVERIFY2(m_driver.load(device::kSaneLibraryFile), qPrintable(m_driver.errorString()));
    }

    void cleanup()
    {
        unlink();
        qunsetenv("KORVANE_SANE_MODE");
        qunsetenv("KORVANE_SANE_DEPTH");
    }

    // The record names the device in its free bytes and carries a supported model code.
    void linkRecord()
    {
        QVERIFY(m_setup.configure({}));
        QByteArray name("test:0");
        QCOMPARE(m_driver.call(device::CmdSelectDevice, name.data()), 1);
        device::DeviceInfoRecord info;
        QCOMPARE(m_driver.link(&info), 1);
        m_linked = true;
        const int model = info.modelCode; // the record is packed: no reference into it
        QCOMPARE(model, 83);
        QCOMPARE(QByteArray(info.firmwareVersion, 4), QByteArray("SANE"));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(info.vendor)), QByteArray("Noname"));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(info.product)), QByteArray("frontend-tester"));
        QCOMPARE(m_driver.poll(), device::kStatusPresent);
    }

    void unknownDeviceFailsTheLink()
    {
        QVERIFY(m_setup.configure({}));
        QByteArray name("test:7");
        QCOMPARE(m_driver.call(device::CmdSelectDevice, name.data()), 1);
        QCOMPARE(m_driver.link(), 0);
        QCOMPARE(failure(), int(device::FailureNotFound));
        m_driver.call(device::CmdRelease, nullptr);
    }

    // The list works with no device open and while one is, and the open one stays usable.
    void deviceList()
    {
        QVERIFY(m_setup.configure({ QStringLiteral("number_of_devices 2") }));
        const QStringList expected { QStringLiteral("test:0\tNoname\tfrontend-tester\tvirtual device"),
            QStringLiteral("test:1\tNoname\tfrontend-tester\tvirtual device") };
        QCOMPARE(deviceLines(), expected);
        link({ QStringLiteral("number_of_devices 2") });
        QCOMPARE(deviceLines(), expected);
        ScanResult scan = runScan(m_driver, finalRecord(50, 10, 10));
        QCOMPARE(scan.result, 1);
        QCOMPARE(m_driver.poll(), device::kStatusPresent);
    }

    void scanMatchesScanimage_data()
    {
        QTest::addColumn<QStringList>("conf");
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<QByteArray>("depth");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("lost"); // pixels lost at the end of each line: padding
        const QString pattern = QStringLiteral("test-picture \"Color pattern\"");
        QTest::newRow("colour, 16 bits")
            << QStringList { pattern } << QByteArray() << QByteArray() << 100 << 0;
        QTest::newRow("colour, 8 bits")
            << QStringList { pattern } << QByteArray() << QByteArray("8") << 100 << 0;
        QTest::newRow("grey, 8 bits")
            << QStringList { pattern } << QByteArray("Gray") << QByteArray("8") << 100 << 0;
        QTest::newRow("grey, 16 bits")
            << QStringList { pattern } << QByteArray("Gray") << QByteArray("16") << 75 << 0;
        // scanimage writes three-pass frames at 8 bits only.
        QTest::newRow("three-pass") << QStringList { pattern, QStringLiteral("three-pass true"),
            QStringLiteral("three-pass-order BGR") }
                                    << QByteArray() << QByteArray("8") << 100 << 0;
        QTest::newRow("padded lines, 16 bits") << QStringList { pattern, QStringLiteral("ppl-loss 7") }
                                               << QByteArray() << QByteArray() << 100 << 7;
        QTest::newRow("padded lines, grey") << QStringList { pattern, QStringLiteral("ppl-loss 5") }
                                            << QByteArray("Gray") << QByteArray("8") << 100 << 5;
        QTest::newRow("short reads with delays") << QStringList { pattern, QStringLiteral("read-limit true"),
            QStringLiteral("read-limit-size 997"), QStringLiteral("read-delay true"),
            QStringLiteral("read-delay-duration 1000") }
                                                 << QByteArray() << QByteArray() << 60 << 0;
        QTest::newRow("parameters change at the start")
            << QStringList { pattern, QStringLiteral("fuzzy-parameters true") } << QByteArray()
            << QByteArray() << 100 << 0;
    }

    // Whatever form the device hands its pixels over in, the library delivers the
    // same picture scanimage reads, exposed with the record's balance.
    void scanMatchesScanimage()
    {
        QFETCH(QStringList, conf);
        QFETCH(QByteArray, mode);
        QFETCH(QByteArray, depth);
        QFETCH(int, dpi);
        QFETCH(int, lost);
        if (!mode.isEmpty())
            qputenv("KORVANE_SANE_MODE", mode);
        if (!depth.isEmpty())
            qputenv("KORVANE_SANE_DEPTH", depth);
        link(conf);
        const device::ScanOptionRecord record = finalRecord(dpi, 20, 15);
        ScanResult scan = runScan(m_driver, record);
        QCOMPARE(scan.result, 1);
        QVERIFY(scan.endCall);
        QVERIFY(!scan.inconsistent);
        QCOMPARE(scan.pixelFormat, int(device::PixelRgb16));
        QCOMPARE(scan.scanDpi, dpi);
        QCOMPARE(scan.linesReceived, scan.height);

        int width = 0;
        int height = 0;
        QString error;
        // scanimage writes the padding of lines into its picture: the reference of a
        // padded scan is the unpadded one without its last pixels.
        if (lost > 0)
            QVERIFY(m_setup.configure(conf.filter(QRegularExpression(QStringLiteral("^(?!ppl-loss)")))));
        std::vector<std::uint16_t> reference = SaneTestSetup::scanimage(
            { QStringLiteral("--mode"), mode.isEmpty() ? QStringLiteral("Color") : QString::fromLatin1(mode),
                QStringLiteral("--depth"),
                depth.isEmpty() ? QStringLiteral("16") : QString::fromLatin1(depth),
                QStringLiteral("--resolution"), QString::number(dpi), QStringLiteral("-l"),
                QStringLiteral("0"), QStringLiteral("-t"), QStringLiteral("0"), QStringLiteral("-x"),
                QStringLiteral("20"), QStringLiteral("-y"), QStringLiteral("15") },
            &width, &height, &error);
        QVERIFY2(!reference.empty(), qPrintable(error));
        if (lost > 0) {
            std::vector<std::uint16_t> cropped;
            for (int y = 0; y < height; ++y) {
                const auto row = reference.begin() + std::ptrdiff_t(y) * width * 3;
                cropped.insert(cropped.end(), row, row + (width - lost) * 3);
            }
            reference.swap(cropped);
            width -= lost;
        }
        QCOMPARE(scan.width, width);
        QCOMPARE(scan.height, height);
        const std::vector<std::uint16_t> expected = exposed(reference, record);
        QCOMPARE(scan.pixels.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            if (scan.pixels[i] != expected[i])
                QFAIL(qPrintable(QStringLiteral("sample %1 (pixel %2, %3) is %4, expected %5")
                                     .arg(i)
                                     .arg((i / 3) % std::size_t(width))
                                     .arg((i / 3) / std::size_t(width))
                                     .arg(scan.pixels[i])
                                     .arg(expected[i])));
        }
    }

    // A device that starts at 900 dpi: the prescan comes at the asked size, the final
    // scan at the device's resolution, which it reports.
    void lowestResolutionAbovePrescan()
    {
        link({ QStringLiteral("resolution_min 900.0"), QStringLiteral("test-picture \"Solid white\"") });
        device::ScanOptionRecord prescan = scanRecord(16);
        ScanResult scan = runScan(m_driver, prescan);
        QCOMPARE(scan.result, 1);
        QCOMPARE(scan.width, 431);
        QCOMPARE(scan.height, 287);
        QCOMPARE(scan.scanDpi, 0);
        QCOMPARE(scan.linesReceived, 287);
        const std::uint16_t white = exposed({ 65535, 65535, 65535 }, prescan)[0];
        QVERIFY(white > 50000);
        QCOMPARE(scan.at(0, 0, 0), int(white));
        QCOMPARE(scan.at(430, 286, 0), int(white));

        scan = runScan(m_driver, finalRecord(300, 10, 10));
        QCOMPARE(scan.result, 1);
        QCOMPARE(scan.scanDpi, 900);
        QVERIFY2(std::abs(scan.width - 354) <= 1, qPrintable(QString::number(scan.width)));
    }

    // The film base scan measures the clearest part; command 33 returns the balance
    // that brings it to the simulator's target level.
    void filmBaseBalance()
    {
        link({ QStringLiteral("test-picture \"Solid black\"") });
        device::BalanceRecord balance { 0, 0, 0 };
        QCOMPARE(m_driver.call(device::CmdReadBalance, &balance), 1);
        QCOMPARE(int(balance.red), 137);
        QCOMPARE(int(balance.blue), 133);
        device::ScanOptionRecord base = scanRecord(32);
        base.dwOptionType = device::kOptionFilmBase;
        QCOMPARE(runScan(m_driver, base).result, 1);
        QCOMPARE(m_driver.call(device::CmdReadBalance, &balance), 1);
        // Black film has no clear base: the highest balance the record holds.
        QCOMPARE(int(balance.red), 65535);
    }

    void faults_data()
    {
        QTest::addColumn<QStringList>("conf");
        QTest::addColumn<int>("option");
        QTest::addColumn<double>("left");
        QTest::addColumn<int>("failure");
        const auto status = [](const char* code) {
            return QStringList { QStringLiteral("read-status-code \"%1\"").arg(QLatin1String(code)) };
        };
        QTest::newRow("input/output error")
            << status("SANE_STATUS_IO_ERROR") << 0 << 0.0 << int(device::FailureIoError);
        QTest::newRow("jammed") << status("SANE_STATUS_JAMMED") << 0 << 0.0 << int(device::FailureJammed);
        QTest::newRow("cover open") << status("SANE_STATUS_COVER_OPEN") << 0 << 0.0
                                    << int(device::FailureCoverOpen);
        QTest::newRow("no film") << status("SANE_STATUS_NO_DOCS") << 0 << 0.0 << int(device::FailureNoFilm);
        QTest::newRow("unknown height") << QStringList { QStringLiteral("hand-scanner true") } << 0 << 0.0
                                        << int(device::FailureUnknownHeight);
        QTest::newRow("area outside the device")
            << QStringList() << 0 << 9.0 << int(device::FailureAreaOutside);
        QTest::newRow("multipass") << QStringList() << int(device::kOptionMultipass) << 0.0
                                   << int(device::FailureMultipass);
    }

    // Each fault fails the scan with its reason and no complete image; the device
    // stays present and scans again once the fault is gone.
    void faults()
    {
        QFETCH(QStringList, conf);
        QFETCH(int, option);
        QFETCH(double, left);
        QFETCH(int, failure);
        link(conf);
        device::ScanOptionRecord record = scanRecord(16, 100, left, 0, left + 0.5, 0.5);
        record.dwOptionType = std::uint32_t(option);
        ScanResult scan = runScan(m_driver, record);
        QCOMPARE(scan.result, 0);
        QVERIFY(!scan.endCall);
        QCOMPARE(this->failure(), failure);
        QCOMPARE(m_driver.poll(), device::kStatusPresent);

        link({});
        QCOMPARE(runScan(m_driver, scanRecord(16, 100, 0, 0, 0.5, 0.5)).result, 1);
    }

    // The program's stop ends the scan at once, reports no fault, and the next scan works.
    void cancelInTheMiddle()
    {
        link({ QStringLiteral("test-picture \"Color pattern\"") });
        device::ScanOptionRecord record = finalRecord(100, 30, 30);
        record.ScanInfoArray[0].nMaxScanLine = 10;
        ScanResult stopped = runScan(m_driver, record, 2);
        QCOMPARE(stopped.result, 0);
        QCOMPARE(stopped.calls, 2);
        QCOMPARE(failure(), int(device::FailureNone));
        ScanResult again = runScan(m_driver, record);
        QCOMPARE(again.result, 1);
        QCOMPARE(again.linesReceived, again.height);
        QVERIFY(again.height > 100);
    }

    // Firmware and the exposure memory do not exist for a SANE device: refused, never
    // a silent success.
    void serviceCommandsRefused_data()
    {
        QTest::addColumn<int>("command");
        QTest::newRow("read parameters") << int(device::CmdGetScanParameter);
        QTest::newRow("write parameters") << int(device::CmdSetScanParameter);
        QTest::newRow("service record") << int(device::CmdServiceRecord);
        QTest::newRow("firmware") << int(device::CmdFirmwareWrite);
    }

    void serviceCommandsRefused()
    {
        QFETCH(int, command);
        link({});
        std::vector<std::uint8_t> block(device::kFirmwareBlockSize, 0);
        QCOMPARE(m_driver.call(command, block.data()), 0);
        QCOMPARE(failure(), int(device::FailureNotSupported));
    }
};

QTEST_GUILESS_MAIN(TestSaneDevice)
#include "test_sanedevice.moc"
