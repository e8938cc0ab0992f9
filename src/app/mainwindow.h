#pragma once

#include <QMainWindow>

#include <memory>

class MainForm;
class QCloseEvent;
namespace Ui
{
class MainWindow;
}

// The top-level window: the main form as its only content, the menu, and the one
// question before a prescan is thrown away on closing. Threads: main thread.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The window position that centres frame on desktop, 20 pixels above the middle,
    // never left of or above the desktop's origin.
    static QPoint centredPosition(const QRect& desktop, const QRect& frame);

    MainForm* mainForm() const;
    // Where the user manual is expected.
    static QString manualPath();

public slots:
    void on_actionUserManual_triggered();
    void on_actionExit_triggered();
    void Scanner_disconnect();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Ui::MainWindow> m_ui;
    // Set once the scanner is gone: the application ends without asking.
    bool m_quitting = false;
};
