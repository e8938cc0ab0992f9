// File > Scanner... on a running program: the choice, the relink behind the wait
// dialog, an unreachable scanner's message with the choice again, and About naming
// the linked scanner.
#include "mainwindow.h"
#include "notifydialog.h"
#include "scannerdialog.h"
#include "scannerlinking.h"

#include <aboutdialog.h>
#include <manager.h>
#include <scannerchoice.h>
#include <scannersdk.h>

#include <QAction>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "managerlink.h"
#include "simulatorsettings.h"

namespace
{

constexpr int kWaitMs = 20000;

// Answers every modal window as it comes up and notes what it was: message boxes
// are accepted, the scanner choice accepted or cancelled, wait dialogs left alone.
class ModalAnswers : public QObject
{
public:
    explicit ModalAnswers(bool acceptChoice)
    {
        connect(&m_timer, &QTimer::timeout, this, [this, acceptChoice] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                seen << QStringLiteral("box:") + box->text();
                box->accept();
            } else if (auto* choice = qobject_cast<ScannerDialog*>(modal)) {
                const auto* list = choice->findChild<QListWidget*>(QStringLiteral("listWidget_Scanner"));
                seen << QStringLiteral("choice:%1|%2").arg(list->count()).arg(list->currentItem()->text());
                if (acceptChoice)
                    choice->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
                else
                    choice->reject();
            } else if (auto* about = qobject_cast<AboutDialog*>(modal)) {
                seen << QStringLiteral("about:")
                        + about->findChild<QLabel*>(QStringLiteral("label_Scanner"))->text();
                about->accept();
            } else if (qobject_cast<NotifyDialog*>(modal)
                && (seen.isEmpty() || seen.last() != QLatin1String("wait"))) {
                seen << QStringLiteral("wait");
            }
        });
        m_timer.start(5);
    }

    QStringList seen;

private:
    QTimer m_timer;
};

} // namespace

class TestScannerMenu : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_state.isValid());
        QDir::setCurrent(QCoreApplication::applicationDirPath());
    }

    void init()
    {
        QFile::remove(ScannerChoice::filePath());
        SimulatorSettings::reset(m_state.path().toUtf8().constData());
        m_results = linkManagerToSimulator(kWaitMs);
        QVERIFY(m_results);
    }

    void cleanup()
    {
        m_results.reset();
        manager::release();
        ScannerSDK::forgetDeviceSeenForTests();
    }

    // Choosing the scanner that is already linked remembers it and links nothing.
    void choosingTheLinkedScannerKeepsTheLink()
    {
        MainWindow window;
        manager::instance(&window);
        ModalAnswers answers(true);
        QSignalSpy ready(m_results.get(), &WorkerSignals::linkReady);
        window.findChild<QAction*>(QStringLiteral("actionScanner"))->trigger();
        QCOMPARE(answers.seen, QStringList({ QStringLiteral("choice:1|Simulated scanner (built in)") }));
        QVERIFY(!ready.wait(1000));
        QVERIFY(manager::instance()->scanner()->isLinked());
        QVERIFY(ScannerChoice::isStored());
        QCOMPARE(ScannerChoice::stored(), QStringLiteral("simulator"));
    }

    // A scanner that cannot be reached: the message names it, the choice comes again,
    // and cancelling it falls back on the simulated scanner, linked again without a
    // restart; the remembered choice is left alone.
    void unreachableScannerFallsBackOnTheSimulator_data()
    {
        QTest::addColumn<bool>("acceptChoice");
        QTest::newRow("choice cancelled") << false;
        QTest::newRow("simulator chosen") << true;
    }
    void unreachableScannerFallsBackOnTheSimulator()
    {
        QFETCH(bool, acceptChoice);
        MainWindow window;
        manager::instance(&window);
        ScannerSDK* worker = manager::instance()->scanner();
        ModalAnswers answers(acceptChoice);
        QSignalSpy ready(m_results.get(), &WorkerSignals::linkReady);
        QSignalSpy inquiry(m_results.get(), &WorkerSignals::inquiry);

        QVERIFY(ScannerLinking::relink(worker, QStringLiteral("nosuch:0"), &window));
        QCOMPARE(answers.seen.size(), 4);
        QCOMPARE(answers.seen.at(0), QStringLiteral("wait"));
        QVERIFY2(
            answers.seen.at(1).startsWith(QStringLiteral("box:Korvane cannot find the scanner nosuch:0.")),
            qPrintable(answers.seen.at(1)));
        QCOMPARE(answers.seen.at(2), QStringLiteral("choice:1|Simulated scanner (built in)"));
        QCOMPARE(answers.seen.at(3), QStringLiteral("wait"));
        QVERIFY(worker->isLinked());
        QCOMPARE(worker->scannerName(), QStringLiteral("simulator"));
        QCOMPARE(ready.count(), 1);
        QCOMPARE(inquiry.count(), 1);
        QCOMPARE(ScannerChoice::isStored(), acceptChoice);

        // The relinked scanner scans.
        QSignalSpy prescan(m_results.get(), &WorkerSignals::preScan);
        worker->settings = manager::instance()->profile(0);
        QVERIFY(worker->requestPrescan());
        QVERIFY(prescan.wait(kWaitMs));
        QVERIFY(prescan.at(0).at(0).value<STImage>().width() > 0);
    }

    // When the simulated scanner itself does not link there is nothing to fall back
    // on: no choice is offered, and the caller ends the program.
    void failingSimulatorEndsTheRelink()
    {
        MainWindow window;
        manager::instance(&window);
        ModalAnswers answers(true);
        qputenv("KORVANE_SIM_FAIL_LINK", "1");
        const bool linked
            = ScannerLinking::relink(manager::instance()->scanner(), QStringLiteral("simulator"), &window);
        qunsetenv("KORVANE_SIM_FAIL_LINK");
        QVERIFY(!linked);
        QCOMPARE(answers.seen, QStringList({ QStringLiteral("wait") }));
        QVERIFY(!manager::instance()->scanner()->isLinked());
    }

    void aboutNamesTheLinkedScanner()
    {
        MainWindow window;
        manager::instance(&window);
        ModalAnswers answers(true);
        window.on_actionAbout_triggered();
        QCOMPARE(answers.seen, QStringList({ QStringLiteral("about:Simulated scanner (built in)") }));
    }

private:
    QTemporaryDir m_state;
    std::unique_ptr<WorkerSignals> m_results;
};

QTEST_MAIN(TestScannerMenu)
#include "test_scannermenu.moc"
