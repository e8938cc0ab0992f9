#pragma once

#include <QDialog>

#include <memory>

class ScannerSDK;
namespace Ui
{
class AboutDialog;
}

// Shows the program's, the firmware's and the hardware's versions, and carries two
// hidden service entries: a double click on the logo switches RAW mode and the main
// window's title, a double click on the information box sends the scanner its
// service command and asks for the adjust dialog (openAdjust_s()).
// Threads: main thread. The service command goes through the worker, which sends it
// between two of its own device calls.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    // The versions as the manager gives them; an empty one leaves its label empty.
    // The dialog's parent is the main window, whose title follows RAW mode.
    AboutDialog(ScannerSDK* worker, const QString& firmwareVersion, const QString& hardwareVersion,
        QWidget* parent = nullptr);
    ~AboutDialog() override;

    static QString applicationVersion();
    // Which scanner is linked, as the user knows it.
    void setScanner(const QString& text);

signals:
    void openAdjust_s();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void toggleRawMode();
    void serviceGesture();

    std::unique_ptr<Ui::AboutDialog> m_ui;
    ScannerSDK* m_worker = nullptr;
};
