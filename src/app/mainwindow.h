#pragma once

#include <QKeySequence>
#include <QMainWindow>

#include <memory>

class EditorPrompts;
class EngineerDialog;
class MainForm;
class QCloseEvent;
class adjustdialog;
namespace Ui
{
class MainWindow;
}

// The top-level window: the main form as its only content, the menu, the one
// question before a prescan is thrown away on closing, and the two hidden service
// windows (engineer and adjust), created once as its children and shown or hidden
// by openEngineer() and openAdjust(). The engineer window has no menu entry: the
// key combination Ctrl+Shift+E toggles it. Threads: main thread.
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
    EngineerDialog* engineerDialog() const { return m_engineer; }
    adjustdialog* adjustDialog() const { return m_adjust; }
    static QKeySequence engineerShortcut();
    // The boxes and file choosers of the window, its form and its firmware dialog; null
    // for the native ones.
    void setPrompts(EditorPrompts* prompts);

public slots:
    void on_actionUserManual_triggered();
    void on_actionFirmwareUpdate_triggered();
    void on_actionAbout_triggered();
    void on_actionExit_triggered();
    // The choice of the scanner; a new one is linked at once.
    void on_actionScanner_triggered();
    // Asks the language question again and shows the choice at once.
    void on_actionLanguage_triggered();
    void Scanner_disconnect();
    void openEngineer();
    void openAdjust();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::unique_ptr<Ui::MainWindow> m_ui;
    // Where the service windows open: the main window the manager knows, else this.
    QPoint serviceWindowPosition() const;
    void quitWithoutQuestion();
    EditorPrompts* prompts() const;
    void titleServiceWindows();

    // Set once the scanner is gone: the application ends without asking.
    bool m_quitting = false;
    EngineerDialog* m_engineer = nullptr; // children: they die with the window
    adjustdialog* m_adjust = nullptr;
    EditorPrompts* m_prompts = nullptr;
};
