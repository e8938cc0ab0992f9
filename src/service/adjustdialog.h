#pragma once

#include <QDialog>

#include <memory>

class QCloseEvent;
class QTimer;
namespace Ui
{
class adjustdialog;
}

// The hidden adjust window: six percentage factors (exposure and gain per colour)
// that prescan and scan use in engineer mode. Shown and hidden by the main window
// (openDialog(), closeDialog()), never re-created; while it is shown the program is
// in engineer mode. Set takes effect at once, so its confirmation comes straight
// from the dialog's own signal.
// Threads: main thread; the factors are read by the worker when a scan is requested.
class adjustdialog : public QDialog
{
    Q_OBJECT

public:
    // parent is the main window, whose title tells the mode.
    explicit adjustdialog(QWidget* parent = nullptr);
    ~adjustdialog() override;

    void openDialog();
    void closeDialog();

    QString message() const;

signals:
    void scannerSetScanParameter_s();

public slots:
    void scannerSetScanParameter();
    void on_pushButton_Set_clicked();
    void timeArrival();
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::unique_ptr<Ui::adjustdialog> m_ui;
    QString m_statusText;
    QTimer* m_timer = nullptr;
    int m_ticks = 0;
    bool m_shownBefore = false;
};
