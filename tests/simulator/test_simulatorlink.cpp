// The simulated scanner's link, status, memory and firmware, through its C entry point.

#include "simulatordriver.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class SimulatorLinkTest : public QObject
{
    Q_OBJECT

private:
    SimulatorDriver m_driver;

    static void clearSettings()
    {
        for (const char* name :
            { "KORVANE_SIM_MODEL", "KORVANE_SIM_IMAGE", "KORVANE_SIM_FAIL_LINK", "KORVANE_SIM_FAIL_SCAN",
                "KORVANE_SIM_PRESENT_FROM_POLL", "KORVANE_SIM_KEY_POLLS", "KORVANE_SIM_UNPLUG_AFTER_POLL",
                "KORVANE_SIM_UNPLUG_AFTER_BLOCKS", "KORVANE_SIM_BLOCK_DELAY_MS", "KORVANE_SIM_STATE_DIR" })
            qunsetenv(name);
    }

    static QString memoryFile(const QString& folder)
    {
        return folder + QStringLiteral("/scanner-memory.bin");
    }

    static QString userDataFolder()
    {
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
            + QStringLiteral("/Korvane/Data");
    }

private slots:
    void initTestCase() { QVERIFY2(m_driver.load(), qPrintable(m_driver.errorString())); }
    void init() { clearSettings(); }

    void linkReportsModel_data()
    {
        QTest::addColumn<QByteArray>("setting");
        QTest::addColumn<int>("modelCode");
        QTest::newRow("default") << QByteArray() << 82;
        QTest::newRow("83") << QByteArray("83") << 83;
        QTest::newRow("84") << QByteArray("84") << 84;
        QTest::newRow("unsupported") << QByteArray("1234") << 1234;
        QTest::newRow("not a number") << QByteArray("eighty") << 82;
    }

    void linkReportsModel()
    {
        QFETCH(QByteArray, setting);
        QFETCH(int, modelCode);
        if (!setting.isEmpty())
            qputenv("KORVANE_SIM_MODEL", setting);
        device::DeviceInfoRecord info;
        QCOMPARE(m_driver.link(&info), 1);
        QCOMPARE(int(info.recordSize), 173);
        QCOMPARE(int(info.modelCode), modelCode);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&info);
        QCOMPARE(int(bytes[117] | bytes[118] << 8), modelCode);
        QCOMPARE(QByteArray(info.firmwareVersion, 4), QByteArray("2.07"));
    }

    void sessionNeedsItsBuffer()
    {
        QCOMPARE(m_driver.call(device::CmdInitialise, nullptr), 1);
        std::uint8_t session[device::kSessionBufferSize] = {};
        device::PrepareSessionRecord prepare { session, std::uint8_t(device::kSessionBufferSize) };
        QCOMPARE(m_driver.call(device::CmdPrepareSession, &prepare), 1);
        std::uint8_t other[device::kSessionBufferSize] = {};
        device::SessionRecord open {};
        open.sessionBuffer = other;
        QCOMPARE(m_driver.call(device::CmdOpenSession, &open), 0);
        QCOMPARE(m_driver.call(device::CmdActivateSession, &open), 0);
        open.sessionBuffer = session;
        QCOMPARE(m_driver.call(device::CmdOpenSession, &open), 1);
        QCOMPARE(m_driver.call(device::CmdActivateSession, &open), 1);
    }

    void failingLink()
    {
        qputenv("KORVANE_SIM_FAIL_LINK", "1");
        device::DeviceInfoRecord info;
        QCOMPARE(m_driver.link(&info), 0);
        qunsetenv("KORVANE_SIM_FAIL_LINK");
        QCOMPARE(m_driver.link(&info), 1);
    }

    void deviceInfoKeepsToItsSize()
    {
        QCOMPARE(m_driver.link(), 1);
        std::uint8_t record[device::kDeviceInfoSize + 8];
        std::memset(record, 0xAB, sizeof record);
        record[0] = 100; // a record size the device does not write
        QCOMPARE(m_driver.call(device::CmdDeviceInfo, record), 0);
        QCOMPARE(int(record[1]), 0xAB);
        record[0] = std::uint8_t(device::kDeviceInfoSize);
        QCOMPARE(m_driver.call(device::CmdDeviceInfo, record), 1);
        for (std::size_t i = device::kDeviceInfoSize; i < sizeof record; ++i)
            QCOMPARE(int(record[i]), 0xAB);
    }

    void statusPolls_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("expected"); // per poll: '-' absent, 'p' present, 'k' present with the key
        QTest::newRow("plain") << QByteArray() << QByteArray() << "pppppppp";
        QTest::newRow("present from 3")
            << QByteArray("KORVANE_SIM_PRESENT_FROM_POLL") << QByteArray("3") << "--pppppp";
        QTest::newRow("key polls") << QByteArray("KORVANE_SIM_KEY_POLLS") << QByteArray("2,4-6")
                                   << "pkpkkkpp";
        QTest::newRow("unplugged after 5")
            << QByteArray("KORVANE_SIM_UNPLUG_AFTER_POLL") << QByteArray("5") << "ppppp---";
        QTest::newRow("bad key list")
            << QByteArray("KORVANE_SIM_KEY_POLLS") << QByteArray("3-x") << "pppppppp";
    }

    void statusPolls()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, value);
        QFETCH(QString, expected);
        if (!name.isEmpty())
            qputenv(name.constData(), value);
        QCOMPARE(m_driver.link(), 1);
        QString seen;
        for (int poll = 0; poll < expected.size(); ++poll) {
            const std::uint8_t bits = m_driver.poll();
            seen += (bits & device::kStatusPresent) ? ((bits & device::kStatusScanKey) ? 'k' : 'p') : '-';
        }
        QCOMPARE(seen, expected);
    }

    void pollsCountFromEachLink()
    {
        qputenv("KORVANE_SIM_PRESENT_FROM_POLL", "2");
        QCOMPARE(m_driver.link(), 1);
        QCOMPARE(int(m_driver.poll()), 0);
        QCOMPARE(int(m_driver.poll()), int(device::kStatusPresent));
        QCOMPARE(m_driver.link(), 1);
        QCOMPARE(int(m_driver.poll()), 0);
    }

    void parametersSurviveReload()
    {
        QCOMPARE(m_driver.link(), 1);
        std::uint8_t factory[device::kScanParameterSize] = {};
        QCOMPARE(m_driver.call(device::CmdGetScanParameter, factory), 1);
        const auto* fields = reinterpret_cast<const device::ScanParameterRecord*>(factory);
        QCOMPARE(int(fields->gain[0]), 32);
        QCOMPARE(int(fields->lightness), 1);

        std::uint8_t record[device::kScanParameterSize];
        for (std::size_t i = 0; i < sizeof record; ++i)
            record[i] = std::uint8_t(i * 7 + 3);
        auto* edited = reinterpret_cast<device::ScanParameterRecord*>(record);
        edited->exposureLow[0] = 4464; // 70000 = 1 << 16 | 4464
        edited->exposureHigh[0] = 1;
        QCOMPARE(m_driver.call(device::CmdSetScanParameter, record), 1);
        QVERIFY(QFile::exists(memoryFile(userDataFolder())));

        m_driver.unload();
        QVERIFY(m_driver.load());
        QCOMPARE(m_driver.link(), 1);
        std::uint8_t read[device::kScanParameterSize] = {};
        QCOMPARE(m_driver.call(device::CmdGetScanParameter, read), 1);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(read), sizeof read),
            QByteArray(reinterpret_cast<char*>(record), sizeof record));
        QVERIFY(QFile::remove(memoryFile(userDataFolder())));
    }

    void stateFolderSetting()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString stateDir = folder.path() + QStringLiteral("/state");
        qputenv("KORVANE_SIM_STATE_DIR", QFile::encodeName(stateDir));
        QCOMPARE(m_driver.link(), 1);
        std::uint8_t record[device::kScanParameterSize] = {};
        record[15] = 3;
        QCOMPARE(m_driver.call(device::CmdSetScanParameter, record), 1);
        QVERIFY(QFile::exists(memoryFile(stateDir)));
        QVERIFY(!QFile::exists(memoryFile(userDataFolder())));

        // Back in the user's folder the factory memory is found again.
        qunsetenv("KORVANE_SIM_STATE_DIR");
        QCOMPARE(m_driver.link(), 1);
        std::uint8_t read[device::kScanParameterSize] = {};
        QCOMPARE(m_driver.call(device::CmdGetScanParameter, read), 1);
        QCOMPARE(int(read[15]), 1);
        qputenv("KORVANE_SIM_STATE_DIR", QFile::encodeName(stateDir));
        QCOMPARE(m_driver.link(), 1);
        QCOMPARE(m_driver.call(device::CmdGetScanParameter, read), 1);
        QCOMPARE(int(read[15]), 3);
    }

    void damagedMemoryGivesFactoryValues_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("short") << QByteArray("KSM1abc");
        QTest::newRow("foreign") << QByteArray(61, 'x');
    }

    void damagedMemoryGivesFactoryValues()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QFile file(memoryFile(folder.path()));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        qputenv("KORVANE_SIM_STATE_DIR", QFile::encodeName(folder.path()));
        QCOMPARE(m_driver.link(), 1);
        std::uint8_t read[device::kScanParameterSize] = {};
        QCOMPARE(m_driver.call(device::CmdGetScanParameter, read), 1);
        const auto* fields = reinterpret_cast<const device::ScanParameterRecord*>(read);
        QCOMPARE(int(fields->exposureLow[0]), 5200);
        QCOMPARE(int(fields->gain[2]), 32);
    }

    void memoryThatCannotBeWritten()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        // A file where the folder should be: nothing can be stored.
        const QString blocked = folder.path() + QStringLiteral("/blocked");
        QFile file(blocked);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        qputenv("KORVANE_SIM_STATE_DIR", QFile::encodeName(blocked));
        QCOMPARE(m_driver.link(), 1);
        std::uint8_t record[device::kScanParameterSize] = {};
        record[15] = 2;
        QCOMPARE(m_driver.call(device::CmdSetScanParameter, record), 0);
        std::uint8_t read[device::kScanParameterSize] = {};
        QCOMPARE(m_driver.call(device::CmdGetScanParameter, read), 1);
        QCOMPARE(int(read[15]), 1);
        std::vector<std::uint8_t> firmware(device::kFirmwareBlockSize, 0);
        QCOMPARE(m_driver.call(device::CmdFirmwareWrite, firmware.data()), 0);
    }

    void firmwareVersionFromNextLink()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        qputenv("KORVANE_SIM_STATE_DIR", QFile::encodeName(folder.path()));
        device::DeviceInfoRecord info;
        QCOMPARE(m_driver.link(&info), 1);
        QCOMPARE(QByteArray(info.firmwareVersion, 4), QByteArray("2.07"));

        std::vector<std::uint8_t> firmware(device::kFirmwareBlockSize, 0);
        for (std::size_t i = 0; i < firmware.size(); ++i)
            firmware[i] = std::uint8_t(i * 31);
        std::memcpy(firmware.data() + device::kFirmwareVersionOffset, "3.1a", 4);
        QCOMPARE(m_driver.call(device::CmdFirmwareWrite, firmware.data()), 1);

        info.recordSize = std::uint8_t(device::kDeviceInfoSize);
        QCOMPARE(m_driver.call(device::CmdDeviceInfo, &info), 1);
        QCOMPARE(QByteArray(info.firmwareVersion, 4), QByteArray("2.07"));
        // Parameters written before the restart must not undo the new firmware.
        std::uint8_t parameters[device::kScanParameterSize] = {};
        QCOMPARE(m_driver.call(device::CmdSetScanParameter, parameters), 1);

        QCOMPARE(m_driver.link(&info), 1);
        QCOMPARE(QByteArray(info.firmwareVersion, 4), QByteArray("3.1a"));
        QFile stored(folder.path() + QStringLiteral("/firmware.bin"));
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(),
            QByteArray(reinterpret_cast<const char*>(firmware.data()), int(firmware.size())));

        m_driver.unload();
        QVERIFY(m_driver.load());
        QCOMPARE(m_driver.link(&info), 1);
        QCOMPARE(QByteArray(info.firmwareVersion, 4), QByteArray("3.1a"));
    }

    void serviceRecordAccepted()
    {
        QCOMPARE(m_driver.link(), 1);
        std::uint8_t record[device::kScanParameterSize] = {};
        QCOMPARE(m_driver.call(device::CmdServiceRecord, record), 1);
    }

    void nullRecordsRefused_data()
    {
        QTest::addColumn<int>("command");
        for (int command : { device::CmdPrepareSession, device::CmdOpenSession, device::CmdActivateSession,
                 device::CmdDeviceInfo, device::CmdStatus, device::CmdScan, device::CmdReadBalance,
                 device::CmdGetScanParameter, device::CmdSetScanParameter, device::CmdFirmwareWrite })
            QTest::newRow(qPrintable(QString::number(command))) << command;
        QTest::newRow("unknown command") << 999;
    }

    void nullRecordsRefused()
    {
        QFETCH(int, command);
        QCOMPARE(m_driver.link(), 1);
        QCOMPARE(m_driver.call(command, nullptr), 0);
    }
};

QTEST_GUILESS_MAIN(SimulatorLinkTest)
#include "test_simulatorlink.moc"
