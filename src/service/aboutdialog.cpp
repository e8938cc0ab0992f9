#include "aboutdialog.h"

#include "servicetitles.h"
#include "ui_aboutdialog.h"

#include <manager.h>
#include <scannersdk.h>

#include <QMouseEvent>
#include <QPushButton>

AboutDialog::AboutDialog(
    ScannerSDK* worker, const QString& firmwareVersion, const QString& hardwareVersion, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::AboutDialog>())
    , m_worker(worker)
{
    m_ui->setupUi(this);
    m_ui->label_SW->setText(applicationVersion());
    if (!firmwareVersion.isEmpty())
        m_ui->label_FW->setText(QStringLiteral("v") + firmwareVersion);
    if (!hardwareVersion.isEmpty())
        m_ui->label_HW->setText(QStringLiteral("v") + hardwareVersion);
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint);
    connect(m_ui->pushButton, &QPushButton::clicked, this, &QDialog::accept);
    m_ui->label_Korvane_icon->installEventFilter(this);
    m_ui->groupBox_about->installEventFilter(this);
}

AboutDialog::~AboutDialog() = default;

QString AboutDialog::applicationVersion()
{
    return QStringLiteral("v1.0.0.1d");
}

void AboutDialog::setScanner(const QString& text)
{
    m_ui->label_Scanner->setText(text);
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == m_ui->groupBox_about)
            serviceGesture();
        else if (watched == m_ui->label_Korvane_icon)
            toggleRawMode();
    }
    return QDialog::eventFilter(watched, event);
}

void AboutDialog::serviceGesture()
{
    // What the scanner does with the command is its own business; it is only sent
    // when a scanner is linked, since nothing else could receive it.
    if (m_worker)
        m_worker->requestServiceRecord();
    emit openAdjust_s();
}

void AboutDialog::toggleRawMode()
{
    manager* data = manager::instance();
    const bool on = !data->isRawMode();
    data->setRawMode(on);
    ServiceTitles::setFor(parentWidget(), on ? ServiceTitles::RawMode : ServiceTitles::Plain);
}
