#include "mainwindow.h"

#include "aboutdialog.h"
#include "adjustdialog.h"
#include "desktop.h"
#include "engineerdialog.h"
#include "fwupdatedialog.h"
#include "installcheck.h"
#include "mainform.h"
#include "manager.h"
#include "ui_mainwindow.h"

#include <editorprompts.h>

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
    m_engineer->setWindowTitle(tr("Engineer Setting"));
    m_engineer->setWindowFlags(serviceFlags);
    m_engineer->hide();
    m_adjust = new adjustdialog(this);
    m_adjust->setWindowTitle(tr("Adjust Setting"));
    m_adjust->setWindowFlags(serviceFlags);
    m_adjust->hide();

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
    QFont font = dialog.font();
    font.setPixelSize(12);
    dialog.setFont(font);
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
