// The firmware dialog against the simulated scanner: which files it takes, the dots,
// the refusals that keep the device untouched, and an update that the next link
// reports.

#include <aboutdialog.h>
#include <fwupdatedialog.h>
#include <manager.h>
#include <scannersdk.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "managerlink.h"
#include "simulatorsettings.h"

namespace
{

constexpr int kWaitMs = 20000;

QString writeFirmware(const QString& folder, const QString& name, int size, const QByteArray& version)
{
    QByteArray bytes(size, '\x3C');
    if (size >= 100)
        bytes.replace(96, 4, version);
    const QString path = folder + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

template <typename T> T* child(QObject& parent, const char* name)
{
    return parent.findChild<T*>(QLatin1String(name));
}

} // namespace

class TestFWUpdateDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_files.isValid());
        QVERIFY(m_state.isValid());
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        QVERIFY(relink(m_state.path()));
    }

    void cleanupTestCase()
    {
        m_results.reset();
        manager::release();
    }

    void form()
    {
        FWUpdateDialog dialog(worker(), QStringLiteral("2.07"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Update firmware"));
        QCOMPARE(child<QLabel>(dialog, "label_oldversion")->text(), QStringLiteral("2.07"));
        QVERIFY(child<QLabel>(dialog, "label_newVersion")->text().isEmpty());
        // No close button: during an update only the worker's answer ends the dialog.
        QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(dialog.windowFlags() & Qt::CustomizeWindowHint);
    }

    void fileSizes_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("message");
        QTest::newRow("1024 bytes") << 1024 << QStringLiteral("K1.5") << QString();
        QTest::newRow("1023 bytes") << 1023 << QString()
                                    << QStringLiteral("User need select the firmware file.");
    }

    // A file is taken from 1024 bytes on, with the version at offsets 96-99; a
    // shorter one is shown without a version and refused by Update, which then starts
    // nothing.
    void fileSizes()
    {
        QFETCH(int, size);
        QFETCH(QString, version);
        QFETCH(QString, message);
        const QString path = writeFirmware(m_files.path(), QStringLiteral("size.bin"), size, "K1.5");
        FWUpdateDialog dialog(worker(), QStringLiteral("2.07"));
        QVERIFY(dialog.loadFile(path));
        QCOMPARE(dialog.newVersion(), version);
        QCOMPARE(child<QLabel>(dialog, "label_newVersion")->text(), version);
        QCOMPARE(child<QLineEdit>(dialog, "lineEdit_FW")->text(), path);
        if (message.isEmpty())
            return;
        QTest::mouseClick(child<QPushButton>(dialog, "pushButton_update"), Qt::LeftButton);
        QCOMPARE(dialog.message(), message);
        QVERIFY(child<QPushButton>(dialog, "pushButton_browse")->isEnabled());
        QCOMPARE(worker()->request(), int(ScannerSDK::RequestPoll));
    }

    void updateWithoutFileRefused()
    {
        FWUpdateDialog dialog(worker(), QString());
        QTest::mouseClick(child<QPushButton>(dialog, "pushButton_update"), Qt::LeftButton);
        QCOMPARE(dialog.message(), QStringLiteral("User need select the firmware file."));
        QVERIFY(child<QPushButton>(dialog, "pushButton_update")->isEnabled());
    }

    void secondFileReplacesFirst()
    {
        FWUpdateDialog dialog(worker(), QString());
        QVERIFY(dialog.loadFile(writeFirmware(m_files.path(), QStringLiteral("a.bin"), 2048, "A001")));
        const QString second = writeFirmware(m_files.path(), QStringLiteral("b.bin"), 1023, "B002");
        QVERIFY(dialog.loadFile(second));
        // The short second file has no version: the first one's must not linger.
        QCOMPARE(dialog.newVersion(), QString());
        QCOMPARE(child<QLabel>(dialog, "label_newVersion")->text(), QString());
        QCOMPARE(child<QLineEdit>(dialog, "lineEdit_FW")->text(), second);
        QVERIFY(dialog.loadFile(writeFirmware(m_files.path(), QStringLiteral("c.bin"), 1024, "C003")));
        QCOMPARE(dialog.newVersion(), QStringLiteral("C003"));
    }

    void refusedFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << QStringLiteral("/nonexistent/firmware.bin")
                                 << QStringLiteral("This firmware file don't open");
        QTest::newRow("over the device block")
            << QStringLiteral("big.bin")
            << QStringLiteral("This file is larger than the scanner's firmware memory of 131072 bytes.");
        QTest::newRow("no version characters")
            << QStringLiteral("zeros.bin") << QStringLiteral("This file is not a firmware file.");
    }

    // A refused file leaves the previous choice, bytes, path and version, in place.
    void refusedFiles()
    {
        QFETCH(QString, path);
        QFETCH(QString, message);
        if (path == QLatin1String("big.bin"))
            path = writeFirmware(m_files.path(), path, 131073, "BIG1");
        else if (path == QLatin1String("zeros.bin"))
            path = writeFirmware(m_files.path(), path, 4096, QByteArray(4, '\0'));
        QVERIFY(!path.isEmpty());
        FWUpdateDialog dialog(worker(), QString());
        const QString good = writeFirmware(m_files.path(), QStringLiteral("good.bin"), 1024, "G1.0");
        QVERIFY(dialog.loadFile(good));
        QVERIFY(!dialog.loadFile(path));
        QCOMPARE(dialog.message(), message);
        QCOMPARE(dialog.newVersion(), QStringLiteral("G1.0"));
        QCOMPARE(child<QLineEdit>(dialog, "lineEdit_FW")->text(), good);
    }

    // The first tick shows the text alone, the tenth nine dots, the eleventh the text
    // alone again.
    void dotsCycle()
    {
        FWUpdateDialog dialog(worker(), QString());
        for (int tick = 0; tick < 21; ++tick) {
            dialog.timeArrival();
            QCOMPARE(
                dialog.message(), QStringLiteral("Updating firmware") + QString(tick % 10, QLatin1Char('.')));
        }
    }

    // Even a request that bypasses the dialog never reaches the device with a cut
    // image, and the scanner stays linked.
    void oversizeNeverReachesDevice()
    {
        QSignalSpy failed(m_results.get(), &WorkerSignals::firmwareFailed);
        worker()->requestFirmwareUpdate(QByteArray(131073, 'x'));
        QVERIFY(failed.wait(kWaitMs));
        QVERIFY(!QFile::exists(m_state.filePath(QStringLiteral("firmware.bin"))));
        QVERIFY(worker()->isLinked());
    }

    // A scanner that refuses the firmware ends the dialog as failed, not as cancelled,
    // so the main window can tell the user.
    void refusedUpdateIsTold()
    {
        // The simulated memory cannot be written below a regular file.
        const QString blocked = writeFirmware(m_files.path(), QStringLiteral("not-a-folder"), 10, "");
        QVERIFY(relink(blocked + QStringLiteral("/state")));
        FWUpdateDialog dialog(worker(), QString());
        QVERIFY(dialog.loadFile(writeFirmware(m_files.path(), QStringLiteral("r.bin"), 1024, "R9.9")));
        QSignalSpy finished(&dialog, &QDialog::finished);
        QTest::mouseClick(child<QPushButton>(dialog, "pushButton_update"), Qt::LeftButton);
        QVERIFY(finished.wait(kWaitMs));
        QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Rejected));
        QVERIFY(dialog.updateFailed());
        QVERIFY(relink(m_state.path()));
    }

    void noCloseWhileUpdating_data()
    {
        QTest::addColumn<QString>("attempt");
        QTest::newRow("Escape") << "escape";
        QTest::newRow("window close") << "close";
        QTest::newRow("reject") << "reject";
    }

    // While an update runs neither Escape, the window's close (Alt+F4 comes to the
    // same) nor a reject ends the dialog; the worker's answer still does.
    void noCloseWhileUpdating()
    {
        QFETCH(QString, attempt);
        worker()->setFirmwareSettleTime(500);
        FWUpdateDialog dialog(worker(), QString());
        QVERIFY(dialog.loadFile(writeFirmware(m_files.path(), QStringLiteral("esc.bin"), 1024, "E1.0")));
        dialog.show();
        QSignalSpy finished(&dialog, &QDialog::finished);
        QTest::mouseClick(child<QPushButton>(dialog, "pushButton_update"), Qt::LeftButton);
        QVERIFY(dialog.isUpdating());
        if (attempt == QLatin1String("escape"))
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else if (attempt == QLatin1String("close"))
            QVERIFY(!dialog.close());
        else
            dialog.reject();
        QVERIFY(dialog.isVisible());
        QCOMPARE(finished.count(), 0);
        QVERIFY(finished.wait(kWaitMs));
        QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));
        QVERIFY(!dialog.isUpdating());
        worker()->setFirmwareSettleTime(0);
    }

    // An update the scanner takes ends the dialog accepted; after a restart the device
    // reports the file's version and the about dialog shows it.
    void updateReachesNextStart()
    {
        FWUpdateDialog dialog(worker(), manager::instance()->firmwareVersion());
        QVERIFY(dialog.loadFile(writeFirmware(m_files.path(), QStringLiteral("new.bin"), 65536, "3.14")));
        QSignalSpy finished(&dialog, &QDialog::finished);
        QTest::mouseClick(child<QPushButton>(dialog, "pushButton_update"), Qt::LeftButton);
        for (const char* name : { "pushButton_update", "pushButton_browse", "pushButton_cancel" })
            QVERIFY2(!child<QPushButton>(dialog, name)->isEnabled(), name);
        QVERIFY(!child<QLineEdit>(dialog, "lineEdit_FW")->isEnabled());
        QVERIFY(finished.wait(kWaitMs));
        QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));
        QVERIFY(!dialog.updateFailed());

        QVERIFY(relink(m_state.path()));
        manager* data = manager::instance();
        QCOMPARE(data->firmwareVersion(), QStringLiteral("3.14"));
        AboutDialog about(worker(), data->firmwareVersion(), data->hardwareVersion());
        QCOMPARE(child<QLabel>(about, "label_FW")->text(), QStringLiteral("v3.14"));
        QCOMPARE(child<QLabel>(about, "label_HW")->text(), QStringLiteral("v82"));
    }

private:
    ScannerSDK* worker() { return manager::instance()->scanner(); }

    // A fresh start against the simulated scanner with its memory in stateFolder.
    bool relink(const QString& stateFolder)
    {
        m_results.reset();
        manager::release();
        ScannerSDK::forgetDeviceSeenForTests();
        SimulatorSettings::reset(stateFolder.toUtf8().constData());
        manager::instance()->scanner()->setFirmwareSettleTime(0);
        m_results = linkManagerToSimulator(kWaitMs);
        if (!m_results)
            return false;
        // What the main form does with the scanner's inquiry.
        manager::instance()->setScannerInfo(worker()->device().deviceInfo());
        return true;
    }

    QTemporaryDir m_files;
    QTemporaryDir m_state;
    std::unique_ptr<WorkerSignals> m_results;
};

QTEST_MAIN(TestFWUpdateDialog)
#include "test_fwupdatedialog.moc"
