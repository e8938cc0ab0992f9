// Requests handed to the worker by value, and the failure signal of prescans and
// scans, against the simulated scanner.

#include "scannersdk.h"
#include "workersignals.h"

#include <servicemodes.h>
#include <userfolders.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "simulatorsettings.h"

#include <algorithm>
#include <tiffio.h>
#include <unistd.h>

namespace
{

constexpr int kWaitMs = 20000;

ScanProfile profileIn(const QString& folder, int resolution)
{
    ScanProfile profile;
    SlideSettings slide = profile.slideSettings();
    slide.directory = folder;
    slide.prefix = QStringLiteral("Image");
    slide.resolution = resolution;
    slide.colourDepth = 1; // 8 bits: small files
    slide.fileFormat = 0;
    profile.setSlideSettings(slide);
    return profile;
}

QSize tiffSize(const QString& path)
{
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tiff)
        return QSize();
    uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFClose(tiff);
    return QSize(int(width), int(height));
}

// The red gain of the last final-scan record the engineer mode dumped.
QString dumpedRedGain()
{
    QDirIterator files(UserFolders::userFolder(QStringLiteral("Korvane")) + QStringLiteral("/Debug"),
        { QStringLiteral("scan_option.txt") }, QDir::Files, QDirIterator::Subdirectories);
    QString newest;
    while (files.hasNext()) {
        const QString path = files.next();
        if (newest.isEmpty() || QFileInfo(path).lastModified() > QFileInfo(newest).lastModified())
            newest = path;
    }
    QFile file(newest);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QStringLiteral("<no dump>");
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.contains(QLatin1String("wGainFactorR")))
            return line.section(QLatin1Char('='), 1).trimmed();
    }
    return QStringLiteral("<no gain>");
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot);
}

} // namespace

class TestScanRequests : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void laterWritesNeverReachARunningScan_data();
    void laterWritesNeverReachARunningScan();
    void failuresEndInOneOutcomeAfterTheResult_data();
    void failuresEndInOneOutcomeAfterTheResult();
    void progressFollowsTheLines_data();
    void progressFollowsTheLines();

private:
    void link(ScannerSDK& sdk, WorkerSignals& events);

    QTemporaryDir m_stateDir;
    QTemporaryDir m_output;
};

void TestScanRequests::initTestCase()
{
    QVERIFY(m_stateDir.isValid());
    QVERIFY(m_output.isValid());
    STImage::registerMetaType();
}

void TestScanRequests::init()
{
    SimulatorSettings::reset(m_stateDir.path().toLocal8Bit().constData());
    ScannerSDK::forgetDeviceSeenForTests();
}

void TestScanRequests::cleanup()
{
    ServiceModes& modes = ServiceModes::instance();
    modes.setEngineerMode(false);
    for (ServiceModes::Channel channel : { ServiceModes::Red, ServiceModes::Green, ServiceModes::Blue })
        modes.setGainFactor(channel, 100);
}

void TestScanRequests::link(ScannerSDK& sdk, WorkerSignals& events)
{
    QSignalSpy ready(&events, &WorkerSignals::linkReady);
    sdk.startLink();
    QVERIFY(ready.wait(kWaitMs));
}

void TestScanRequests::laterWritesNeverReachARunningScan_data()
{
    QTest::addColumn<bool>("cancelFirst");
    QTest::newRow("first scan runs on") << false;
    QTest::newRow("first scan cancelled") << true;
}

// The form writes a new profile, area, transform and engineer gains and requests
// again while the first scan is still in the library: the first keeps its own values
// (or stays cancelled), the second runs with the new ones.
void TestScanRequests::laterWritesNeverReachARunningScan()
{
    QFETCH(bool, cancelFirst);
    qputenv("KORVANE_SIM_BLOCK_DELAY_MS", "700");
    const QString firstFolder = m_output.path() + QStringLiteral("/first-") + QTest::currentDataTag();
    const QString secondFolder = m_output.path() + QStringLiteral("/second-") + QTest::currentDataTag();
    QVERIFY(QDir().mkpath(firstFolder));
    QVERIFY(QDir().mkpath(secondFolder));
    ServiceModes& modes = ServiceModes::instance();
    modes.setEngineerMode(true);

    ScannerSDK sdk;
    WorkerSignals events(&sdk);
    QSignalSpy results(&events, &WorkerSignals::scanImage);
    QSignalSpy progress(&events, &WorkerSignals::progress);
    link(sdk, events);

    // 1800 dpi, 0.2 x 0.1 inches, not turned, red gain 50.
    modes.setGainFactor(ServiceModes::Red, 50);
    sdk.settings = profileIn(firstFolder, 1);
    sdk.setScanArea({ 0.2, 0.1, 0.2, 0.1 });
    sdk.setTransform(ImageTransform());
    QVERIFY(sdk.requestScan());
    QVERIFY(progress.wait(kWaitMs)); // its handler has begun
    QCOMPARE(progress.at(0).at(0).toInt(), 0);
    if (cancelFirst) {
        QTest::ignoreMessage(QtDebugMsg, "Running false"); // the callback stopped the library
        sdk.setScanRunning(false);
    }

    // 3600 dpi, 0.1 x 0.15 inches, a quarter turn, red gain 120.
    modes.setGainFactor(ServiceModes::Red, 120);
    sdk.settings = profileIn(secondFolder, 0);
    sdk.setScanArea({ 0.3, 0.2, 0.1, 0.15 });
    ImageTransform turned;
    turned.setRotation(90);
    sdk.setTransform(turned);
    QVERIFY(sdk.requestScan());

    QVERIFY(results.wait(kWaitMs));
    const QString first = results.at(0).at(0).toString();
    if (cancelFirst) {
        QCOMPARE(first, QString());
        QVERIFY(filesIn(firstFolder).isEmpty());
    } else {
        QVERIFY2(first.startsWith(firstFolder), qPrintable(first));
        QCOMPARE(tiffSize(first), QSize(360, 180));
        // Read before the second scan, slowed down as much, has dumped its own.
        QCOMPARE(dumpedRedGain(), QStringLiteral("50"));
    }

    if (results.count() < 2)
        QVERIFY(results.wait(kWaitMs));
    const QString second = results.at(1).at(0).toString();
    QVERIFY2(second.startsWith(secondFolder), qPrintable(second));
    QCOMPARE(tiffSize(second), QSize(540, 360));
    QCOMPARE(dumpedRedGain(), QStringLiteral("120"));
    QVERIFY(!events.order.contains(QStringLiteral("requestFailed")));
    QCOMPARE(results.count(), 2);
}

void TestScanRequests::failuresEndInOneOutcomeAfterTheResult_data()
{
    QTest::addColumn<int>("request");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("cause"); // empty: no failure signal at all

    const QString unusable = QStringLiteral("the folder does not exist or cannot be written");
    QTest::newRow("missing folder") << 1 << "missing" << unusable;
    QTest::newRow("folder is a file") << 1 << "file" << unusable;
    QTest::newRow("read-only folder") << 1 << "read-only" << unusable;
    QTest::newRow("every number taken") << 1 << "taken"
                                        << "every file number from 0001 to 9998 is taken";
    QTest::newRow("scanner fails the scan") << 1 << "fail"
                                            << "The scanner did not deliver the scan.";
    QTest::newRow("scanner fails the prescan") << 0 << "fail"
                                               << "The scanner did not deliver the prescan.";
    QTest::newRow("cancelled scan") << 1 << "cancel" << QString();
    QTest::newRow("cancelled prescan") << 0 << "cancel" << QString();
}

void TestScanRequests::failuresEndInOneOutcomeAfterTheResult()
{
    QFETCH(int, request);
    QFETCH(QString, setup);
    QFETCH(QString, cause);

    QString folder = m_output.path() + QLatin1Char('/') + QTest::currentDataTag();
    if (setup == QLatin1String("missing")) {
        folder += QStringLiteral("/not here");
    } else if (setup == QLatin1String("file")) {
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else {
        QVERIFY(QDir().mkpath(folder));
    }
    if (setup == QLatin1String("read-only")) {
        if (::geteuid() == 0)
            QSKIP("the superuser writes into a read-only folder");
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    }
    if (setup == QLatin1String("taken")) {
        for (int n = 1; n <= 9998; ++n) {
            QFile file(folder + QStringLiteral("/Image%1.tif").arg(n, 4, 10, QLatin1Char('0')));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }
    if (setup == QLatin1String("fail"))
        qputenv("KORVANE_SIM_FAIL_SCAN", "1");
    if (setup == QLatin1String("cancel"))
        qputenv("KORVANE_SIM_BLOCK_DELAY_MS", "1000");

    ScannerSDK sdk;
    WorkerSignals events(&sdk);
    QSignalSpy failed(&events, &WorkerSignals::requestFailed);
    QSignalSpy scanned(&events, &WorkerSignals::scanImage);
    QSignalSpy prescanned(&events, &WorkerSignals::preScan);
    QSignalSpy progress(&events, &WorkerSignals::progress);
    QList<RequestOutcome> outcomes;
    connect(&events, &WorkerSignals::ended, this, [&outcomes](const RequestOutcome& o) { outcomes << o; });
    link(sdk, events);
    outcomes.clear();
    ScanRequest value;
    value.profile = profileIn(folder, 1);
    value.area = { 0.2, 0.1, 0.1, 0.08 };
    const quint64 serial = request == 0 ? sdk.requestPrescan(value) : sdk.requestScan(value);
    QVERIFY(serial != 0);
    if (setup == QLatin1String("cancel")) {
        QVERIFY(progress.wait(kWaitMs));
        QTest::ignoreMessage(QtDebugMsg, "Running false");
        sdk.setScanRunning(false);
    }
    QSignalSpy& result = request == 0 ? prescanned : scanned;
    QVERIFY(result.wait(kWaitMs));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    if (request == 0)
        QVERIFY(prescanned.at(0).at(0).value<STImage>().isNull());
    else
        QCOMPARE(scanned.at(0).at(0).toString(), QString());
    const QString resultName = request == 0 ? QStringLiteral("preScan") : QStringLiteral("scanImage");
    // One outcome, of this request, after its result.
    QTRY_COMPARE(outcomes.size(), 1);
    QCOMPARE(outcomes.at(0).serial, serial);
    QCOMPARE(outcomes.at(0).kind, request);
    if (cause.isEmpty()) {
        QCOMPARE(int(outcomes.at(0).result), int(RequestOutcome::Cancelled));
        QCOMPARE(failed.count(), 0);
        QCOMPARE(events.order, (QStringList { "inquiry", "ready", resultName }));
        return;
    }
    QCOMPARE(int(outcomes.at(0).result), int(RequestOutcome::Failed));
    QCOMPARE(failed.count(), 1);
    QCOMPARE(events.order, (QStringList { "inquiry", "ready", resultName, "requestFailed" }));
    const QString reason = outcomes.at(0).message;
    QVERIFY2(reason.contains(cause), qPrintable(reason));
    if (setup != QLatin1String("fail"))
        QVERIFY2(reason.contains(QStringLiteral(" ") + folder + QStringLiteral(":")), qPrintable(reason));
    // Nothing was left behind in a folder that exists.
    if (setup == QLatin1String("read-only"))
        QVERIFY(filesIn(folder).isEmpty());
}

void TestScanRequests::progressFollowsTheLines_data()
{
    QTest::addColumn<int>("blockDelayMs");
    QTest::addColumn<int>("resolution");
    QTest::addColumn<double>("height");
    QTest::addColumn<QList<int>>("expected"); // empty: only the rate is known

    // 900 lines in blocks of 255, further apart than the throttle; the last block
    // shows 79, as 80 closes the acquisition.
    QTest::newRow("slow blocks") << 150 << 1 << 0.5 << QList<int> { 0, 22, 45, 68, 79, 80, 95, 100 };
    // 3240 lines in 13 blocks, 20 ms apart: most are not shown.
    QTest::newRow("fast blocks") << 20 << 0 << 0.9 << QList<int>();
}

void TestScanRequests::progressFollowsTheLines()
{
    QFETCH(int, blockDelayMs);
    QFETCH(int, resolution);
    QFETCH(double, height);
    QFETCH(QList<int>, expected);
    qputenv("KORVANE_SIM_BLOCK_DELAY_MS", QByteArray::number(blockDelayMs));
    const QString folder = m_output.path() + QStringLiteral("/progress-") + QTest::currentDataTag();
    QVERIFY(QDir().mkpath(folder));

    ScannerSDK sdk;
    WorkerSignals events(&sdk);
    QSignalSpy scanned(&events, &WorkerSignals::scanImage);
    QList<int> values;
    QList<qint64> times;
    connect(&events, &WorkerSignals::progress, this, [&](int percent) {
        values << percent;
        times << events.clock.elapsed();
    });
    link(sdk, events);
    sdk.settings = profileIn(folder, resolution);
    sdk.setScanArea({ 0.2, 0.05, 0.2, height });
    QVERIFY(sdk.requestScan());
    QVERIFY(scanned.wait(kWaitMs));
    QVERIFY(!scanned.at(0).at(0).toString().isEmpty());

    QVERIFY(!values.isEmpty());
    QCOMPARE(values.first(), 0);
    QCOMPARE(values.last(), 100);
    QVERIFY(std::is_sorted(values.begin(), values.end()));
    QVERIFY(std::adjacent_find(values.begin(), values.end()) == values.end()); // no repeats
    if (!expected.isEmpty()) {
        QCOMPARE(values, expected);
        return;
    }
    // Between the marks of 0 and 80, at most one line value per 100 ms.
    const int acquired = int(values.indexOf(80));
    QVERIFY(acquired > 0);
    const qint64 span = times.at(acquired) - times.at(0);
    QVERIFY2(acquired - 1 <= 1 + span / 100,
        qPrintable(QStringLiteral("%1 line values in %2 ms").arg(acquired - 1).arg(span)));
}

QTEST_GUILESS_MAIN(TestScanRequests)
#include "test_scanrequests.moc"
