#include "notifydialog.h"

#include <formlook.h>

#include "ui_notifydialog.h"

#include <QTimer>

NotifyDialog::NotifyDialog(QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::NotifyDialog>())
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_ui->progressBar->hide();
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &NotifyDialog::timeArrival);
    m_timer->start(FormLook::kTickMilliseconds);
}

NotifyDialog::~NotifyDialog() = default;

void NotifyDialog::setMessage(const QString& text)
{
    m_message = text;
}

QString NotifyDialog::messageText() const
{
    return m_ui->label_showMessage->text();
}

int NotifyDialog::progress() const
{
    return m_ui->progressBar->isHidden() ? -1 : m_ui->progressBar->value();
}

void NotifyDialog::setProgress(int percent)
{
    m_ui->progressBar->setValue(qBound(0, percent, 100));
    m_ui->progressBar->show();
}

void NotifyDialog::linkSuccess()
{
    accept();
}

// reject() rather than close(): a result that arrives before the dialog is on screen
// must still end exec() with Rejected.
void NotifyDialog::linkFailure()
{
    reject();
}

void NotifyDialog::on_pushButton_cancel_clicked()
{
    reject();
}

void NotifyDialog::timeArrival()
{
    const int dots = m_ticks % 10;
    m_ui->label_showMessage->setText(m_message + QString(dots, QLatin1Char('.')));
    // Wraps to 0 rather than overflowing after years of ticks; 10 divides the span.
    m_ticks = (m_ticks + 1) % 10;
}
