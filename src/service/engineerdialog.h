#pragma once

#include <QByteArray>
#include <QDialog>

#include <memory>

class QCloseEvent;
class QTimer;
class ScannerSDK;
namespace Ui
{
class EngineerDialog;
}

// The hidden engineer window: reads the scanner's exposure times, gains and
// lightness through the worker, lets a service engineer change and write them back,
// and opens the folder of the engineer-mode images. Shown and hidden by the main
// window (openDialog(), closeDialog()), never re-created; while it is shown the
// program is in engineer mode.
//
// A record is only ever written back after it was read from the scanner: the fields
// the dialog does not show are sent back exactly as received, never as zeros.
// Threads: main thread; the worker's answers arrive queued.
class EngineerDialog : public QDialog
{
    Q_OBJECT

public:
    // parent is the main window, whose title tells the mode.
    explicit EngineerDialog(ScannerSDK* worker, QWidget* parent = nullptr);
    ~EngineerDialog() override;

    // Shows the dialog and turns engineer mode on. The first opening reads the
    // parameters; a later one writes the shown values, or reads again while no
    // record has arrived yet.
    void openDialog();
    // Hides the dialog and turns engineer mode off.
    void closeDialog();

    QString message() const;
    bool hasRecord() const { return !m_record.isEmpty(); }

public slots:
    void scannerGetScanParameter(QByteArray array);
    void scannerSetScanParameter();
    void on_pushButton_browse_clicked();
    void on_pushButton_Set_clicked();
    void timeArrival();
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void requestParameters();
    void startWaiting(const QString& status);
    void showNotLinked();

    std::unique_ptr<Ui::EngineerDialog> m_ui;
    ScannerSDK* m_worker = nullptr;
    QByteArray m_record; // the last record received; empty until the first answer
    QString m_statusText;
    QTimer* m_timer = nullptr;
    int m_ticks = 0;
};
