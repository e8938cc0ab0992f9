#include "mainwindow.h"

#include "desktop.h"
#include "mainform.h"
#include "manager.h"
#include "ui_mainwindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QMessageBox>

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::MainWindow>())
{
    m_ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/Image/Korvane.ico")));
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

QString MainWindow::manualPath()
{
    return manager::applicationFolder() + QStringLiteral("/manual/manual_English 002.pdf");
}

void MainWindow::on_actionUserManual_triggered()
{
    const QString path = manualPath();
    if (!Desktop::openDocument(path)) {
        QMessageBox::warning(this, tr("Korvane"),
            tr("The user manual %1 could not be opened.").arg(QDir::toNativeSeparators(path)),
            QMessageBox::Ok);
    }
}

void MainWindow::on_actionExit_triggered()
{
    // The close event asks, so the question comes once whichever way the user closes.
    close();
}

void MainWindow::Scanner_disconnect()
{
    m_quitting = true;
    QMessageBox::critical(this, tr("Korvane"), tr("Scanner disconnect"), QMessageBox::Ok);
    QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!m_quitting && mainForm()->hasPrescan()
        && QMessageBox::question(
               this, tr("Korvane"), tr("Are you sure to exit Korvane?"), QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    event->accept();
}
