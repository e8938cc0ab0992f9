#include "startup.h"

#include <formlook.h>

#include "languagedialog.h"
#include "mainwindow.h"
#include "manager.h"
#include "scannerlinking.h"
#include "scannersdk.h"
#include "singleapplication.h"
#include "userfolders.h"

#include <editorprompts.h>
#include <scannerchoice.h>
#include <scannerlist.h>

#include <QDir>
#include <QScreen>

#include <memory>

void Startup::run(SingleApplication& app, const QString& scanner, EditorPrompts* given)
{
    EditorPrompts& prompts = given ? *given : *EditorPrompts::native();
    const QString unusable = UserFolders::unusableFolder();
    // The language is asked only where the answer can be kept; without a usable folder
    // the start-up stops right after, and the question comes again next time.
    settleLanguage(unusable.isEmpty());
    if (!unusable.isEmpty()) {
        reportUnusableFolder(prompts, unusable);
        manager::release();
        return;
    }
    // The slots are built after the language is settled: their texts are translated.
    manager::instance()->initProfiles();
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    QApplication::setStyle(QStringLiteral("Fusion"));

    if (app.isRunning())
        reportAnotherInstance(prompts, app);
    else
        runFirstInstance(prompts, app, scanner);
    // Also after a second instance: the worker was never started, and destroying the
    // manager here keeps the order manager, then windows, then application.
    manager::release();
}

void Startup::settleLanguage(bool mayAsk)
{
    manager* data = manager::instance();
    if (!data->loadLanguageMap())
        return;
    if (data->language() != -1) {
        installLanguage(data->language());
        return;
    }
    if (!mayAsk)
        return;
    LanguageDialog dialog;
    dialog.setWindowTitle(tr("Korvane"));
    dialog.setLanguages(data->languageNames());
    // A cancelled choice stores nothing, so the question comes again next time.
    if (dialog.exec() == QDialog::Accepted && dialog.selectedLanguage() >= 0) {
        data->setLanguage(dialog.selectedLanguage());
        installLanguage(dialog.selectedLanguage());
    }
}

void Startup::installLanguage(int index)
{
    manager* data = manager::instance();
    if (data->loadLanguage(index))
        data->installTranslators();
}

void Startup::reportUnusableFolder(EditorPrompts& prompts, const QString& folder)
{
    // Writing the profiles or scans anywhere else would hide them from the user.
    prompts.critical(nullptr, tr("Korvane"),
        tr("Korvane cannot create or write to the folder %1, where it keeps your profiles and scans. "
           "Check that your Documents folder exists and that you may write to it, then start Korvane again.")
            .arg(QDir::toNativeSeparators(folder)));
}

void Startup::reportAnotherInstance(EditorPrompts& prompts, SingleApplication& app)
{
    app.sendMessage(QStringLiteral("I am another instance"));
    app.sendMessage(QStringLiteral("I want to send several message like argv if needed"));
    prompts.critical(nullptr, tr("Korvane"), tr("Another program instance is already running, aborting."));
}

QString Startup::scannerToLink(const QString& given)
{
    if (!given.isEmpty())
        return given;
    if (ScannerChoice::isStored())
        return ScannerChoice::stored();
    const ScannerList list;
    // With the simulator alone there is nothing to choose; the question waits for
    // the first start that finds a real scanner.
    if (!list.hasSaneDevices())
        return ScannerList::simulator().name;
    const QString chosen = ScannerLinking::choose(list, ScannerList::simulator().name, nullptr);
    // A cancelled choice stores nothing, so the question comes again next time.
    return chosen.isEmpty() ? ScannerList::simulator().name : chosen;
}

void Startup::runFirstInstance(EditorPrompts& prompts, SingleApplication& app, const QString& scanner)
{
    MainWindow window;
    window.setPrompts(&prompts);
    const QFont font = FormLook::formFont(window.font());
    // The forms place their texts at fixed positions made for this size. Dialogs are
    // windows of their own and would take the desktop's font instead, which may be
    // larger and clip them, so the whole application gets it.
    QApplication::setFont(font);
    window.setFont(font);
    window.setWindowTitle(tr("Korvane"));

    manager* data = manager::instance(&window);
    ScannerSDK* worker = data->scanner();

    const QStringList problems = data->startupProblems();
    if (!problems.isEmpty())
        prompts.warning(nullptr, tr("Korvane"), problems.join(QLatin1Char('\n')));

    const bool linked = ScannerLinking::linkFirst(worker, scannerToLink(scanner), nullptr);
    if (linked) {
        const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
        const QPoint position = MainWindow::centredPosition(desktop, window.frameGeometry());
        QObject::connect(worker, &ScannerSDK::scannerDisconnect_s, &window, &MainWindow::Scanner_disconnect,
            Qt::QueuedConnection);
        window.move(position);
        window.show();
        // Without a window manager nothing else gives the window the keyboard, and
        // its menu shortcuts need it.
        window.activateWindow();
        app.exec();
    } else {
        worker->setKeepRunning(false);
        prompts.critical(nullptr, tr("Korvane"), tr("Connect with Kor scanner fail !"));
    }
    // The manager goes first: it stops and joins the worker, which still has signals
    // connected to the window.
    manager::release();
}
