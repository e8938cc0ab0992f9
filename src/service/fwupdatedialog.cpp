#include "fwupdatedialog.h"

#include <formlook.h>

#include "firmwareimage.h"
#include "ui_fwupdatedialog.h"

#include <editorprompts.h>
#include <scannersdk.h>

#include <QFile>
#include <QTimer>

FWUpdateDialog::FWUpdateDialog(ScannerSDK* worker, const QString& scannerVersion, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::FWUpdateDialog>())
    , m_worker(worker)
{
    m_ui->setupUi(this);
    m_timer = new QTimer(this);
    m_progressText = tr("Updating firmware");
    connect(m_timer, &QTimer::timeout, this, &FWUpdateDialog::timeArrival);
    if (m_worker) {
        connect(m_worker, &ScannerSDK::scannerFWUpdateSucess_s, this, &FWUpdateDialog::scannerFWUpdateSucess);
        connect(
            m_worker, &ScannerSDK::scannerFWUpdateFailure_s, this, &FWUpdateDialog::scannerFWUpdateFailure);
    }
    m_ui->label_oldversion->setText(scannerVersion);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
}

FWUpdateDialog::~FWUpdateDialog() = default;

QString FWUpdateDialog::newVersion() const
{
    return FirmwareImage::version(m_firmware);
}

QString FWUpdateDialog::message() const
{
    return m_ui->label_showMessage->text();
}

void FWUpdateDialog::reject()
{
    // Escape and every close end in here; an update cut off would leave its outcome
    // unheard: a refused update unlinks the scanner, a written one needs a restart.
    if (m_updating)
        return;
    QDialog::reject();
}

void FWUpdateDialog::on_pushButton_cancel_clicked()
{
    close();
}

void FWUpdateDialog::on_pushButton_browse_clicked()
{
    EditorPrompts* prompts = m_prompts ? m_prompts : EditorPrompts::native();
    const QString path
        = prompts->openFileIn(this, tr("Select firmware file "), QStringLiteral("."), tr("bin File(*.bin)"));
    if (!path.isEmpty())
        loadFile(path);
}

bool FWUpdateDialog::loadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_ui->label_showMessage->setText(tr("This firmware file don't open"));
        return false;
    }
    // Read one byte past the limit: enough to know the file is too large without
    // loading whatever huge file was picked by mistake.
    const QByteArray bytes = file.read(qint64(FirmwareImage::maximumSize()) + 1);
    switch (FirmwareImage::check(bytes)) {
    case FirmwareImage::Verdict::TooLarge:
        m_ui->label_showMessage->setText(
            tr("This file is larger than the scanner's firmware memory of %1 bytes.")
                .arg(FirmwareImage::maximumSize()));
        return false;
    case FirmwareImage::Verdict::NotFirmware:
        m_ui->label_showMessage->setText(tr("This file is not a firmware file."));
        return false;
    case FirmwareImage::Verdict::TooShort:
    case FirmwareImage::Verdict::Usable:
        break;
    }
    // A short file is taken, as the scanner's own tool does, and refused at Update.
    m_ui->lineEdit_FW->setText(path);
    m_firmware = bytes;
    m_ui->label_newVersion->setText(newVersion());
    m_ui->label_showMessage->clear();
    return true;
}

void FWUpdateDialog::on_pushButton_update_clicked()
{
    if (newVersion().isEmpty()) {
        m_ui->label_showMessage->setText(tr("User need select the firmware file."));
        return;
    }
    // loadFile() never keeps an unusable file; this guards the one way to the device.
    if (FirmwareImage::check(m_firmware) != FirmwareImage::Verdict::Usable) {
        m_ui->label_showMessage->setText(tr("This file is not a firmware file."));
        return;
    }
    if (!m_worker)
        return;
    m_updating = true;
    setControlsEnabled(false);
    m_worker->requestFirmwareUpdate(m_firmware);
    m_timer->start(FormLook::kTickMilliseconds);
}

void FWUpdateDialog::timeArrival()
{
    const int dots = m_ticks % 10;
    m_ui->label_showMessage->setText(m_progressText + QString(dots, QLatin1Char('.')));
    m_ticks = (m_ticks + 1) % 10;
}

void FWUpdateDialog::scannerFWUpdateSucess()
{
    // Only the answer to this dialog's own request ends it.
    if (!m_updating)
        return;
    m_updating = false;
    m_timer->stop();
    accept();
}

void FWUpdateDialog::scannerFWUpdateFailure()
{
    if (!m_updating)
        return;
    m_updating = false;
    m_timer->stop();
    m_failed = true;
    reject();
}

void FWUpdateDialog::setControlsEnabled(bool enabled)
{
    m_ui->lineEdit_FW->setEnabled(enabled);
    m_ui->pushButton_update->setEnabled(enabled);
    m_ui->pushButton_browse->setEnabled(enabled);
    m_ui->pushButton_cancel->setEnabled(enabled);
}
