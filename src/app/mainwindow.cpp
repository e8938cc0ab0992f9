#include "mainwindow.h"

#include <formlook.h>

#include "aboutdialog.h"
#include "adjustdialog.h"
#include "desktop.h"
#include "engineerdialog.h"
#include "fwupdatedialog.h"
#include "installcheck.h"
#include "languagedialog.h"
#include "mainform.h"
#include "manager.h"
#include "scannerlinking.h"
#include "servicetitles.h"
#include "ui_mainwindow.h"

#include <editorprompts.h>
#include <scannerlist.h>
#include <scannersdk.h>

#include <QCloseEvent>
#include <QDir>
#include <QShortcut>

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::MainWindow>())
{
    m_ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/Image/Korvane.ico")));

    const Qt::WindowFlags serviceFlags = Qt::Dialog | Qt::WindowCloseButtonHint;
    m_engineer = new EngineerDialog(manager::instance()->scanner(), this);
    m_engineer->setWindowFlags(serviceFlags);
    m_engineer->hide();
    m_adjust = new adjustdialog(this);
    m_adjust->setWindowFlags(serviceFlags);
    m_adjust->hide();
    titleServiceWindows();

    auto* engineerKey = new QShortcut(engineerShortcut(), this);
    connect(engineerKey, &QShortcut::activated, this, &MainWindow::openEngineer);
}

MainWindow::~MainWindow() = default;

QPoint MainWindow::centredPosition(const QRect& desktop, const QRect& frame)
{
    // Integer halves, each rounded down on its own.
    const int x = qMax(0, desktop.width() / 2 - frame.width() / 2);
    const int y = qMax(0, desktop.height() / 2 - frame.height() / 2 - 20);
    return QPoint(x, y);
}

MainForm* MainWindow::mainForm() const
{
    return m_ui->widget;
}

void MainWindow::setPrompts(EditorPrompts* prompts)
{
    m_prompts = prompts;
    mainForm()->setPrompts(prompts);
}

EditorPrompts* MainWindow::prompts() const
{
    return m_prompts ? m_prompts : EditorPrompts::native();
}

QString MainWindow::manualPath()
{
    return InstallCheck::manualPath(manager::applicationFolder());
}

void MainWindow::on_actionUserManual_triggered()
{
    const QString path = manualPath();
    if (!Desktop::openDocument(path)) {
        prompts()->warning(this, tr("Korvane"),
            tr("The user manual %1 could not be opened.").arg(QDir::toNativeSeparators(path)));
    }
}

QKeySequence MainWindow::engineerShortcut()
{
    return QKeySequence(Qt::CTRL + Qt::SHIFT + Qt::Key_E);
}

void MainWindow::on_actionFirmwareUpdate_triggered()
{
    manager* data = manager::instance();
    FWUpdateDialog dialog(data->scanner(), data->firmwareVersion(), this);
    dialog.setPrompts(m_prompts);
    dialog.setFont(FormLook::formFont(dialog.font()));
    if (dialog.exec() == QDialog::Accepted) {
        prompts()->information(
            this, tr("Update firmware"), tr("Update firmware success.\nIt will close Korvane softwrae now."));
        quitWithoutQuestion();
    } else if (dialog.updateFailed()) {
        // The worker has let go of the scanner, so nothing more can be scanned.
        prompts()->critical(this, tr("Korvane"),
            tr("Update firmware failed.\nThe scanner keeps its firmware. Korvane will close now; "
               "connect the scanner again and restart Korvane."));
        quitWithoutQuestion();
    }
}

void MainWindow::on_actionAbout_triggered()
{
    manager* data = manager::instance();
    AboutDialog dialog(data->scanner(), data->firmwareVersion(), data->hardwareVersion(), this);
    connect(&dialog, &AboutDialog::openAdjust_s, this, &MainWindow::openAdjust);
    const QString scanner = data->scanner()->scannerName();
    // A scanner reached through SANE names itself in the record; its model code is only borrowed.
    const QByteArray record = data->scannerInfo();
    const QString product
        = QString(NVAScanner::deviceVendor(record) + QLatin1Char(' ') + NVAScanner::deviceModel(record))
              .trimmed();
    if (ScannerList::isSimulatorName(scanner))
        dialog.setScanner(ScannerList::simulator().label());
    else
        dialog.setScanner(product.isEmpty() ? scanner : QStringLiteral("%1 (%2)").arg(product, scanner));
    dialog.exec();
}

QPoint MainWindow::serviceWindowPosition() const
{
    const QWidget* registered = manager::instance()->mainWindow();
    return (registered ? registered : this)->geometry().topLeft();
}

void MainWindow::openEngineer()
{
    if (!m_engineer)
        return;
    if (m_engineer->isHidden()) {
        m_engineer->move(serviceWindowPosition());
        m_engineer->openDialog();
    } else {
        m_engineer->closeDialog();
    }
}

void MainWindow::openAdjust()
{
    if (!m_adjust)
        return;
    if (m_adjust->isHidden()) {
        m_adjust->move(serviceWindowPosition());
        m_adjust->openDialog();
    } else {
        m_adjust->closeDialog();
    }
}

void MainWindow::quitWithoutQuestion()
{
    m_quitting = true;
    // Queued: the event loop ends once the box that told the user has gone.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void MainWindow::on_actionExit_triggered()
{
    // The close event asks, so the question comes once whichever way the user closes.
    close();
}

void MainWindow::on_actionScanner_triggered()
{
    ScannerSDK* worker = manager::instance()->scanner();
    const QString current = worker->scannerName();
    const QString chosen = ScannerLinking::choose(ScannerList(), current, this);
    const bool same = chosen == current
        || (ScannerList::isSimulatorName(chosen) && ScannerList::isSimulatorName(current));
    if (chosen.isEmpty() || (same && worker->isLinked()))
        return;
    if (!ScannerLinking::relink(worker, chosen, this)) {
        // Not even the simulated scanner linked: nothing is left to scan with.
        prompts()->critical(this, tr("Korvane"), tr("Connect with Kor scanner fail !"));
        quitWithoutQuestion();
    }
}

void MainWindow::on_actionLanguage_triggered()
{
    manager* data = manager::instance();
    const QStringList names = data->languageNames();
    if (names.isEmpty()) {
        prompts()->warning(this, tr("Korvane"), manager::languageListProblem());
        return;
    }
    LanguageDialog dialog(this);
    dialog.setWindowTitle(tr("Korvane"));
    dialog.setLanguages(names);
    dialog.setCurrentLanguage(data->language());
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int chosen = dialog.selectedLanguage();
    if (chosen < 0 || chosen == data->language())
        return;
    const QString problem = data->switchLanguage(chosen);
    if (!problem.isEmpty()) {
        prompts()->warning(this, tr("Korvane"), problem);
        return;
    }
    if (!data->setLanguage(chosen)) {
        prompts()->warning(this, tr("Korvane"),
            tr("Korvane could not save the language in %1, so it is shown in this language only until "
               "Korvane is closed.")
                .arg(QDir::toNativeSeparators(manager::languageChoiceFile())));
    }
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::LanguageChange)
        return;
    m_ui->retranslateUi(this);
    // The form's own title is a placeholder; the shown one says the service mode.
    ServiceTitles::retranslate(this);
    titleServiceWindows();
}

void MainWindow::titleServiceWindows()
{
    m_engineer->setWindowTitle(tr("Engineer Setting"));
    m_adjust->setWindowTitle(tr("Adjust Setting"));
}

void MainWindow::Scanner_disconnect()
{
    m_quitting = true;
    prompts()->critical(this, tr("Korvane"), tr("Scanner disconnect"));
    QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!m_quitting && mainForm()->hasPrescan()
        && !prompts()->question(this, tr("Korvane"), tr("Are you sure to exit Korvane?"))) {
        event->ignore();
        return;
    }
    event->accept();
}
