#pragma once

#include <QDialog>

#include <memory>

class QTimer;
namespace Ui
{
class NotifyDialog;
}

// The modal wait dialog: its label cycles through the message with 0 to 9 dots, one
// step every 500 ms, until a result slot ends it (Accepted) or the user cancels
// (Rejected). A progress bar appears with the first progress value; waits that report
// none (the link) keep the dialog small. Threads: main thread; results of the worker arrive as queued
// signals.
class NotifyDialog : public QDialog
{
    Q_OBJECT

public:
    explicit NotifyDialog(QWidget* parent = nullptr);
    ~NotifyDialog() override;

    void setMessage(const QString& text);
    QString messageText() const;
    // -1 while the progress bar is hidden.
    int progress() const;

public slots:
    void linkSuccess();
    void linkFailure();
    void timeArrival();
    void on_pushButton_cancel_clicked();
    void setProgress(int percent);

private:
    std::unique_ptr<Ui::NotifyDialog> m_ui;
    QString m_message;
    QTimer* m_timer = nullptr;
    int m_ticks = 0;
};
