#include "mainwindow.h"

#include "manager.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
{
    m_ui.setupUi(this);
}

MainWindow::~MainWindow() = default;

QPoint MainWindow::centredPosition(const QRect& desktop, const QRect& frame)
{
    // Integer halves, each rounded down on its own.
    const int x = qMax(0, desktop.width() / 2 - frame.width() / 2);
    const int y = qMax(0, desktop.height() / 2 - frame.height() / 2 - 20);
    return QPoint(x, y);
}

void MainWindow::on_actionUserManual_triggered()
{
    QString path = manager::applicationFolder() + QStringLiteral("/manual/manual_English 002.pdf");
    // A Unix path brings its own leading slash; "file:///" already holds the root's.
    if (path.startsWith(QLatin1Char('/')))
        path.remove(0, 1);
    QDesktopServices::openUrl(QUrl(QStringLiteral("file:///") + path, QUrl::TolerantMode));
}

void MainWindow::on_actionExit_triggered()
{
    close();
}

void MainWindow::Scanner_disconnect()
{
    QMessageBox::critical(this, tr("Korvane"), tr("Scanner disconnect"), QMessageBox::Ok);
    QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Without a main form there is no prescan to lose, so closing needs no question.
    event->accept();
}
