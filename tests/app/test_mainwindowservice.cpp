// The main window's service entries: the firmware update and about flows, the two
// hidden service windows it owns, and the key combination of the engineer window.
#include "mainwindow.h"

#include <aboutdialog.h>
#include <adjustdialog.h>
#include <editorprompts.h>
#include <engineerdialog.h>
#include <fwupdatedialog.h>
#include <manager.h>
#include <scannersdk.h>

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "managerlink.h"
#include "simulatorsettings.h"

namespace
{

constexpr int kWaitMs = 20000;

// Runs action on the first modal dialog of type T that comes up, once.
template <typename T> class ModalDriver : public QObject
{
public:
    explicit ModalDriver(std::function<void(T*)> action)
        : m_action(std::move(action))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
                m_timer.stop();
                done = true;
                m_action(dialog);
            }
        });
        m_timer.start(5);
    }

    bool done = false;

private:
    std::function<void(T*)> m_action;
    QTimer m_timer;
};

// Notes every box the window shows, in place of the user.
class BoxCatcher : public EditorPrompts
{
public:
    explicit BoxCatcher(MainWindow& window)
        : m_window(window)
    {
        window.setPrompts(this);
    }
    ~BoxCatcher() override { m_window.setPrompts(nullptr); }

    void critical(QWidget*, const QString& title, const QString& text) override { note(title, text); }
    void warning(QWidget*, const QString& title, const QString& text) override { note(title, text); }
    void information(QWidget*, const QString& title, const QString& text) override { note(title, text); }

    QStringList boxes;

private:
    void note(const QString& title, const QString& text) { boxes << title + QLatin1Char('|') + text; }

    MainWindow& m_window;
};

} // namespace

class TestMainWindowService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_state.isValid());
        QDir::setCurrent(QCoreApplication::applicationDirPath());
    }

    void cleanup()
    {
        m_results.reset();
        manager::release();
        ScannerSDK::forgetDeviceSeenForTests();
    }

    void serviceWindowsAreHiddenChildren()
    {
        MainWindow window;
        EngineerDialog* engineer = window.engineerDialog();
        adjustdialog* adjust = window.adjustDialog();
        QVERIFY(engineer && adjust);
        QCOMPARE(engineer->parentWidget(), &window);
        QCOMPARE(adjust->parentWidget(), &window);
        QCOMPARE(engineer->windowTitle(), QStringLiteral("Engineer Setting"));
        QCOMPARE(adjust->windowTitle(), QStringLiteral("Adjust Setting"));
        QVERIFY(engineer->isHidden() && adjust->isHidden());
        for (QWidget* dialog : { static_cast<QWidget*>(engineer), static_cast<QWidget*>(adjust) }) {
            QCOMPARE(dialog->windowType(), Qt::Dialog);
            QVERIFY(dialog->windowFlags() & Qt::WindowCloseButtonHint);
            QVERIFY(!(dialog->windowFlags() & Qt::WindowContextHelpButtonHint));
        }
    }

    // The toggle shows the window at the main window's corner, then hides it.
    void adjustToggles()
    {
        MainWindow window;
        manager::instance(&window);
        window.setWindowTitle(QStringLiteral("Korvane"));
        window.move(40, 30);
        window.show();
        window.openAdjust();
        QVERIFY(window.adjustDialog()->isVisible());
        QCOMPARE(window.adjustDialog()->pos(), window.geometry().topLeft());
        QCOMPARE(window.windowTitle(), QStringLiteral("Korvane - Engineer mode"));
        QVERIFY(manager::instance()->isEngineerMode());
        window.openAdjust();
        QVERIFY(window.adjustDialog()->isHidden());
        QCOMPARE(window.windowTitle(), QStringLiteral("Korvane"));
        QVERIFY(!manager::instance()->isEngineerMode());
    }

    // Ctrl+Shift+E opens and closes the engineer window; Ctrl+E stays the Close entry's.
    void engineerKeyToggles()
    {
        MainWindow window;
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(window.engineerDialog()->isVisible());
        QCOMPARE(window.windowTitle(), QStringLiteral("Korvane - Engineer mode"));
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(window.engineerDialog()->isHidden());
        QVERIFY(window.isVisible());
    }

    // The about dialog shows the stored versions, and its information box opens the
    // adjust window.
    void aboutOpensAdjust()
    {
        MainWindow window;
        window.show();
        QString program;
        ModalDriver<AboutDialog> driver([&program](AboutDialog* about) {
            program = about->findChild<QLabel*>(QStringLiteral("label_SW"))->text();
            QTest::mouseDClick(
                about->findChild<QGroupBox*>(QStringLiteral("groupBox_about")), Qt::LeftButton);
            about->accept();
        });
        window.findChild<QAction*>(QStringLiteral("actionAbout"))->trigger();
        QVERIFY(driver.done);
        QCOMPARE(program, QStringLiteral("v1.0.0.1d"));
        QVERIFY(window.adjustDialog()->isVisible());
        window.openAdjust();
    }

    // From the menu: a firmware file written to the simulated scanner ends with the
    // success message; the next start reports the new version.
    void firmwareUpdateFromMenu()
    {
        SimulatorSettings::reset(m_state.path().toUtf8().constData());
        manager::instance()->scanner()->setFirmwareSettleTime(0);
        m_results = linkManagerToSimulator(kWaitMs);
        QVERIFY(m_results);
        MainWindow window;
        window.show();

        const QString path = writeFirmware(QStringLiteral("update.bin"), "4.20");

        int pixelSize = 0;
        ModalDriver<FWUpdateDialog> driver([&path, &pixelSize](FWUpdateDialog* dialog) {
            pixelSize = dialog->font().pixelSize();
            if (dialog->loadFile(path))
                QTest::mouseClick(
                    dialog->findChild<QPushButton*>(QStringLiteral("pushButton_update")), Qt::LeftButton);
            else
                dialog->reject();
        });
        BoxCatcher boxes(window);
        window.findChild<QAction*>(QStringLiteral("actionFirmwareUpdate"))->trigger();
        QVERIFY(driver.done);
        QCOMPARE(pixelSize, 12);
        QCOMPARE(boxes.boxes,
            QStringList { QStringLiteral(
                "Update firmware|Update firmware success.\nIt will close Korvane softwrae now.") });

        QVERIFY(quitRequested());

        m_results.reset();
        manager::release();
        ScannerSDK::forgetDeviceSeenForTests();
        m_results = linkManagerToSimulator(kWaitMs);
        QVERIFY(m_results);
        manager::instance()->setScannerInfo(manager::instance()->scanner()->device().deviceInfo());
        QCOMPARE(manager::instance()->firmwareVersion(), QStringLiteral("4.20"));
    }

    // A scanner that refuses the firmware: the user is told, and the program ends,
    // since the worker has let go of the scanner.
    void refusedUpdateFromMenu()
    {
        // The simulated memory cannot be written below a regular file.
        const QString blocked = m_state.filePath(QStringLiteral("not-a-folder"));
        QFile plain(blocked);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        SimulatorSettings::reset((blocked + QStringLiteral("/state")).toUtf8().constData());
        m_results = linkManagerToSimulator(kWaitMs);
        QVERIFY(m_results);
        MainWindow window;
        window.show();
        const QString path = writeFirmware(QStringLiteral("refused.bin"), "5.00");
        ModalDriver<FWUpdateDialog> driver([&path](FWUpdateDialog* dialog) {
            if (dialog->loadFile(path))
                QTest::mouseClick(
                    dialog->findChild<QPushButton*>(QStringLiteral("pushButton_update")), Qt::LeftButton);
            else
                dialog->reject();
        });
        BoxCatcher boxes(window);
        window.findChild<QAction*>(QStringLiteral("actionFirmwareUpdate"))->trigger();
        QVERIFY(driver.done);
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY2(boxes.boxes.at(0).startsWith(QStringLiteral("Korvane|Update firmware failed.")),
            qPrintable(boxes.boxes.at(0)));
        QVERIFY(quitRequested());
    }

    // Cancelling the dialog ends nothing.
    void cancelledUpdateKeepsRunning()
    {
        MainWindow window;
        window.show();
        ModalDriver<FWUpdateDialog> driver([](FWUpdateDialog* dialog) {
            QTest::mouseClick(
                dialog->findChild<QPushButton*>(QStringLiteral("pushButton_cancel")), Qt::LeftButton);
        });
        BoxCatcher boxes(window);
        window.findChild<QAction*>(QStringLiteral("actionFirmwareUpdate"))->trigger();
        QVERIFY(driver.done);
        QCOMPARE(boxes.boxes, QStringList());
        QVERIFY(!quitRequested(200));
    }

private:
    // True when the program's event loop was asked to end (it is run here and ends
    // at once); false when it ran for waitMs without being asked.
    static bool quitRequested(int waitMs = kWaitMs)
    {
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        guard.start(waitMs);
        return QCoreApplication::exec() == 0;
    }

    QString writeFirmware(const QString& name, const QByteArray& version)
    {
        const QString path = m_state.filePath(name);
        QByteArray bytes(4096, '\x11');
        bytes.replace(96, 4, version);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return QString();
        return path;
    }

    QTemporaryDir m_state;
    std::unique_ptr<WorkerSignals> m_results;
};

QTEST_MAIN(TestMainWindowService)
#include "test_mainwindowservice.moc"
