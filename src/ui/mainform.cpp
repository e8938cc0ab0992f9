#include "mainform.h"

#include "desktop.h"
#include "imagefilesize.h"
#include "informationpanel.h"
#include "notifydialog.h"
#include "prescanprocessing.h"
#include "previewgeometry.h"
#include "scannerview.h"
#include "ui_mainform.h"

#include <devicerecord.h>
#include <manager.h>
#include <profileediting.h>
#include <scannersdk.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>
#include <QToolTip>

MainForm::MainForm(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::MainForm>())
{
    m_ui->setupUi(this);
    STImage::registerMetaType();

    manager* data = manager::instance();
    m_worker = data->scanner();
    connect(m_worker, &ScannerSDK::scanKey_s, this, &MainForm::scanerScanKey);
    connect(m_worker, &ScannerSDK::scannerInquiry_s, this, &MainForm::scanerInquiry);
    connect(m_worker, &ScannerSDK::scannerScanImage_s, this, &MainForm::scannerScanSuccess);
    connect(m_worker, &ScannerSDK::scannerPreScan_s, this, &MainForm::scannerPreScan);
    connect(m_worker, &ScannerSDK::scannerRequestFailed_s, this, &MainForm::scannerRequestFailed);

    viewTransform.reset();
    deviceInfoRecord = QByteArray(DeviceRecord::infoSize(), '\0');

    // One group, its ids the mode numbers, so keyboard users move between all ten
    // modes with the arrow keys.
    m_modes = new QButtonGroup(this);
    const QList<QRadioButton*> modeButtons { m_ui->radioButton_Tissue, m_ui->radioButton_Common,
        m_ui->radioButton_Aquatic, m_ui->radioButton_Positive, m_ui->radioButton_Negative,
        m_ui->radioButton__Custom1, m_ui->radioButton__Custom2, m_ui->radioButton__Custom3,
        m_ui->radioButton__Custom4, m_ui->radioButton__Custom5 };
    for (int mode = 0; mode < modeButtons.size(); ++mode)
        m_modes->addButton(modeButtons.at(mode), mode);
    // A screen reader checks a radio button without clicking it: the mode follows the
    // check then too. After a mouse or key click the mode is already selected when this runs.
    connect(m_modes, &QButtonGroup::idToggled, this, [this](int mode, bool checked) {
        if (!checked)
            return;
        QTimer::singleShot(0, this, [this, mode] {
            if (modeIndex != mode && m_modes->checkedId() == mode)
                selectMode(mode);
        });
    });

    const QList<QPair<QToolButton*, const char*>> icons {
        { m_ui->button_zoomIn, ":/Image/ImageZoom_in.png" },
        { m_ui->button_zoomOut, ":/Image/ImageZoom_out.png" },
        { m_ui->button_rotateLeft90, ":/Image/Rotate_Left.png" },
        { m_ui->button_rotateRight90, ":/Image/Rotate_Right.png" },
        { m_ui->button_flipHorizontal, ":/Image/Flip_Horizontal.png" },
        { m_ui->button_flipVertical, ":/Image/Flip_Vertical.png" },
        { m_ui->button_clearObject, ":/Image/exclamation.png" },
    };
    // A missing picture would leave an empty button; its "..." text is better.
    for (const auto& icon : icons) {
        const QString path = QString::fromLatin1(icon.second);
        if (QFile::exists(path))
            icon.first->setIcon(QIcon(path));
    }

    setUIdefaultValue();
    modeIndex = 0;
    m_ui->groupBox_TimeLapse->hide();
    // The two cut texts follow their labels' widths, known only once laid out.
    m_ui->label_Directory->installEventFilter(this);
    m_ui->label_suggested->installEventFilter(this);
    updateInformationPanel();
    updateCustomCaptions();
}

MainForm::~MainForm() = default;

bool MainForm::hasPrescan() const
{
    return rawPrescan.width() != 0 && rawPrescan.height() != 0;
}

void MainForm::setUIdefaultValue()
{
    m_ui->label_Width->setText(tr("Width: 0 pixels"));
    m_ui->label_Height->setText(tr("Hight: 0 pixels"));
    m_ui->label_Size->setText(tr("Size: 0 MB"));
    m_ui->label_Brightness->setText(tr("Brightness : 0"));
}

void MainForm::on_preScan_clicked()
{
    m_worker->settings = manager::instance()->profile(modeIndex);
    if (!m_worker->requestPrescan()) {
        // No result will come for a refused request, so there is nothing to wait for.
        QMessageBox::critical(nullptr, tr("Korvane"), tr("PreScan failure"), QMessageBox::Ok);
        return;
    }
    waitForResult(tr("Prescan"), tr("Prescaning. Please wait"), true);
}

void MainForm::on_Scan_clicked()
{
    manager* data = manager::instance();
    ScanProfile profile = data->profile(modeIndex);
    if (profile.multipass().enable && !m_ui->scannerView->hasImage()) {
        warn(tr("Please Prescan before using Multipass Xposure function."));
        return;
    }
    const QRectF crop = m_ui->scannerView->cropRect();
    const QRectF area = PreviewGeometry::scanArea(crop,
        QSize(int(rawPrescan.width()), int(rawPrescan.height())), viewTransform.zoomFactor,
        viewTransform.rotationAngle, viewTransform.mirrorHorizontal, viewTransform.mirrorVertical);

    profile.setBrightness(m_ui->horizontalSlider_brightness->value());
    m_worker->settings = profile;
    m_worker->setTransform(viewTransform.imageTransform(crop));
    m_worker->setScanArea({ area.left(), area.top(), area.width(), area.height() });
    if (!m_worker->requestScan()) {
        QMessageBox::critical(nullptr, tr("Korvane"), tr("Scan failure"), QMessageBox::Ok);
        return;
    }
    waitForResult(tr("Scan"), tr("Scaning. Please wait"), false);
}

void MainForm::waitForResult(const QString& title, const QString& text, bool prescan)
{
    auto* dialog = new NotifyDialog(this);
    dialog->setWindowTitle(title);
    dialog->setMessage(text);
    // Show the request's own text at once rather than the dialog's start-up text.
    dialog->timeArrival();
    if (prescan)
        connect(m_worker, &ScannerSDK::scannerPreScan_s, dialog, &NotifyDialog::linkSuccess);
    else
        connect(m_worker, &ScannerSDK::scannerScanImage_s, dialog, &NotifyDialog::linkSuccess);
    connect(m_worker, &ScannerSDK::scannerProgress_s, dialog, &NotifyDialog::setProgress);
    m_waitDialog = dialog;
    if (dialog->exec() != QDialog::Accepted)
        m_worker->setScanRunning(false);
    dialog->close();
    delete dialog;
    // The keyboard goes back to the window, also where no window manager hands it on.
    if (!QApplication::activeWindow())
        window()->activateWindow();
    if (!m_pendingWarning.isEmpty()) {
        QString text;
        text.swap(m_pendingWarning);
        warn(text);
    }
}

// An empty result ends the wait; its message comes once the dialog has gone, so
// the two are never on screen together.
void MainForm::tellEmptyResult(const QString& text)
{
    if (m_waitDialog) {
        m_pendingWarning = text;
        m_waitDialog->linkSuccess();
        return;
    }
    warn(text);
}

void MainForm::warn(const QString& text)
{
    QMessageBox::warning(this, tr("Korvane"), text, QMessageBox::Ok);
}

void MainForm::on_pushButton_Preference_clicked()
{
    manager* data = manager::instance();
    const ProfileEditing::Outcome outcome
        = ProfileEditing::editPreferences(*data, modeIndex, ProfileEditing::applicationContext(*data));
    if (outcome.accepted)
        updateInformationPanel();
}

void MainForm::on_pushButton_Custom1_clicked()
{
    editCustomSlot(manager::kFirstCustomSlot);
}

void MainForm::on_pushButton_Custom2_clicked()
{
    editCustomSlot(manager::kFirstCustomSlot + 1);
}

void MainForm::on_pushButton_Custom3_clicked()
{
    editCustomSlot(manager::kFirstCustomSlot + 2);
}

void MainForm::on_pushButton_Custom4_clicked()
{
    editCustomSlot(manager::kFirstCustomSlot + 3);
}

void MainForm::on_pushButton_Custom5_clicked()
{
    editCustomSlot(manager::kFirstCustomSlot + 4);
}

void MainForm::editCustomSlot(int slot)
{
    manager* data = manager::instance();
    // Developed as the current mode's prescan was taken; the editor offers it, off at first.
    const QImage prescan = hasPrescan()
        ? ProfileEditing::uncorrectedPrescan(*data, rawPrescan, data->profile(modeIndex))
        : QImage();
    const ProfileEditing::Outcome outcome
        = ProfileEditing::editCustomSlot(*data, slot, prescan, ProfileEditing::applicationContext(*data));
    if (!outcome.accepted)
        return;
    updateCustomCaptions();
    if (modeIndex == slot) {
        updateInformationPanel();
        reprocessPrescan();
        showPreview();
    }
}

void MainForm::on_toolButton_OpenFileLocation_clicked()
{
    const QString folder = manager::instance()->profile(modeIndex).outputFolder();
    // The folder of a mode that has not scanned yet may not exist; it is where the
    // scans will go, so it is made rather than refused.
    QDir().mkpath(folder);
    if (!Desktop::openFolder(folder, this))
        warn(tr("The folder %1 could not be opened.").arg(QDir::toNativeSeparators(folder)));
}

void MainForm::on_radioButton_Tissue_clicked()
{
    selectMode(0);
}

void MainForm::on_radioButton_Common_clicked()
{
    selectMode(1);
}

void MainForm::on_radioButton_Aquatic_clicked()
{
    selectMode(2);
}

void MainForm::on_radioButton_Positive_clicked()
{
    selectMode(3);
}

void MainForm::on_radioButton_Negative_clicked()
{
    selectMode(4);
}

void MainForm::on_radioButton__Custom1_clicked()
{
    selectMode(5);
}

void MainForm::on_radioButton__Custom2_clicked()
{
    selectMode(6);
}

void MainForm::on_radioButton__Custom3_clicked()
{
    selectMode(7);
}

void MainForm::on_radioButton__Custom4_clicked()
{
    selectMode(8);
}

void MainForm::on_radioButton__Custom5_clicked()
{
    selectMode(9);
}

void MainForm::selectMode(int mode)
{
    modeIndex = mode;
    if (QAbstractButton* button = m_modes->button(mode))
        button->setChecked(true);
    updateInformationPanel();
    reprocessPrescan();
    showPreview();
}

void MainForm::on_checkBox_archScale_clicked()
{
    m_ui->scannerView->showRuler(m_ui->checkBox_archScale->isChecked());
}

void MainForm::on_horizontalSlider_brightness_valueChanged(int value)
{
    QSlider* slider = m_ui->horizontalSlider_brightness;
    slider->setToolTip(QString::number(value));
    if (workingImage.width() != 0 && workingImage.height() != 0)
        showPreview();
    if (slider->rect().contains(slider->mapFromGlobal(QCursor::pos())))
        QToolTip::showText(QCursor::pos(), QString::number(value), slider);
    m_ui->label_Brightness->setText(tr("Brightness : %1").arg(value));
}

void MainForm::on_button_zoomIn_clicked()
{
    if (workingImage.isNull() || !viewTransform.zoomIn())
        return;
    transformChanged();
}

void MainForm::on_button_zoomOut_clicked()
{
    if (workingImage.isNull() || !viewTransform.zoomOut())
        return;
    transformChanged();
}

void MainForm::on_button_rotateLeft90_clicked()
{
    if (workingImage.isNull())
        return;
    viewTransform.rotateLeft();
    transformChanged();
}

void MainForm::on_button_rotateRight90_clicked()
{
    if (workingImage.isNull())
        return;
    viewTransform.rotateRight();
    transformChanged();
}

void MainForm::on_button_flipHorizontal_clicked()
{
    if (workingImage.isNull())
        return;
    viewTransform.flipHorizontal();
    transformChanged();
}

void MainForm::on_button_flipVertical_clicked()
{
    if (workingImage.isNull())
        return;
    viewTransform.flipVertical();
    transformChanged();
}

void MainForm::transformChanged()
{
    m_ui->scannerView->setRulerScale(viewTransform.rulerScale());
    showPreview();
}

void MainForm::on_button_clearObject_clicked()
{
    m_ui->scannerView->clear();
    // setChecked, unlike a click, does not run the ruler slot again.
    m_ui->checkBox_archScale->setChecked(false);
}

void MainForm::scannerRequestFailed(int request, QString reason)
{
    if (request == ScannerSDK::RequestPrescan)
        m_prescanFailure = reason;
    else if (request == ScannerSDK::RequestScan)
        m_scanFailure = reason;
    else if (request != ScannerSDK::RequestLink)
        warn(reason); // a service request the scanner does not take
}

void MainForm::scannerPreScan(STImage image)
{
    QString failure;
    failure.swap(m_prescanFailure);
    if (image.width() == 0 || image.height() == 0) {
        tellEmptyResult(failure.isEmpty() ? tr("Cancel this action of prescan by user.") : failure);
        return;
    }
    rawPrescan = image;
    viewTransform.reset();
    updateInformationPanel();
    reprocessPrescan();
    showPreview();
    manager* data = manager::instance();
    if (data->isRawMode()) {
        const STImage shown = PrescanProcessing::withBrightness(
            workingImage, m_ui->horizontalSlider_brightness->value(), *data->processing());
        data->dumpStage(shown.toQImage(), QStringLiteral("preScan_final"));
    }
    m_ui->scannerView->setRulerScale(viewTransform.rulerScale());
}

void MainForm::scannerScanSuccess(QString filepath)
{
    QString failure;
    failure.swap(m_scanFailure);
    if (filepath.isEmpty()) {
        tellEmptyResult(failure.isEmpty() ? tr("Cancel this action of scan by user.") : failure);
        return;
    }
    lastScanFile = filepath;
    showSavedFile();
}

void MainForm::showSavedFile()
{
    // From the file's header: a large scan would take long and much memory to decode.
    const QSize size = imageFileSize(lastScanFile);
    m_ui->label_Width->setText(tr("Width: %1 pixels").arg(size.width()));
    m_ui->label_Height->setText(tr("Height: %1 pixels").arg(size.height()));
    m_ui->label_Size->setText(InformationPanel::sizeText(QFileInfo(lastScanFile).size()));
    // A scanner that could not scan at the profile's resolution scanned at another one,
    // which the file states.
    const int dpi = imageFileResolution(lastScanFile);
    if (dpi > 0)
        m_ui->label_Resolution->setText(tr("Image Resolution: %1 dpi").arg(dpi));
    m_ui->toolButton_OpenFileLocation->setToolTip(
        tr("Last saved: %1").arg(QDir::toNativeSeparators(lastScanFile)));
}

void MainForm::scanerScanKey()
{
    // The key repeats while held, and a request on top of a running one would be
    // lost; any open dialog (a wait, a message) means the user is busy with it.
    if (isWaiting() || QApplication::activeModalWidget())
        return;
    on_Scan_clicked();
}

void MainForm::scanerInquiry(QByteArray dataArray)
{
    // A short record is not a device record: keep the one we have.
    if (dataArray.size() < DeviceRecord::infoSize())
        return;
    deviceInfoRecord = DeviceRecord::fittedInfo(dataArray);
    manager::instance()->setScannerInfo(deviceInfoRecord);
}

int MainForm::modelCode() const
{
    return DeviceRecord::modelCode(deviceInfoRecord);
}

void MainForm::updateInformationPanel()
{
    updatePanelTexts();
    const InformationPanel panel(manager::instance()->profile(modeIndex));
    QSlider* slider = m_ui->horizontalSlider_brightness;
    slider->setValue(panel.brightness());
    slider->setToolTip(QString::number(panel.brightness()));
}

void MainForm::updatePanelTexts()
{
    const InformationPanel panel(manager::instance()->profile(modeIndex));
    m_ui->label_Resolution->setText(panel.resolutionText());
    m_ui->label_colorDepth->setText(panel.colourDepthText());
    m_ui->label_FileFormat->setText(panel.fileFormatText());
    updateElidedTexts();
}

void MainForm::updateElidedTexts()
{
    const InformationPanel panel(manager::instance()->profile(modeIndex));
    QLabel* directory = m_ui->label_Directory;
    directory->setText(panel.directoryText(directory->fontMetrics(), directory->width() / 2));
    directory->setToolTip(QDir::toNativeSeparators(manager::instance()->profile(modeIndex).outputFolder()));
    QLabel* suggested = m_ui->label_suggested;
    suggested->setText(panel.suggestedText(suggested->fontMetrics(), suggested->width()));
}

bool MainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize
        && (watched == m_ui->label_Directory || watched == m_ui->label_suggested))
        updateElidedTexts();
    return QWidget::eventFilter(watched, event);
}

// The window sets its font after building the form, so the captions are cut again
// for the font they are shown in.
void MainForm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateCustomCaptions();
        updateElidedTexts();
    } else if (event->type() == QEvent::LanguageChange) {
        retranslate();
    }
}

void MainForm::retranslate()
{
    // The form's texts come back as designed; those that tell the state are made again.
    m_ui->retranslateUi(this);
    const int brightness = m_ui->horizontalSlider_brightness->value();
    setUIdefaultValue();
    if (!lastScanFile.isEmpty())
        showSavedFile();
    m_ui->label_Brightness->setText(tr("Brightness : %1").arg(brightness));
    updatePanelTexts();
    updateCustomCaptions();
}

void MainForm::updateCustomCaptions()
{
    const QList<QPair<QRadioButton*, QPushButton*>> rows {
        { m_ui->radioButton__Custom1, m_ui->pushButton_Custom1 },
        { m_ui->radioButton__Custom2, m_ui->pushButton_Custom2 },
        { m_ui->radioButton__Custom3, m_ui->pushButton_Custom3 },
        { m_ui->radioButton__Custom4, m_ui->pushButton_Custom4 },
        { m_ui->radioButton__Custom5, m_ui->pushButton_Custom5 },
    };
    manager* data = manager::instance();
    for (int n = 0; n < rows.size(); ++n) {
        const ScanProfile profile = data->profile(manager::kFirstCustomSlot + n);
        rows.at(n).second->setText(InformationPanel::caption(profile, fontMetrics()));
        // The whole name where the button cuts it, and a name for the captionless
        // radio button beside it.
        rows.at(n).second->setToolTip(profile.description());
        rows.at(n).first->setAccessibleName(profile.description());
    }
}

void MainForm::reprocessPrescan()
{
    if (rawPrescan.isNull())
        return;
    manager* data = manager::instance();
    PipelineHooks hooks;
    if (data->isRawMode())
        hooks.dumpStage = [data](const STImage& stage, const QString& name) { data->dumpStage(stage, name); };
    workingImage = PrescanProcessing::reprocess(
        rawPrescan, data->profile(modeIndex), modelCode(), *data->processing(), hooks);
}

void MainForm::showPreview()
{
    if (workingImage.width() == 0 || workingImage.height() == 0) {
        m_ui->scannerView->setImage(QImage());
        return;
    }
    const STImage shown = PrescanProcessing::withBrightness(
        workingImage, m_ui->horizontalSlider_brightness->value(), *manager::instance()->processing());
    m_ui->scannerView->setImage(PreviewGeometry::previewImage(shown, viewTransform.zoomFactor,
        viewTransform.rotationAngle, viewTransform.mirrorHorizontal, viewTransform.mirrorVertical));
}
