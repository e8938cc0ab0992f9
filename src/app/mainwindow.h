#pragma once

#include "ui_mainwindow.h"

#include <QMainWindow>

class QCloseEvent;

// The top-level window with its menu. Until the main form is built the central area
// stays empty. Threads: main thread.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The window position that centres frame on desktop, 20 pixels above the middle,
    // never left of or above the desktop's origin.
    static QPoint centredPosition(const QRect& desktop, const QRect& frame);

public slots:
    void on_actionUserManual_triggered();
    void on_actionExit_triggered();
    void Scanner_disconnect();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Ui::MainWindow m_ui;
};
