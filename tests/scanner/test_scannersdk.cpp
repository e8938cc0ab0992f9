#include "scannersdk.h"
#include "workersignals.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include "simulatorsettings.h"

#include <memory>

namespace
{

constexpr int kWaitMs = 5000;

// A firmware file: the version sits at byte 96 of the block.
QByteArray firmwareImage(const char* version)
{
    QByteArray bytes(4096, '\x5a');
    bytes.replace(96, 4, QByteArray(version, 4));
    return bytes;
}

} // namespace

class TestScannerSDK : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void firstPollJudgesTheModel_data();
    void firstPollJudgesTheModel();
    void failedLinkEndsTheThreadAfterAPause_data();
    void failedLinkEndsTheThreadAfterAPause();
    void absentDeviceLinksSilentlyUntilPresent();
    void heldScanKeyGivesOneSignalPerPoll();
    void unplugGivesOneDisconnectAndEndsTheThread();
    void seenMarkIsProcessWide();
    void requestsNeedALink();
    void transformKeepsOnlyTheOrientation();
    void firmwareWriteSucceeds();
    void failedFirmwareWriteIsReported();

    void parameterReadScansOnceFirst();
    void parameterWriteReachesTheDevice();
    void requestSetDuringAHandlerIsKept();
    void cancelStopsASlowScan();
    void destructionCancelsAScanAndJoins();
    void idleDestructionIsPrompt();

private:
    // Links the worker and waits for the first poll's announcement.
    void linkAndWaitReady(ScannerSDK& sdk, WorkerSignals& events);

    QTemporaryDir m_stateDir;
};

void TestScannerSDK::initTestCase()
{
    QVERIFY(m_stateDir.isValid());
    STImage::registerMetaType();
}

void TestScannerSDK::init()
{
    SimulatorSettings::reset(m_stateDir.path().toLocal8Bit().constData());
    ScannerSDK::forgetDeviceSeenForTests();
}

void TestScannerSDK::linkAndWaitReady(ScannerSDK& sdk, WorkerSignals& events)
{
    QSignalSpy ready(&events, &WorkerSignals::linkReady);
    sdk.startLink();
    QVERIFY(ready.wait(kWaitMs));
    QVERIFY(sdk.isLinked());
}

void TestScannerSDK::firstPollJudgesTheModel_data()
{
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<bool>("supported");
    QTest::newRow("82") << QByteArray("82") << true;
    QTest::newRow("83") << QByteArray("83") << true;
    QTest::newRow("84") << QByteArray("84") << true;
    QTest::newRow("85") << QByteArray("85") << false;
}

void TestScannerSDK::firstPollJudgesTheModel()
{
    QFETCH(QByteArray, model);
    QFETCH(bool, supported);
    qputenv("KORVANE_SIM_MODEL", model);

    ScannerSDK sdk;
    WorkerSignals events(&sdk);
    QSignalSpy ready(&events, &WorkerSignals::linkReady);
    QSignalSpy failure(&events, &WorkerSignals::linkFailure);
    QSignalSpy inquiry(&events, &WorkerSignals::inquiry);
    sdk.startLink();

    if (supported) {
        QVERIFY(ready.wait(kWaitMs));
        QCOMPARE(events.order, (QStringList { "inquiry", "ready" }));
        QCOMPARE(inquiry.count(), 1);
        const QByteArray info = inquiry.at(0).at(0).toByteArray();
        QCOMPARE(info.size(), 173);
        QCOMPARE(int(quint8(info[0])), 173);
        QCOMPARE(NVAScanner::modelCode(info), model.toInt());
        QVERIFY(sdk.isLinked());
        QVERIFY(sdk.isRunning());
        QVERIFY(ScannerSDK::deviceSeen());
    } else {
        QVERIFY(failure.wait(kWaitMs));
        QVERIFY(sdk.wait(kWaitMs));
        QCOMPARE(events.order, QStringList { "failure" });
        QVERIFY(!sdk.isLinked());
        QVERIFY(!sdk.keepRunning());
    }
}

void TestScannerSDK::failedLinkEndsTheThreadAfterAPause_data()
{
    QTest::addColumn<bool>("missingLibrary");
    QTest::newRow("missing library") << true;
    QTest::newRow("device refuses the link") << false;
}

void TestScannerSDK::failedLinkEndsTheThreadAfterAPause()
{
    QFETCH(bool, missingLibrary);
    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    if (!missingLibrary)
        qputenv("KORVANE_SIM_FAIL_LINK", "1");

    ScannerSDK sdk;
    if (missingLibrary)
        sdk.device().setLibraryFolder(empty.path());
    WorkerSignals events(&sdk);
    QSignalSpy failure(&events, &WorkerSignals::linkFailure);
    QElapsedTimer clock;
    clock.start();
    sdk.startLink();
    QVERIFY(failure.wait(kWaitMs));
    QVERIFY2(clock.elapsed() >= 950, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(sdk.wait(kWaitMs));
    QCOMPARE(events.order, QStringList { "failure" });
    QVERIFY(!sdk.isLinked());
}

void TestScannerSDK::absentDeviceLinksSilentlyUntilPresent()
{
    qputenv("KORVANE_SIM_PRESENT_FROM_POLL", "3");
    ScannerSDK sdk;
    WorkerSignals events(&sdk);
    QSignalSpy ready(&events, &WorkerSignals::linkReady);
    sdk.startLink();
    QVERIFY(ready.wait(kWaitMs));
    // Two polls found nothing, 500 ms apart; neither said anything.
    QCOMPARE(events.order, (QStringList { "inquiry", "ready" }));
    QVERIFY2(events.times.last() >= 900, qPrintable(QString::number(events.times.last())));
    QVERIFY(sdk.isRunning());
}

void TestScannerSDK::heldScanKeyGivesOneSignalPerPoll()
{
    qputenv("KORVANE_SIM_KEY_POLLS", "2-3");
    ScannerSDK sdk;
    WorkerSignals events(&sdk);
    QSignalSpy key(&events, &WorkerSignals::scanKey);
    linkAndWaitReady(sdk, events);
    while (key.count() < 2)
        QVERIFY(key.wait(kWaitMs));
    // The key is up again from poll 4: nothing more comes.
    QVERIFY(!key.wait(800));
    QCOMPARE(key.count(), 2);
    QCOMPARE(events.order, (QStringList { "inquiry", "ready", "key", "key" }));
    QVERIFY2(events.times[3] - events.times[2] >= 400, "one key signal per poll");
}

void TestScannerSDK::unplugGivesOneDisconnectAndEndsTheThread()
{
    qputenv("KORVANE_SIM_UNPLUG_AFTER_POLL", "2");
    ScannerSDK sdk;
    WorkerSignals events(&sdk);
    QSignalSpy disconnected(&events, &WorkerSignals::disconnected);
    linkAndWaitReady(sdk, events);
    QVERIFY(disconnected.wait(kWaitMs));
    QVERIFY(sdk.wait(kWaitMs));
    QVERIFY(!disconnected.wait(300));
    QCOMPARE(disconnected.count(), 1);
    QCOMPARE(events.order, (QStringList { "inquiry", "ready", "disconnect" }));
    QVERIFY(!sdk.isLinked());
    QVERIFY(!sdk.keepRunning());
}

void TestScannerSDK::seenMarkIsProcessWide()
{
    {
        ScannerSDK first;
        WorkerSignals events(&first);
        linkAndWaitReady(first, events);
    }
    // A second worker in the same process does not announce the scanner again, but
    // still notices it going away.
    qputenv("KORVANE_SIM_UNPLUG_AFTER_POLL", "2");
    ScannerSDK second;
    WorkerSignals events(&second);
    QSignalSpy disconnected(&events, &WorkerSignals::disconnected);
    second.startLink();
    QVERIFY(disconnected.wait(kWaitMs));
    QVERIFY(second.wait(kWaitMs));
    QCOMPARE(events.order, QStringList { "disconnect" });
}

void TestScannerSDK::requestsNeedALink()
{
    ScannerSDK sdk;
    QVERIFY(!sdk.requestPrescan());
    QVERIFY(!sdk.requestScan());
    QVERIFY(!sdk.requestScanParameter());
    QVERIFY(!sdk.requestSetScanParameter(QByteArray(53, '\0')));
    QVERIFY(!sdk.scanRunning());

    WorkerSignals events(&sdk);
    linkAndWaitReady(sdk, events);
    // A record the device would read past the end of is refused.
    QVERIFY(!sdk.requestSetScanParameter(QByteArray(52, '\0')));
    QCOMPARE(sdk.request(), int(ScannerSDK::RequestPoll));
}

void TestScannerSDK::firmwareWriteSucceeds()
{
    ScannerSDK sdk;
    sdk.setFirmwareSettleTime(50);
    WorkerSignals events(&sdk);
    QSignalSpy done(&events, &WorkerSignals::firmwareDone);
    linkAndWaitReady(sdk, events);

    sdk.requestFirmwareUpdate(firmwareImage("2.10"));
    QVERIFY(done.wait(kWaitMs));
    QCOMPARE(events.order, (QStringList { "inquiry", "ready", "firmwareDone" }));
    QVERIFY(sdk.isLinked());
    QTRY_COMPARE_WITH_TIMEOUT(sdk.request(), int(ScannerSDK::RequestPoll), kWaitMs);
}

void TestScannerSDK::failedFirmwareWriteIsReported()
{
    // The simulated device cannot store anything in a folder below a plain file.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile blocker(dir.filePath("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("KORVANE_SIM_STATE_DIR", dir.filePath("blocker/state").toLocal8Bit());

    ScannerSDK sdk;
    WorkerSignals events(&sdk);
    QSignalSpy failed(&events, &WorkerSignals::firmwareFailed);
    linkAndWaitReady(sdk, events);

    // Asked again from inside the failure, the worker is no longer linked: it
    // refuses that request too and carries on with its loop.
    int asked = 0;
    connect(
        &sdk, &ScannerSDK::scannerFWUpdateFailure_s, &sdk,
        [&sdk, &asked] {
            if (asked++ == 0)
                sdk.requestFirmwareUpdate(firmwareImage("2.11"));
        },
        Qt::DirectConnection);
    sdk.requestFirmwareUpdate(firmwareImage("2.10"));
    QVERIFY(failed.wait(kWaitMs));
    QVERIFY(!sdk.isLinked());
    if (failed.count() < 2)
        QVERIFY(failed.wait(kWaitMs));
    QVERIFY(sdk.keepRunning());
    // The next poll finds the worker unlinked and ends the loop.
    QVERIFY(sdk.wait(kWaitMs));
    QCOMPARE(events.order, (QStringList { "inquiry", "ready", "firmwareFailed", "firmwareFailed" }));
}

void TestScannerSDK::transformKeepsOnlyTheOrientation()
{
    ScannerSDK sdk;
    QCOMPARE(sdk.transform().scale(), 1.0);
    ImageTransform transform;
    transform.setScale(2.5);
    transform.setRotation(270);
    transform.setMirror(true);
    transform.setCropRect(QRectF(1, 2, 3, 4));
    sdk.setTransform(transform);
    QCOMPARE(sdk.transform().scale(), 1.0);
    QCOMPARE(sdk.transform().rotation(), 270);
    QVERIFY(sdk.transform().mirror());
    QVERIFY(!sdk.transform().flip());
    QCOMPARE(sdk.transform().cropRect(), QRectF(1, 2, 3, 4));
}

void TestScannerSDK::parameterReadScansOnceFirst()
{
    ScannerSDK sdk;
    WorkerSignals events(&sdk);
    QSignalSpy got(&events, &WorkerSignals::gotParameters);
    linkAndWaitReady(sdk, events);
    QCOMPARE(sdk.device().lineWidth(), 0);

    QVERIFY(sdk.requestScanParameter());
    QVERIFY(got.wait(kWaitMs));
    QCOMPARE(got.at(0).at(0).toByteArray().size(), 53);
    // The scan the read ran first delivered the whole prescan window at 300 dpi.
    QVERIFY(sdk.device().lineWidth() > 400);
    QVERIFY(sdk.device().lineHeight() > 250);
    QCOMPARE(sdk.device().bytesDelivered(), sdk.device().lineBuffer().size());
    QTRY_COMPARE_WITH_TIMEOUT(sdk.request(), int(ScannerSDK::RequestPoll), kWaitMs);
}

void TestScannerSDK::parameterWriteReachesTheDevice()
{
    ScannerSDK sdk;
    WorkerSignals events(&sdk);
    QSignalSpy got(&events, &WorkerSignals::gotParameters);
    QSignalSpy set(&events, &WorkerSignals::setParameters);
    linkAndWaitReady(sdk, events);

    QVERIFY(sdk.requestScanParameter());
    QVERIFY(got.wait(kWaitMs));
    QByteArray record = got.at(0).at(0).toByteArray();
    record[13] = char(42); // green gain
    record[15] = char(9); // lightness
    QVERIFY(sdk.requestSetScanParameter(record));
    QVERIFY(set.wait(kWaitMs));

    QVERIFY(sdk.requestScanParameter());
    QVERIFY(got.wait(kWaitMs));
    QCOMPARE(got.at(1).at(0).toByteArray(), record);
}

void TestScannerSDK::requestSetDuringAHandlerIsKept()
{
    ScannerSDK sdk;
    WorkerSignals events(&sdk);
    QSignalSpy set(&events, &WorkerSignals::setParameters);
    linkAndWaitReady(sdk, events);

    // Set the next request from inside the read handler, after its result and before
    // the worker returns to the poll: the moment a plain reset to 2 would lose it.
    QByteArray handedOver;
    connect(
        &sdk, &ScannerSDK::scannerGetScanParameter_s, &sdk,
        [&sdk, &handedOver](const QByteArray& record) {
            handedOver = record;
            sdk.requestSetScanParameter(record);
        },
        Qt::DirectConnection);
    QVERIFY(sdk.requestScanParameter());
    QVERIFY(set.wait(kWaitMs));
    QCOMPARE(handedOver.size(), 53);
    QCOMPARE(events.order, (QStringList { "inquiry", "ready", "getParameters", "setParameters" }));
}

void TestScannerSDK::cancelStopsASlowScan()
{
    // Two blocks of a second each; the first is still on its way when the cancel comes.
    qputenv("KORVANE_SIM_BLOCK_DELAY_MS", "1000");
    ScannerSDK sdk;
    WorkerSignals events(&sdk);
    QSignalSpy got(&events, &WorkerSignals::gotParameters);
    linkAndWaitReady(sdk, events);

    // With the running flag down, the wrapper's flag goes up exactly when the
    // parameter read's scan starts.
    sdk.setScanRunning(false);
    QVERIFY(sdk.requestScanParameter());
    QTRY_VERIFY_WITH_TIMEOUT(sdk.device().isRunning(), kWaitMs);
    QElapsedTimer clock;
    clock.start();
    QTest::ignoreMessage(QtDebugMsg, "Running false"); // the callback saw the cancel
    sdk.setScanRunning(false);

    QVERIFY(got.wait(kWaitMs));
    // The library stopped at its first block instead of delivering both.
    QVERIFY2(clock.elapsed() < 1900, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(sdk.device().bytesDelivered(), std::size_t(0));
    QVERIFY(!sdk.device().isRunning());
}

void TestScannerSDK::destructionCancelsAScanAndJoins()
{
    qputenv("KORVANE_SIM_BLOCK_DELAY_MS", "1500");
    auto sdk = std::make_unique<ScannerSDK>();
    auto events = std::make_unique<WorkerSignals>(sdk.get());
    linkAndWaitReady(*sdk, *events);
    sdk->setScanRunning(false);
    QVERIFY(sdk->requestScanParameter());
    QTRY_VERIFY_WITH_TIMEOUT(sdk->device().isRunning(), kWaitMs);

    QElapsedTimer clock;
    clock.start();
    QTest::ignoreMessage(QtDebugMsg, "Running false");
    sdk.reset();
    // Joined once the library returned from the stopped scan, well before both
    // blocks (3 s) would have arrived.
    QVERIFY2(clock.elapsed() < 2600, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(NVAScanner::instance() == nullptr);
}

void TestScannerSDK::idleDestructionIsPrompt()
{
    auto sdk = std::make_unique<ScannerSDK>();
    auto events = std::make_unique<WorkerSignals>(sdk.get());
    // Right after the announcement the worker has just begun its 500 ms idle pause.
    linkAndWaitReady(*sdk, *events);
    QElapsedTimer clock;
    clock.start();
    sdk.reset();
    // The pause wakes at once instead of running out.
    QVERIFY2(clock.elapsed() < 250, qPrintable(QString::number(clock.elapsed())));
}

QTEST_GUILESS_MAIN(TestScannerSDK)
#include "test_scannersdk.moc"
