// The scanners there are to choose from, the remembered choice, and the worker
// letting go of one scanner to link another.
#include "scannerchoice.h"
#include "scannerlist.h"
#include "scannersdk.h"
#include "simulatorsettings.h"
#include "workersignals.h"

#include <QTemporaryDir>
#include <QtTest>

namespace
{

constexpr int kWaitMs = 5000;

QString saneLibraryInProgramFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/korvane-sane.so");
}

// A SANE configuration that offers only the test backend's devices.
bool writeSaneTestConfig(const QTemporaryDir& dir)
{
    QFile dll(dir.filePath(QStringLiteral("dll.conf")));
    if (!dll.open(QIODevice::WriteOnly))
        return false;
    dll.write("test\n");
    return true;
}

} // namespace

class TestScannerList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void deviceListLines_data();
    void deviceListLines();
    void labelsNameTheDevice_data();
    void labelsNameTheDevice();
    void simulatorIsFirstAndFoundUnderBothNames();
    void listingFromTheLibrary_data();
    void listingFromTheLibrary();
    void choiceDefaultsToTheSimulatorAndIsKept();

    void relinkAfterAFailedLinkStartsTheWorkerAgain();
    void relinkWhileLinkedAnnouncesTheScannerAgain();
    void saneTestDeviceIsListedAndLinks();

private:
    QTemporaryDir m_stateDir;
};

void TestScannerList::initTestCase()
{
    QVERIFY(m_stateDir.isValid());
    STImage::registerMetaType();
}

void TestScannerList::init()
{
    SimulatorSettings::reset(m_stateDir.path().toLocal8Bit().constData());
    ScannerSDK::forgetDeviceSeenForTests();
    QFile::remove(ScannerChoice::filePath());
}

void TestScannerList::deviceListLines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("models");

    QTest::newRow("two devices") << QByteArray("test:0\tNoname\tfrontend-tester\tvirtual device\n"
                                               "genesys:libusb:001:004\tCanon\tLiDE 210\tflatbed scanner\n")
                                 << QStringList({ "test:0", "genesys:libusb:001:004" })
                                 << QStringList({ "frontend-tester", "LiDE 210" });
    QTest::newRow("last line without newline") << QByteArray("a:0\tV\tM\tT\nb:1\tV\tN\tT")
                                               << QStringList({ "a:0", "b:1" }) << QStringList({ "M", "N" });
    QTest::newRow("empty list") << QByteArray() << QStringList() << QStringList();
    QTest::newRow("short and nameless lines are left out")
        << QByteArray("short:0\tV\tM\n\tV\tM\tT\n   \tV\tM\tT\nok:0\tV\tM\tT\n") << QStringList({ "ok:0" })
        << QStringList({ "M" });
    QTest::newRow("a device called like the simulator is left out")
        << QByteArray("simulator\tV\tM\tT\nok:0\tV\tM\tT\n") << QStringList({ "ok:0" })
        << QStringList({ "M" });
    QTest::newRow("UTF-8 and a carriage return")
        << QByteArray("pixma:04A9\tCan\xc3\xb6n\tMod\xc3\xa9l\tfilm scanner\r\n")
        << QStringList({ "pixma:04A9" }) << QStringList({ QString::fromUtf8("Mod\xc3\xa9l") });
}

void TestScannerList::deviceListLines()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, names);
    QFETCH(QStringList, models);
    const QVector<ScannerEntry> devices = ScannerList::parseDeviceList(text);
    QStringList gotNames;
    QStringList gotModels;
    for (const ScannerEntry& entry : devices) {
        gotNames << entry.name;
        gotModels << entry.model;
    }
    QCOMPARE(gotNames, names);
    QCOMPARE(gotModels, models);
}

void TestScannerList::labelsNameTheDevice_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("vendor");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("label");
    QTest::newRow("full") << "test:0"
                          << "Noname"
                          << "frontend-tester"
                          << "virtual device"
                          << "Noname frontend-tester (virtual device) - test:0";
    QTest::newRow("no type") << "a:0"
                             << "V"
                             << "M"
                             << ""
                             << "V M - a:0";
    QTest::newRow("nothing but the name") << "a:0"
                                          << ""
                                          << ""
                                          << ""
                                          << "a:0";
    QTest::newRow("simulator") << "simulator"
                               << ""
                               << ""
                               << ""
                               << "Simulated scanner (built in)";
}

void TestScannerList::labelsNameTheDevice()
{
    QFETCH(QString, name);
    QFETCH(QString, vendor);
    QFETCH(QString, model);
    QFETCH(QString, type);
    QFETCH(QString, label);
    QCOMPARE((ScannerEntry { name, vendor, model, type }.label()), label);
}

void TestScannerList::simulatorIsFirstAndFoundUnderBothNames()
{
    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    const ScannerList list(empty.path());
    QCOMPARE(list.scanners().size(), 1);
    QVERIFY(list.scanners().at(0).isSimulator());
    QVERIFY(!list.hasSaneDevices());
    QCOMPARE(list.indexOf(QStringLiteral("simulator")), 0);
    QCOMPARE(list.indexOf(QString()), 0);
    QCOMPARE(list.indexOf(QStringLiteral("test:0")), -1);
}

void TestScannerList::listingFromTheLibrary_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("two devices") << QByteArray(
        "test:0\tNoname\tfrontend-tester\tvirtual device\ntest:1\tN\tM\tT\n")
                                 << false << QStringList({ "simulator", "test:0", "test:1" });
    QTest::newRow("none") << QByteArray() << false << QStringList({ "simulator" });
    QTest::newRow("the library fails")
        << QByteArray("test:0\tN\tM\tT\n") << true << QStringList({ "simulator" });
}

void TestScannerList::listingFromTheLibrary()
{
    QFETCH(QByteArray, list);
    QFETCH(bool, refuse);
    QFETCH(QStringList, names);
    qputenv("KORVANE_FAKE_SANE_LIST", list);
    if (refuse)
        qputenv("KORVANE_FAKE_SANE_REFUSE", "1");
    const ScannerList scanners(QStringLiteral(FAKE_SANE_DIR));
    qunsetenv("KORVANE_FAKE_SANE_LIST");
    qunsetenv("KORVANE_FAKE_SANE_REFUSE");
    QStringList got;
    for (const ScannerEntry& entry : scanners.scanners())
        got << entry.name;
    QCOMPARE(got, names);
    QCOMPARE(scanners.hasSaneDevices(), names.size() > 1);
    if (names.size() > 2)
        QCOMPARE(scanners.indexOf(QStringLiteral("test:1")), 2);
}

void TestScannerList::choiceDefaultsToTheSimulatorAndIsKept()
{
    QVERIFY(!ScannerChoice::isStored());
    QCOMPARE(ScannerChoice::stored(), QStringLiteral("simulator"));
    QVERIFY(ScannerChoice::store(QStringLiteral("test:0")));
    QVERIFY(ScannerChoice::isStored());
    QCOMPARE(ScannerChoice::stored(), QStringLiteral("test:0"));
    // A file without a usable name is the simulator, but still a choice made.
    QVERIFY(ScannerChoice::store(QStringLiteral("  ")));
    QVERIFY(ScannerChoice::isStored());
    QCOMPARE(ScannerChoice::stored(), QStringLiteral("simulator"));
}

void TestScannerList::relinkAfterAFailedLinkStartsTheWorkerAgain()
{
    ScannerSDK sdk;
    WorkerSignals events(&sdk);
    QSignalSpy ready(&events, &WorkerSignals::linkReady);
    QSignalSpy failure(&events, &WorkerSignals::linkFailure);
    QSignalSpy inquiry(&events, &WorkerSignals::inquiry);

    // No SANE device has this name, with or without the SANE device library.
    sdk.setScannerName(QStringLiteral("nosuchbackend:0"));
    sdk.startLink();
    QVERIFY(failure.wait(kWaitMs));
    QVERIFY(sdk.wait(kWaitMs));
    QVERIFY(!sdk.isLinked());
    QCOMPARE(ready.count(), 0);

    sdk.relink(QStringLiteral("simulator"));
    QVERIFY(ready.wait(kWaitMs));
    QVERIFY(sdk.isLinked());
    QVERIFY(sdk.isRunning());
    QCOMPARE(inquiry.count(), 1);
    QCOMPARE(sdk.scannerName(), QStringLiteral("simulator"));
    QVERIFY(sdk.device().isSimulator());
}

void TestScannerList::relinkWhileLinkedAnnouncesTheScannerAgain()
{
    ScannerSDK sdk;
    WorkerSignals events(&sdk);
    QSignalSpy ready(&events, &WorkerSignals::linkReady);
    QSignalSpy failure(&events, &WorkerSignals::linkFailure);
    QSignalSpy disconnected(&events, &WorkerSignals::disconnected);
    sdk.startLink();
    QVERIFY(ready.wait(kWaitMs));

    // A scanner that does not link: the old one is let go, the loop ends, and no
    // disconnect is reported for a scanner the user left on purpose.
    sdk.relink(QStringLiteral("nosuchbackend:0"));
    QVERIFY(failure.wait(kWaitMs));
    QVERIFY(sdk.wait(kWaitMs));
    QVERIFY(!sdk.isLinked());

    sdk.relink(QStringLiteral("simulator"));
    QVERIFY(ready.wait(kWaitMs));
    // And a relink from a linked simulator to itself is announced again too.
    sdk.relink(QStringLiteral("simulator"));
    QVERIFY(ready.wait(kWaitMs));
    QCOMPARE(ready.count(), 3);
    QCOMPARE(failure.count(), 1);
    QCOMPARE(disconnected.count(), 0);
    QVERIFY(sdk.isLinked());

    // The relinked scanner scans.
    QSignalSpy prescan(&events, &WorkerSignals::preScan);
    sdk.settings = ScanProfile();
    QVERIFY(sdk.requestPrescan());
    QVERIFY(prescan.wait(30000));
    QVERIFY(prescan.at(0).at(0).value<STImage>().width() > 0);
}

void TestScannerList::saneTestDeviceIsListedAndLinks()
{
    if (!QFileInfo::exists(saneLibraryInProgramFolder()))
        QSKIP("the SANE device library is not built beside the program");
    QTemporaryDir config;
    QVERIFY(config.isValid());
    QVERIFY(writeSaneTestConfig(config));
    qputenv("SANE_CONFIG_DIR", config.path().toLocal8Bit());

    const ScannerList list;
    QVERIFY(list.hasSaneDevices());
    QVERIFY(list.indexOf(QStringLiteral("test:0")) > 0);

    ScannerSDK sdk;
    WorkerSignals events(&sdk);
    QSignalSpy ready(&events, &WorkerSignals::linkReady);
    sdk.setScannerName(QStringLiteral("test:0"));
    sdk.startLink();
    QVERIFY(ready.wait(kWaitMs));
    QVERIFY(!sdk.device().isSimulator());
    // Back to the simulator without a restart.
    sdk.relink(QStringLiteral("simulator"));
    QVERIFY(ready.wait(kWaitMs));
    QVERIFY(sdk.device().isSimulator());
    qunsetenv("SANE_CONFIG_DIR");
}

QTEST_GUILESS_MAIN(TestScannerList)
#include "test_scannerlist.moc"
