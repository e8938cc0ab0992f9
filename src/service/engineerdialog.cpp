#include "engineerdialog.h"

#include <formlook.h>

#include "scanparameterrecord.h"
#include "servicetitles.h"
#include "ui_engineerdialog.h"

#include <desktop.h>
#include <devicerecord.h>
#include <manager.h>
#include <scannersdk.h>

#include <QCloseEvent>
#include <QDir>
#include <QTimer>

#include <array>
#include <climits>

namespace
{

struct ChannelBoxes {
    QSpinBox* exposure;
    QSpinBox* gain;
    ScanParameterRecord::Channel channel;
};

std::array<ChannelBoxes, 3> channelBoxes(Ui::EngineerDialog& ui)
{
    return { { { ui.spinBox_Exposure_R, ui.spinBox_Gain_R, ScanParameterRecord::Red },
        { ui.spinBox_Exposure_G, ui.spinBox_Gain_G, ScanParameterRecord::Green },
        { ui.spinBox_Exposure_B, ui.spinBox_Gain_B, ScanParameterRecord::Blue } } };
}

} // namespace

EngineerDialog::EngineerDialog(ScannerSDK* worker, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::EngineerDialog>())
    , m_worker(worker)
{
    m_ui->setupUi(this);
    if (m_worker) {
        connect(
            m_worker, &ScannerSDK::scannerGetScanParameter_s, this, &EngineerDialog::scannerGetScanParameter);
        connect(
            m_worker, &ScannerSDK::scannerSetScanParameter_s, this, &EngineerDialog::scannerSetScanParameter);
    }
    m_timer = new QTimer(this);
    m_timer->setInterval(FormLook::kTickMilliseconds);
    connect(m_timer, &QTimer::timeout, this, &EngineerDialog::timeArrival);
    m_statusText = tr("Getting");
}

EngineerDialog::~EngineerDialog() = default;

QString EngineerDialog::message() const
{
    return m_ui->label_message->text();
}

void EngineerDialog::openDialog()
{
    manager::instance()->setEngineerMode(true);
    show();
    ServiceTitles::setFor(parentWidget(), ServiceTitles::EngineerMode);
    if (m_record.isEmpty()) {
        // Reopened before any answer: ask again rather than write a record whose
        // other bytes were never read.
        requestParameters();
        return;
    }
    on_pushButton_Set_clicked();
}

void EngineerDialog::closeDialog()
{
    m_timer->stop();
    manager::instance()->setEngineerMode(false);
    hide();
    ServiceTitles::setFor(parentWidget(), ServiceTitles::Plain);
    m_ui->label_message->clear();
}

void EngineerDialog::reject()
{
    closeDialog();
}

void EngineerDialog::closeEvent(QCloseEvent* event)
{
    closeDialog();
    event->accept();
}

void EngineerDialog::requestParameters()
{
    if (!m_worker || !m_worker->requestScanParameter()) {
        showNotLinked();
        return;
    }
    startWaiting(tr("Getting"));
}

void EngineerDialog::startWaiting(const QString& status)
{
    m_statusText = status;
    m_ui->label_message->setText(status);
    m_ui->groupBox_Adjustment->setEnabled(false);
    m_timer->start();
}

void EngineerDialog::showNotLinked()
{
    m_timer->stop();
    m_ui->label_message->setText(tr("The scanner is not connected."));
}

void EngineerDialog::scannerGetScanParameter(QByteArray array)
{
    if (array.size() < DeviceRecord::scanParameterSize())
        return;
    m_timer->stop();
    m_ui->groupBox_Adjustment->setEnabled(true);
    m_record = array.left(DeviceRecord::scanParameterSize());
    const ScanParameterRecord record(m_record);
    for (const ChannelBoxes& boxes : channelBoxes(*m_ui)) {
        // The box stops at the largest signed value; a larger time shows as that.
        boxes.exposure->setValue(int(qMin<quint32>(record.exposure(boxes.channel), quint32(INT_MAX))));
        boxes.gain->setValue(record.gain(boxes.channel));
    }
    m_ui->spinBox_light->setValue(record.lightness());
    m_ui->label_message->setText(tr("Get success"));
}

void EngineerDialog::on_pushButton_Set_clicked()
{
    if (m_record.isEmpty()) {
        requestParameters();
        return;
    }
    ScanParameterRecord record(m_record);
    for (const ChannelBoxes& boxes : channelBoxes(*m_ui)) {
        record.setExposure(boxes.channel, quint32(boxes.exposure->value()));
        record.setGain(boxes.channel, boxes.gain->value());
    }
    record.setLightness(m_ui->spinBox_light->value());
    if (!m_worker || !m_worker->requestSetScanParameter(record.bytes())) {
        showNotLinked();
        return;
    }
    // What was sent is what the scanner holds once it confirms.
    m_record = record.bytes();
    startWaiting(tr("setting"));
}

void EngineerDialog::scannerSetScanParameter()
{
    m_ui->label_message->setText(tr("set success"));
    m_ui->groupBox_Adjustment->setEnabled(true);
    m_timer->stop();
}

void EngineerDialog::on_pushButton_browse_clicked()
{
    const QString folder = manager::debugFolder();
    if (!Desktop::openFolder(folder, this))
        m_ui->label_message->setText(
            tr("The folder %1 could not be opened.").arg(QDir::toNativeSeparators(folder)));
}

void EngineerDialog::timeArrival()
{
    const int dots = m_ticks % 10;
    m_ui->label_message->setText(m_statusText + QString(dots, QLatin1Char('.')));
    // Never reset: a new operation continues the cycle where the last one stopped.
    m_ticks = (m_ticks + 1) % 10;
}

void EngineerDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ServiceTitles::retranslateServiceForm(this, *m_ui);
}
