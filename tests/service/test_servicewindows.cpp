// The engineer and adjust windows against the simulated scanner: the parameter
// record read and written through the worker, the adjust factors in the scans of
// engineer mode, RAW mode's files, and the main window's title in every order of
// opening and closing.

#include <adjustdialog.h>
#include <engineerdialog.h>
#include <manager.h>
#include <scannersdk.h>
#include <servicemodes.h>
#include <userfolders.h>

#include <QGroupBox>
#include <QMainWindow>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include "managerlink.h"
#include "simulatorsettings.h"

namespace
{

constexpr int kWaitMs = 30000;

QSpinBox* box(QObject& dialog, const QString& name)
{
    return dialog.findChild<QSpinBox*>(name);
}

// The value of one field in an option record dump, -1 when it is missing.
int dumpedField(const QString& path, const QString& field)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QString key = QStringLiteral("pOptionScan.ScanInfoArray[0].") + field + QStringLiteral(" = ");
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.startsWith(key))
            return line.mid(key.size()).toInt();
    }
    return -1;
}

struct Parameters {
    std::array<int, 3> exposure;
    std::array<int, 3> gain;
    int lightness;
};

Parameters shown(EngineerDialog& dialog)
{
    Parameters p {};
    const char* channels[] = { "R", "G", "B" };
    for (int c = 0; c < 3; ++c) {
        p.exposure[c]
            = box(dialog, QStringLiteral("spinBox_Exposure_") + QLatin1String(channels[c]))->value();
        p.gain[c] = box(dialog, QStringLiteral("spinBox_Gain_") + QLatin1String(channels[c]))->value();
    }
    p.lightness = box(dialog, QStringLiteral("spinBox_light"))->value();
    return p;
}

} // namespace

class TestServiceWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_state.isValid());
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        QVERIFY(relink());
    }

    void cleanupTestCase()
    {
        m_results.reset();
        manager::release();
    }

    void cleanup()
    {
        ServiceModes::instance().setEngineerMode(false);
        ServiceModes::instance().setRawMode(false);
    }

    // Reopened before the first answer, the dialog asks again: it never writes a
    // record it has not read, which would overwrite the scanner's other bytes.
    void reopenBeforeAnswerReadsAgain()
    {
        QMainWindow window;
        EngineerDialog dialog(worker(), &window);
        QSignalSpy written(m_results.get(), &WorkerSignals::setParameters);
        QSignalSpy read(m_results.get(), &WorkerSignals::gotParameters);
        dialog.openDialog();
        dialog.closeDialog();
        dialog.openDialog();
        QVERIFY(!dialog.hasRecord());
        QCOMPARE(dialog.message(), QStringLiteral("Getting"));
        QVERIFY(!dialog.findChild<QGroupBox*>(QStringLiteral("groupBox_Adjustment"))->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(dialog.message(), QStringLiteral("Get success"), kWaitMs);
        QVERIFY(dialog.findChild<QGroupBox*>(QStringLiteral("groupBox_Adjustment"))->isEnabled());
        QVERIFY(read.count() >= 1);
        QCOMPARE(written.count(), 0);
    }

    // The dialog shows the scanner's factory values, writes new ones, and a restart
    // of the scanner returns them, with every byte the dialog does not show intact.
    void readWriteSurvivesRestart()
    {
        QMainWindow window;
        EngineerDialog dialog(worker(), &window);
        dialog.openDialog();
        QTRY_COMPARE_WITH_TIMEOUT(dialog.message(), QStringLiteral("Get success"), kWaitMs);
        const Parameters factory = shown(dialog);
        QCOMPARE(factory.exposure, (std::array<int, 3> { { 5200, 4700, 6100 } }));
        QCOMPARE(factory.gain, (std::array<int, 3> { { 32, 32, 32 } }));
        const QByteArray before = readRecord();
        QCOMPARE(before.size(), 53);

        box(dialog, QStringLiteral("spinBox_Exposure_R"))->setValue(70000);
        box(dialog, QStringLiteral("spinBox_Exposure_B"))->setValue(3000);
        box(dialog, QStringLiteral("spinBox_Gain_G"))->setValue(40);
        box(dialog, QStringLiteral("spinBox_light"))->setValue(3);
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("pushButton_Set")), Qt::LeftButton);
        QCOMPARE(dialog.message(), QStringLiteral("setting"));
        QTRY_COMPARE_WITH_TIMEOUT(dialog.message(), QStringLiteral("set success"), kWaitMs);

        QVERIFY(relink());
        QMainWindow window2;
        EngineerDialog again(worker(), &window2);
        again.openDialog();
        QTRY_COMPARE_WITH_TIMEOUT(again.message(), QStringLiteral("Get success"), kWaitMs);
        const Parameters stored = shown(again);
        QCOMPARE(stored.exposure, (std::array<int, 3> { { 70000, 4700, 3000 } }));
        QCOMPARE(stored.gain, (std::array<int, 3> { { 32, 40, 32 } }));
        QCOMPARE(stored.lightness, 3);

        const QByteArray after = readRecord();
        const QList<int> edited { 0, 1, 4, 5, 13, 15, 23, 24, 27, 28 };
        for (int i = 0; i < 53; ++i) {
            if (!edited.contains(i))
                QVERIFY2(after.at(i) == before.at(i), qPrintable(QStringLiteral("byte %1").arg(i)));
        }
        again.closeDialog();
    }

    // The adjust factors replace the exposure and gains of the option records while
    // engineer mode is on, and only then.
    void adjustFactorsInEngineerModeOnly()
    {
        QMainWindow window;
        adjustdialog adjust(&window);
        adjust.openDialog();
        const QStringList names { QStringLiteral("spinBox_EF_R"), QStringLiteral("spinBox_EF_G"),
            QStringLiteral("spinBox_EF_B"), QStringLiteral("spinBox_GF_R"), QStringLiteral("spinBox_GF_G"),
            QStringLiteral("spinBox_GF_B") };
        const int values[] = { 150, 260, 370, 120, 230, 340 };
        for (int i = 0; i < 6; ++i)
            box(adjust, names[i])->setValue(values[i]);
        QTest::mouseClick(adjust.findChild<QPushButton*>(QStringLiteral("pushButton_Set")), Qt::LeftButton);
        QCOMPARE(adjust.message(), QStringLiteral("set success"));

        // Positive film: outside engineer mode its exposure is the model's preset.
        const ScanProfile film = manager::instance()->profile(3);
        QVERIFY(prescan(film));
        const QString engineerDump = UserFolders::debugFolder() + QStringLiteral("/preScan_option.txt");
        QCOMPARE(dumpedField(engineerDump, QStringLiteral("wColorBalanceR")), 150);
        QCOMPARE(dumpedField(engineerDump, QStringLiteral("wColorBalanceB")), 370);
        QCOMPARE(dumpedField(engineerDump, QStringLiteral("wGainFactorR")), 120);
        QCOMPARE(dumpedField(engineerDump, QStringLiteral("wGainFactorB")), 340);

        adjust.closeDialog();
        QVERIFY(!manager::instance()->isEngineerMode());
        manager::instance()->setRawMode(true); // RAW mode dumps the record too
        QVERIFY(prescan(film));
        const QString rawDump = UserFolders::rawImageFolder() + QStringLiteral("/preScan_option.txt");
        QCOMPARE(dumpedField(rawDump, QStringLiteral("wColorBalanceR")), 137);
        QCOMPARE(dumpedField(rawDump, QStringLiteral("wGainFactorR")), 100);
        QCOMPARE(dumpedField(rawDump, QStringLiteral("wGainFactorB")), 100);
    }

    // RAW mode leaves the prescan's and the scan's images and records on disk.
    void rawModeKeepsStageImages()
    {
        const QString folder = UserFolders::rawImageFolder();
        QDir(folder).removeRecursively();
        manager::instance()->setRawMode(true);
        ScanProfile profile = manager::instance()->profile(0);
        QVERIFY(prescan(profile));
        for (const char* name : { "preScan_432_287.tif", "preScan_option.txt" })
            QVERIFY2(QFile::exists(folder + QLatin1Char('/') + QLatin1String(name)), name);

        ScannerSDK* sdk = worker();
        QSignalSpy saved(m_results.get(), &WorkerSignals::scanImage);
        sdk->settings = profile;
        sdk->setScanArea({ 0.4, 0.3, 0.2, 0.15 });
        QVERIFY(sdk->requestScan());
        QVERIFY(saved.wait(kWaitMs));
        QVERIFY(!saved.at(0).at(0).toString().isEmpty());
        for (const char* name : { "Scan.tif", "Scan_option.txt", "Scan_Final.jpg" })
            QVERIFY2(QFile::exists(folder + QLatin1Char('/') + QLatin1String(name)), name);
    }

    void titles_data()
    {
        QTest::addColumn<bool>("rawMode");
        QTest::addColumn<QString>("steps"); // E/e: open/close engineer, A/a: adjust
        QTest::addColumn<QStringList>("titles");
        const QString plain = QStringLiteral("Korvane");
        const QString raw = QStringLiteral("Korvane - RAW mode");
        const QString engineer = QStringLiteral("Korvane - Engineer mode");
        const QString both = QStringLiteral("Korvane - RAW&Engineer mode");
        QTest::newRow("engineer") << false << "Ee" << QStringList { engineer, plain };
        QTest::newRow("engineer, RAW") << true << "Ee" << QStringList { engineer, plain };
        QTest::newRow("adjust") << false << "Aa" << QStringList { engineer, plain };
        QTest::newRow("adjust, RAW") << true << "Aa" << QStringList { both, raw };
        QTest::newRow("nested") << false << "EAae" << QStringList { engineer, engineer, plain, plain };
        QTest::newRow("nested, RAW") << true << "EAae" << QStringList { engineer, both, raw, plain };
        QTest::newRow("crossed, RAW") << true << "EAea" << QStringList { engineer, both, plain, raw };
        QTest::newRow("adjust first, RAW") << true << "AEea" << QStringList { both, engineer, plain, raw };
    }

    // Each open and close sets the title by its own dialog's rule; engineer mode
    // follows the last of them.
    void titles()
    {
        QFETCH(bool, rawMode);
        QFETCH(QString, steps);
        QFETCH(QStringList, titles);
        manager::instance()->setRawMode(rawMode);
        QMainWindow window;
        window.setWindowTitle(QStringLiteral("Korvane"));
        EngineerDialog engineer(nullptr, &window);
        adjustdialog adjust(&window);
        for (int i = 0; i < steps.size(); ++i) {
            const QChar step = steps.at(i);
            if (step == QLatin1Char('E'))
                engineer.openDialog();
            else if (step == QLatin1Char('e'))
                engineer.closeDialog();
            else if (step == QLatin1Char('A'))
                adjust.openDialog();
            else
                adjust.closeDialog();
            QCOMPARE(window.windowTitle(), titles.at(i));
            QCOMPARE(manager::instance()->isEngineerMode(), step.isUpper());
        }
        QVERIFY(engineer.isHidden());
        QVERIFY(adjust.isHidden());
    }

    // Escape and the title bar's close button close the windows as the main
    // window's toggle does, ending engineer mode.
    void escapeCloses()
    {
        QMainWindow window;
        adjustdialog adjust(&window);
        adjust.openDialog();
        QVERIFY(manager::instance()->isEngineerMode());
        QTest::keyClick(&adjust, Qt::Key_Escape);
        QVERIFY(adjust.isHidden());
        QVERIFY(!manager::instance()->isEngineerMode());
        QCOMPARE(adjust.message(), QString());

        EngineerDialog engineer(nullptr, &window);
        engineer.openDialog();
        QVERIFY(engineer.close());
        QVERIFY(engineer.isHidden());
        QVERIFY(!manager::instance()->isEngineerMode());
        QCOMPARE(window.windowTitle(), QStringLiteral("Korvane"));
    }

    // The adjust dialog's dots run from its first opening until a Set is confirmed,
    // and never restart their count.
    void adjustDots()
    {
        QMainWindow window;
        adjustdialog adjust(&window);
        adjust.openDialog();
        QCOMPARE(adjust.message(), QStringLiteral("Getting"));
        for (int tick = 0; tick < 12; ++tick) {
            adjust.timeArrival();
            QCOMPARE(adjust.message(), QStringLiteral("Getting") + QString(tick % 10, QLatin1Char('.')));
        }
        QTest::mouseClick(adjust.findChild<QPushButton*>(QStringLiteral("pushButton_Set")), Qt::LeftButton);
        adjust.timeArrival(); // the twelfth tick of the cycle: two dots
        QCOMPARE(adjust.message(), QStringLiteral("setting.."));
        adjust.closeDialog();
    }

private:
    ScannerSDK* worker() { return manager::instance()->scanner(); }

    bool relink()
    {
        m_results.reset();
        manager::release();
        ScannerSDK::forgetDeviceSeenForTests();
        SimulatorSettings::reset(m_state.path().toUtf8().constData());
        m_results = linkManagerToSimulator(kWaitMs);
        return m_results != nullptr;
    }

    // The record as the scanner holds it now, read straight through the worker.
    QByteArray readRecord()
    {
        QSignalSpy read(m_results.get(), &WorkerSignals::gotParameters);
        if (!worker()->requestScanParameter() || !read.wait(kWaitMs))
            return QByteArray();
        return read.at(0).at(0).toByteArray();
    }

    bool prescan(const ScanProfile& profile)
    {
        QSignalSpy arrived(m_results.get(), &WorkerSignals::preScan);
        worker()->settings = profile;
        return worker()->requestPrescan() && arrived.wait(kWaitMs);
    }

    QTemporaryDir m_state;
    std::unique_ptr<WorkerSignals> m_results;
};

QTEST_MAIN(TestServiceWindows)
#include "test_servicewindows.moc"
