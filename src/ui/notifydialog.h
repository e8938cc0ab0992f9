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
// (Rejected). Threads: main thread; results of the worker arrive as queued signals.
class NotifyDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kTickMilliseconds = 500;

    explicit NotifyDialog(QWidget* parent = nullptr);
    ~NotifyDialog() override;

    void setMessage(const QString& text);
    QString messageText() const;

public slots:
    void linkSuccess();
    void linkFailure();
    void timeArrival();
    void on_pushButton_cancel_clicked();

private:
    std::unique_ptr<Ui::NotifyDialog> m_ui;
    QString m_message;
    QTimer* m_timer = nullptr;
    int m_ticks = 0;
};
