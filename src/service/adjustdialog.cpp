#include "adjustdialog.h"

#include <formlook.h>

#include "servicetitles.h"
#include "ui_adjustdialog.h"

#include <manager.h>
#include <servicemodes.h>

#include <QCloseEvent>
#include <QTimer>

adjustdialog::adjustdialog(QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::adjustdialog>())
{
    m_ui->setupUi(this);
    // Direct: the confirmation runs inside Set, before it returns.
    connect(this, &adjustdialog::scannerSetScanParameter_s, this, &adjustdialog::scannerSetScanParameter,
        Qt::DirectConnection);
    m_timer = new QTimer(this);
    m_timer->setInterval(FormLook::kTickMilliseconds);
    connect(m_timer, &QTimer::timeout, this, &adjustdialog::timeArrival);
    m_statusText = tr("Getting");
}

adjustdialog::~adjustdialog() = default;

QString adjustdialog::message() const
{
    return m_ui->label_message->text();
}

void adjustdialog::openDialog()
{
    manager* data = manager::instance();
    data->setEngineerMode(true);
    show();
    ServiceTitles::setFor(
        parentWidget(), data->isRawMode() ? ServiceTitles::RawAndEngineerMode : ServiceTitles::EngineerMode);
    m_ui->groupBox_Adjustment->setEnabled(true);
    if (!m_shownBefore) {
        m_shownBefore = true;
        m_ui->label_message->setText(m_statusText);
        m_timer->start();
    }
}

void adjustdialog::closeDialog()
{
    manager* data = manager::instance();
    data->setEngineerMode(false);
    hide();
    ServiceTitles::setFor(parentWidget(), data->isRawMode() ? ServiceTitles::RawMode : ServiceTitles::Plain);
    m_ui->label_message->clear();
}

void adjustdialog::reject()
{
    closeDialog();
}

void adjustdialog::closeEvent(QCloseEvent* event)
{
    closeDialog();
    event->accept();
}

void adjustdialog::on_pushButton_Set_clicked()
{
    ServiceModes& modes = ServiceModes::instance();
    modes.setExposureFactor(ServiceModes::Red, m_ui->spinBox_EF_R->value());
    modes.setExposureFactor(ServiceModes::Green, m_ui->spinBox_EF_G->value());
    modes.setExposureFactor(ServiceModes::Blue, m_ui->spinBox_EF_B->value());
    modes.setGainFactor(ServiceModes::Red, m_ui->spinBox_GF_R->value());
    modes.setGainFactor(ServiceModes::Green, m_ui->spinBox_GF_G->value());
    modes.setGainFactor(ServiceModes::Blue, m_ui->spinBox_GF_B->value());
    m_statusText = tr("setting");
    m_ui->label_message->setText(m_statusText);
    m_timer->start();
    m_ui->groupBox_Adjustment->setEnabled(false);
    emit scannerSetScanParameter_s();
}

void adjustdialog::scannerSetScanParameter()
{
    m_ui->label_message->setText(tr("set success"));
    m_ui->groupBox_Adjustment->setEnabled(true);
    m_timer->stop();
}

void adjustdialog::timeArrival()
{
    const int dots = m_ticks % 10;
    m_ui->label_message->setText(m_statusText + QString(dots, QLatin1Char('.')));
    // Never reset: a new operation continues the cycle where the last one stopped.
    m_ticks = (m_ticks + 1) % 10;
}

void adjustdialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ServiceTitles::retranslateServiceForm(this, *m_ui);
}
