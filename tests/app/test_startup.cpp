// The whole start-up against the simulated scanner, each run in a process of its
// own (one application object per process). The helper reports every window the
// start-up raises and answers it as the test asks.
#include "adjustdialog.h"
#include "languagedialog.h"
#include "mainform.h"
#include "mainwindow.h"
#include "notifydialog.h"
#include "sayingprompts.h"
#include "scannerdialog.h"
#include "singleapplication.h"
#include "startup.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

namespace
{

void say(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

class WaitDialogReporter : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            auto* wait = qobject_cast<NotifyDialog*>(watched);
            if (wait && !m_told.contains(wait)) {
                m_told.insert(wait);
                say(QStringLiteral("wait:%1").arg(wait->windowTitle()));
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QSet<QObject*> m_told;
};

// answer: "close" closes the main window once shown; "cancel" presses Cancel in the
// wait dialog; "wait" leaves the wait dialog alone; "scan" presses Scan once the main
// window shows. The scanner choice is accepted as it opens, unless
// KORVANE_TEST_SCANNER_CHOICE is "cancel". scanner is the command line's --scanner.
int runStartup(int argc, char** argv, const QString& key, const QString& answer, const QString& scanner)
{
    SingleApplication app(argc, argv, key);
    QSet<QObject*> reported;
    QSet<QObject*> answered;
    // A wait dialog is told as it shows: a quick link closes it again before the next poll.
    WaitDialogReporter waits;
    app.installEventFilter(&waits);
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&reported, &answered, answer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            say(QStringLiteral("box:%1|%2")
                    .arg(box->windowTitle(), box->text().replace(QLatin1Char('\n'), QLatin1Char('#'))));
            box->accept();
        } else if (auto* choice = qobject_cast<ScannerDialog*>(modal)) {
            const auto* list = choice->findChild<QListWidget*>(QStringLiteral("listWidget_Scanner"));
            say(QStringLiteral("scanners:%1|%2").arg(list->count()).arg(list->currentRow()));
            if (qgetenv("KORVANE_TEST_SCANNER_CHOICE") == "cancel")
                choice->reject();
            else
                choice->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        } else if (auto* languages = qobject_cast<LanguageDialog*>(modal)) {
            say(QStringLiteral("language"));
            languages->accept();
        } else if (auto* wait = qobject_cast<NotifyDialog*>(modal)) {
            if (!answered.contains(wait)) {
                answered.insert(wait);
                if (answer == QLatin1String("cancel"))
                    wait->findChild<QPushButton*>(QStringLiteral("pushButton_cancel"))->click();
            }
        }
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget* widget : windows) {
            auto* window = qobject_cast<MainWindow*>(widget);
            if (!window || !window->isVisible() || reported.contains(window))
                continue;
            reported.insert(window);
            const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
            const QPoint expected = MainWindow::centredPosition(desktop, window->frameGeometry());
            // The service windows are windows of their own: they must get the 12-pixel
            // font too, or their fixed-position texts are clipped on a desktop with a
            // larger default.
            say(QStringLiteral("window:%1|%2|%3|%4")
                    .arg(window->windowTitle())
                    .arg(window->font().pixelSize())
                    .arg(window->adjustDialog()->font().pixelSize())
                    .arg(window->pos() == expected));
            if (answer == QLatin1String("close"))
                QTimer::singleShot(100, window, &QWidget::close);
            if (answer == QLatin1String("scan"))
                QTimer::singleShot(
                    100, window, [window] { window->findChild<MainForm*>()->on_Scan_clicked(); });
        }
    });
    watcher.start(10);
    SayingPrompts boxes([](const QString& title, QString text) {
        say(QStringLiteral("box:%1|%2").arg(title, text.replace(QLatin1Char('\n'), QLatin1Char('#'))));
    });
    Startup::run(app, scanner, &boxes);
    say(QStringLiteral("done"));
    return 0;
}

struct Run {
    int exitCode = -1;
    QStringList lines;
    QString text() const { return lines.join(QLatin1Char('\n')); }
};

QString text(const QStringList& lines)
{
    return lines.join(QLatin1Char('\n'));
}

Run start(const QString& answer, const QStringList& environment = {},
    const QString& program = QCoreApplication::applicationFilePath(), const QString& scanner = QString())
{
    static int runs = 0;
    const QString key = QStringLiteral("KorvaneLockStartup-%1-%2").arg(::getpid()).arg(++runs);
    QProcess helper;
    helper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : environment)
        variables.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    helper.setProcessEnvironment(variables);
    helper.start(program, { QStringLiteral("--start"), key, answer, scanner });
    Run run;
    if (!helper.waitForFinished(30000)) {
        helper.kill();
        helper.waitForFinished(2000);
        run.lines.append(QStringLiteral("timeout"));
        return run;
    }
    run.exitCode = helper.exitStatus() == QProcess::NormalExit ? helper.exitCode() : -1;
    run.lines
        = QString::fromUtf8(helper.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return run;
}

QString langIni()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
        + QStringLiteral("/Korvane/lang.ini");
}

QString scannerIni()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
        + QStringLiteral("/Korvane/scanner.ini");
}

void storeLanguage(int index)
{
    QDir().mkpath(QFileInfo(langIni()).path());
    QFile file(langIni());
    if (file.open(QIODevice::WriteOnly))
        file.write(QByteArray("[General]\nLang=") + QByteArray::number(index) + '\n');
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(langIni());
        QFile::remove(scannerIni());
    }

    void firstStartAsksTheLanguageOnceThenLinks()
    {
        const Run first = start(QStringLiteral("close"));
        QCOMPARE(first.exitCode, 0);
        QCOMPARE(first.text(),
            text(QStringList({ QStringLiteral("language"), QStringLiteral("wait:Korvane"),
                QStringLiteral("window:Korvane|12|12|1"), QStringLiteral("done") })));
        // OK on the first row stored English.
        QCOMPARE(QSettings(langIni(), QSettings::IniFormat).value(QStringLiteral("Lang")).toInt(), 0);
        const QString data = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
            + QStringLiteral("/Korvane/Data");
        QCOMPARE(QDir(data).entryList({ QStringLiteral("*.kor") }, QDir::Files).size(), 10);

        const Run second = start(QStringLiteral("close"));
        QCOMPARE(second.lines.value(0), QStringLiteral("wait:Korvane")); // not asked again
        QCOMPARE(second.exitCode, 0);
    }

    void linkProblemsEndWithTheBox_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("environment");
        QTest::newRow("link fails") << "wait" << QStringList({ "KORVANE_SIM_FAIL_LINK=1" });
        QTest::newRow("unsupported model") << "wait" << QStringList({ "KORVANE_SIM_MODEL=90" });
        QTest::newRow("cancel while waiting")
            << "cancel" << QStringList({ "KORVANE_SIM_PRESENT_FROM_POLL=100000" });
    }
    void linkProblemsEndWithTheBox()
    {
        QFETCH(QString, answer);
        QFETCH(QStringList, environment);
        storeLanguage(0);
        const Run run = start(answer, environment);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.text(),
            text(QStringList({ QStringLiteral("wait:Korvane"),
                QStringLiteral("box:Korvane|Connect with Kor scanner fail !"), QStringLiteral("done") })));
    }

    void unpluggedScannerEndsTheProgram()
    {
        storeLanguage(0);
        const Run run = start(QStringLiteral("wait"), { QStringLiteral("KORVANE_SIM_UNPLUG_AFTER_POLL=4") });
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.text(),
            text(QStringList({ QStringLiteral("wait:Korvane"), QStringLiteral("window:Korvane|12|12|1"),
                QStringLiteral("box:Korvane|Scanner disconnect"), QStringLiteral("done") })));
    }

    // Unplugged in the middle of the final scan: the failed scan is told, then the
    // disconnect, and the program ends; no file is left in the output folder.
    void unpluggedDuringTheScanEndsTheProgram()
    {
        storeLanguage(0);
        const Run run
            = start(QStringLiteral("scan"), { QStringLiteral("KORVANE_SIM_UNPLUG_AFTER_BLOCKS=2") });
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.text(),
            text(QStringList({ QStringLiteral("wait:Korvane"), QStringLiteral("window:Korvane|12|12|1"),
                QStringLiteral("wait:Scan"),
                QStringLiteral(
                    "box:Korvane|The scanner did not deliver the scan. Check the scanner and try again."),
                QStringLiteral("box:Korvane|Scanner disconnect"), QStringLiteral("done") })));
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
            + QStringLiteral("/Korvane/Pictures");
        QCOMPARE(
            QDir(pictures).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }

    void missingProgramFilesAreNamedBeforeTheLink()
    {
        // A program folder with the device library but no data, translations or manual.
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString program = folder.filePath(QStringLiteral("korvane_probe"));
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
        const QString library = QCoreApplication::applicationDirPath() + QStringLiteral("/TQ4100.dll");
        QVERIFY(QFile::link(
            QFileInfo(library).canonicalFilePath(), folder.filePath(QStringLiteral("TQ4100.dll"))));

        const Run run = start(QStringLiteral("close"), {}, program);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines.size(), 4);
        QVERIFY(run.lines.at(0).startsWith(QStringLiteral("box:Korvane|")));
        const QStringList problems = run.lines.at(0).mid(12).split(QLatin1Char('#'));
        // Each kind of file is named with its path, in a fixed order: the languages,
        // the ten film terms, the six parameter files, the TIFF templates, the manual.
        QCOMPARE(problems.size(), 19);
        QVERIFY(problems.at(0).startsWith(QStringLiteral("The language list ")));
        QVERIFY(problems.at(0).contains(folder.path() + QStringLiteral("/translator/LanguageMap.txt")));
        for (int i = 1; i <= 10; ++i)
            QVERIFY2(
                problems.at(i).startsWith(QStringLiteral("The film-term file ")), qPrintable(problems.at(i)));
        QVERIFY(problems.at(10).contains(folder.path() + QStringLiteral("/data/TQB/Default Negative.ft")));
        for (int i = 11; i <= 16; ++i)
            QVERIFY2(
                problems.at(i).startsWith(QStringLiteral("The parameter file ")), qPrintable(problems.at(i)));
        QVERIFY(problems.at(16).contains(folder.path() + QStringLiteral("/data/TQB/AUTOCROP_V2.INI")));
        QVERIFY(problems.at(17).startsWith(QStringLiteral("The TIFF templates in ")));
        QVERIFY(problems.at(18).contains(folder.path() + QStringLiteral("/manual/manual_English 002.pdf")));
        QCOMPARE(run.lines.at(1), QStringLiteral("wait:Korvane"));
        QCOMPARE(run.lines.at(2), QStringLiteral("window:Korvane|12|12|1"));
    }

    void unusableUserFolderStopsBeforeWriting()
    {
        // A file where the Documents folder should be: nothing can be made below it,
        // not even by root.
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        const QString moved = documents + QStringLiteral(".kept");
        QVERIFY(QDir().rename(documents, moved));
        QFile blocker(documents);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        const Run run = start(QStringLiteral("close"));
        QFile::remove(documents);
        QVERIFY(QDir().rename(moved, documents));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines.size(), 2);
        QVERIFY2(run.lines.at(0).startsWith(
                     QStringLiteral("box:Korvane|Korvane cannot create or write to the folder ") + documents
                     + QStringLiteral("/Korvane,")),
            qPrintable(run.lines.at(0)));
        QCOMPARE(run.lines.at(1), QStringLiteral("done"));
    }

    void damagedTranslationIsNamedAndEnglishIsShown()
    {
        // A program folder whose German file is not a translation.
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString here = QCoreApplication::applicationDirPath();
        const QString program = folder.filePath(QStringLiteral("korvane_probe"));
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
        for (const QString& name :
            { QStringLiteral("TQ4100.dll"), QStringLiteral("data"), QStringLiteral("manual") })
            QVERIFY(QFile::link(
                QFileInfo(here + QLatin1Char('/') + name).canonicalFilePath(), folder.filePath(name)));
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("translator")));
        QVERIFY(QFile::copy(here + QStringLiteral("/translator/LanguageMap.txt"),
            folder.filePath(QStringLiteral("translator/LanguageMap.txt"))));
        QFile damaged(folder.filePath(QStringLiteral("translator/korvane_de.qm")));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("not a translation");
        damaged.close();
        QVERIFY(QFile::copy(here + QStringLiteral("/translator/korvane_en.qm"),
            folder.filePath(QStringLiteral("translator/korvane_en.qm"))));

        storeLanguage(1); // German
        const Run run = start(QStringLiteral("wait"), { QStringLiteral("KORVANE_SIM_FAIL_LINK=1") }, program);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines.size(), 4);
        QCOMPARE(run.lines.at(0),
            QStringLiteral("box:Korvane|The translation file ") + folder.path()
                + QStringLiteral(
                    "/translator/korvane_de.qm is missing or damaged. Korvane is shown in English; "
                    "install Korvane again to restore it."));
        QCOMPARE(run.lines.at(2), QStringLiteral("box:Korvane|Connect with Kor scanner fail !"));
    }

    void storedLanguageIsInstalled()
    {
        storeLanguage(1); // German
        const Run run = start(QStringLiteral("wait"), { QStringLiteral("KORVANE_SIM_FAIL_LINK=1") });
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines.value(1),
            QStringLiteral("box:Korvane|Die Verbindung zum Kor-Scanner ist fehlgeschlagen!"));
    }

    // A scanner that does not link is named, the choice is offered again, and the
    // simulated scanner takes over; only a choice made in the dialog is remembered.
    void unreachableScannerOffersTheChoice_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("rememberedAfter");
        QTest::newRow("--scanner, choice cancelled") << "nosuch:0"
                                                     << ""
                                                     << "cancel"
                                                     << "";
        QTest::newRow("--scanner, simulator chosen") << "nosuch:0"
                                                     << "test:9"
                                                     << "ok"
                                                     << "simulator";
        QTest::newRow("remembered, choice cancelled") << ""
                                                      << "nosuch:0"
                                                      << "cancel"
                                                      << "nosuch:0";
    }
    void unreachableScannerOffersTheChoice()
    {
        QFETCH(QString, given);
        QFETCH(QString, remembered);
        QFETCH(QString, choice);
        QFETCH(QString, rememberedAfter);
        storeLanguage(0);
        if (!remembered.isEmpty())
            QSettings(scannerIni(), QSettings::IniFormat).setValue(QStringLiteral("Scanner"), remembered);

        const Run run
            = start(QStringLiteral("close"), { QStringLiteral("KORVANE_TEST_SCANNER_CHOICE=") + choice },
                QCoreApplication::applicationFilePath(), given);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines.size(), 6);
        QCOMPARE(run.lines.at(0), QStringLiteral("wait:Korvane"));
        QVERIFY2(run.lines.at(1).startsWith(
                     QStringLiteral("box:Korvane|Korvane cannot find the scanner nosuch:0. ")),
            qPrintable(run.lines.at(1)));
        QVERIFY(run.lines.at(1).contains(QStringLiteral("scanimage -L")));
        // Only the simulated scanner is there to choose, and it is offered first.
        QCOMPARE(run.lines.at(2), QStringLiteral("scanners:1|0"));
        QCOMPARE(run.lines.at(3), QStringLiteral("wait:Korvane"));
        QCOMPARE(run.lines.at(4), QStringLiteral("window:Korvane|12|12|1"));
        QCOMPARE(QSettings(scannerIni(), QSettings::IniFormat).value(QStringLiteral("Scanner")).toString(),
            rememberedAfter);
    }

    // Without a SANE device there is nothing to ask, and nothing is remembered.
    void simulatorAloneLinksWithoutAsking_data()
    {
        QTest::addColumn<QString>("given");
        QTest::newRow("no option") << "";
        QTest::newRow("--scanner simulator") << "simulator";
    }
    void simulatorAloneLinksWithoutAsking()
    {
        QFETCH(QString, given);
        storeLanguage(0);
        const Run run = start(QStringLiteral("close"), {}, QCoreApplication::applicationFilePath(), given);
        QCOMPARE(run.text(),
            text(QStringList({ QStringLiteral("wait:Korvane"), QStringLiteral("window:Korvane|12|12|1"),
                QStringLiteral("done") })));
        QVERIFY(!QFile::exists(scannerIni()));
    }

    // With SANE's test device present: a first start asks once, --scanner does not.
    void firstStartWithASaneDeviceAsksOnce()
    {
        if (!QFile::exists(QCoreApplication::applicationDirPath() + QStringLiteral("/korvane-sane.so")))
            QSKIP("the SANE device library is not built beside the program");
        QTemporaryDir config;
        QVERIFY(config.isValid());
        QFile dll(config.filePath(QStringLiteral("dll.conf")));
        QVERIFY(dll.open(QIODevice::WriteOnly));
        dll.write("test\n");
        dll.close();
        const QString sane = QStringLiteral("SANE_CONFIG_DIR=") + config.path();
        storeLanguage(0);

        const Run given = start(QStringLiteral("close"), { sane }, QCoreApplication::applicationFilePath(),
            QStringLiteral("test:0"));
        QCOMPARE(given.lines.value(0), QStringLiteral("wait:Korvane"));
        QCOMPARE(given.lines.value(1), QStringLiteral("window:Korvane|12|12|1"));
        QVERIFY(!QFile::exists(scannerIni()));

        const Run first = start(QStringLiteral("close"), { sane });
        QVERIFY2(first.lines.value(0).startsWith(QStringLiteral("scanners:")), qPrintable(first.text()));
        QVERIFY(first.lines.value(0) != QStringLiteral("scanners:1|0"));
        QCOMPARE(QSettings(scannerIni(), QSettings::IniFormat).value(QStringLiteral("Scanner")).toString(),
            QStringLiteral("simulator"));
        const Run second = start(QStringLiteral("close"), { sane });
        QCOMPARE(second.lines.value(0), QStringLiteral("wait:Korvane"));
    }
};

int main(int argc, char** argv)
{
    if (argc >= 5 && QByteArray(argv[1]) == "--start") {
        int helperArgc = 1;
        return runStartup(helperArgc, argv, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
            QString::fromLocal8Bit(argv[4]));
    }
    QCoreApplication app(argc, argv);
    TestStartup test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_startup.moc"
