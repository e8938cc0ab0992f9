#include "languagedialog.h"
#include "mainwindow.h"
#include "notifydialog.h"

#include <manager.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    // The main window's form brought the manager (and its idle worker) to life.
    void cleanupTestCase() { manager::release(); }

    void notifyDialogForm()
    {
        NotifyDialog dialog;
        QCOMPARE(dialog.size(), QSize(341, 58));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Dialog"));
        auto* label = dialog.findChild<QLabel*>(QStringLiteral("label_showMessage"));
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral("Initialize scanner. Please wait"));
        QCOMPARE(label->font().pointSize(), 12);
        QVERIFY(dialog.findChild<QPushButton*>(QStringLiteral("pushButton_cancel")));
        // Qt itself adds the system menu hint that goes with a close button.
        const Qt::WindowFlags hints = dialog.windowFlags() & ~Qt::WindowType_Mask & ~Qt::WindowSystemMenuHint;
        QCOMPARE(hints, Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
        auto* timer = dialog.findChild<QTimer*>();
        QVERIFY(timer && timer->isActive());
        QCOMPARE(timer->interval(), 500);
    }

    void dotsCycle()
    {
        NotifyDialog dialog;
        dialog.setMessage(QStringLiteral("Wait"));
        // The form's text shows until the first tick.
        QCOMPARE(dialog.messageText(), QStringLiteral("Initialize scanner. Please wait"));
        for (int tick = 0; tick < 25; ++tick) {
            dialog.timeArrival();
            QCOMPARE(dialog.messageText(), QStringLiteral("Wait") + QString(tick % 10, QLatin1Char('.')));
        }
    }

    // The bar appears with the first value, clamped to 0-100, while the dots go on.
    void progressShowsWithTheFirstValue()
    {
        NotifyDialog dialog;
        dialog.setMessage(QStringLiteral("Scan"));
        auto* bar = dialog.findChild<QProgressBar*>(QStringLiteral("progressBar"));
        QVERIFY(bar);
        QCOMPARE(dialog.progress(), -1);
        QVERIFY(bar->isHidden());
        dialog.setProgress(40);
        QCOMPARE(dialog.progress(), 40);
        QVERIFY(!bar->isHidden());
        dialog.setProgress(140);
        QCOMPARE(dialog.progress(), 100);
        dialog.timeArrival();
        dialog.timeArrival();
        QCOMPARE(dialog.messageText(), QStringLiteral("Scan."));
    }

    void dotsAdvanceOnTheTimer()
    {
        NotifyDialog dialog;
        dialog.setMessage(QStringLiteral("M"));
        QTRY_COMPARE_WITH_TIMEOUT(dialog.messageText(), QStringLiteral("M."), 5000);
    }

    void notifyResults_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("result");
        QTest::newRow("link success") << 0 << int(QDialog::Accepted);
        QTest::newRow("link failure") << 1 << int(QDialog::Rejected);
        QTest::newRow("cancel button") << 2 << int(QDialog::Rejected);
        QTest::newRow("failure before exec") << 3 << int(QDialog::Rejected);
    }
    void notifyResults()
    {
        QFETCH(int, action);
        NotifyDialog dialog;
        auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("pushButton_cancel"));
        if (action == 3) {
            // A queued failure that is delivered once exec() runs its loop.
            QMetaObject::invokeMethod(&dialog, &NotifyDialog::linkFailure, Qt::QueuedConnection);
        } else {
            QTimer::singleShot(50, &dialog, [&dialog, cancel, action] {
                if (action == 0)
                    dialog.linkSuccess();
                else if (action == 1)
                    dialog.linkFailure();
                else
                    cancel->click();
            });
        }
        // A guard that ends a hung exec() so the test fails instead of blocking.
        QTimer::singleShot(5000, &dialog, [&dialog] { dialog.done(99); });
        QTEST(dialog.exec(), "result");
    }

    void languageDialog()
    {
        LanguageDialog dialog;
        QCOMPARE(dialog.size(), QSize(236, 300));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Dialog"));
        QCOMPARE(dialog.selectedLanguage(), 0);
        auto* list = dialog.findChild<QListWidget*>(QStringLiteral("listWidget_Lang"));
        auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        QVERIFY(list && buttons);
        QCOMPARE(buttons->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);

        list->addItem(QStringLiteral("stale"));
        dialog.setLanguages(
            { QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Fran\u00e7ais") });
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(1)->text(), QStringLiteral("Deutsch"));
        QCOMPARE(list->currentRow(), 0);

        // OK without changing the row selects 0.
        QTimer::singleShot(0, buttons->button(QDialogButtonBox::Ok), &QPushButton::click);
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(dialog.selectedLanguage(), 0);

        // A double click takes the current row.
        list->setCurrentRow(2);
        QTimer::singleShot(0, &dialog, [list] { emit list->itemDoubleClicked(list->item(2)); });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(dialog.selectedLanguage(), 2);

        // Cancel keeps the last choice.
        list->setCurrentRow(1);
        QTimer::singleShot(0, buttons->button(QDialogButtonBox::Cancel), &QPushButton::click);
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(dialog.selectedLanguage(), 2);
    }

    void mainWindowMenu()
    {
        MainWindow window;
        QCOMPARE(window.size(), QSize(1024, 600));
        QCOMPARE(window.windowTitle(), QStringLiteral("MainWindow"));
        const QList<QAction*> menus = window.menuBar()->actions();
        QCOMPARE(menus.size(), 2);
        QCOMPARE(menus.at(0)->text(), QStringLiteral("&File"));
        QCOMPARE(menus.at(1)->text(), QStringLiteral("&Help"));
        const QList<QAction*> help = menus.at(1)->menu()->actions();
        QCOMPARE(help.size(), 4);
        QCOMPARE(help.at(0)->objectName(), QStringLiteral("actionUserManual"));
        QCOMPARE(help.at(0)->shortcut(), QKeySequence(QStringLiteral("Ctrl+U")));
        QCOMPARE(help.at(1)->objectName(), QStringLiteral("actionFirmwareUpdate"));
        QVERIFY(help.at(2)->isSeparator());
        QCOMPARE(help.at(3)->objectName(), QStringLiteral("actionAbout"));
        // Close ends the File menu, below the entries that change settings.
        const QList<QAction*> file = menus.at(0)->menu()->actions();
        QCOMPARE(file.value(0)->objectName(), QStringLiteral("actionScanner"));
        QCOMPARE(file.last()->objectName(), QStringLiteral("actionExit"));
        QVERIFY(file.contains(window.findChild<QAction*>(QStringLiteral("actionLanguage"))));
    }

    void exitClosesWithoutAQuestionBeforeAnyPrescan()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.findChild<QAction*>(QStringLiteral("actionExit"))->trigger();
        QVERIFY(!window.isVisible());
    }

    void centredPosition_data()
    {
        QTest::addColumn<QRect>("desktop");
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QPoint>("position");
        QTest::newRow("large desktop")
            << QRect(0, 0, 1920, 1080) << QRect(0, 0, 1024, 600) << QPoint(448, 220);
        QTest::newRow("odd sizes round down apart")
            << QRect(0, 0, 1025, 801) << QRect(0, 0, 301, 201) << QPoint(512 - 150, 400 - 100 - 20);
        QTest::newRow("smaller desktop clamps")
            << QRect(0, 0, 800, 500) << QRect(0, 0, 1030, 640) << QPoint(0, 0);
    }
    void centredPosition()
    {
        QFETCH(QRect, desktop);
        QFETCH(QRect, frame);
        QTEST(MainWindow::centredPosition(desktop, frame), "position");
    }
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
