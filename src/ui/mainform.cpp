#include "mainform.h"

#include "desktop.h"
#include "imagefilesize.h"
#include "informationpanel.h"
#include "levelspanel.h"
#include "notifydialog.h"
#include "prescanprocessing.h"
#include "previewgeometry.h"
#include "scannerview.h"
#include "scanningstate.h"
#include "ui_mainform.h"

#include <editorprompts.h>
#include <manager.h>
#include <profileediting.h>
#include <scannersdk.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

MainForm::MainForm(QWidget* parent, EditorPrompts* prompts)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::MainForm>())
    , m_prompts(prompts)
{
    m_ui->setupUi(this);
    STImage::registerMetaType();

    manager* data = manager::instance();
    m_state = new ScanningState(*data, this);
    connect(m_state, &ScanningState::imageChanged, this, &MainForm::showPreview);
    connect(m_state, &ScanningState::transformChanged, this, &MainForm::transformChanged);
    connect(m_state, &ScanningState::lastFileChanged, this, &MainForm::showSavedFile);
    connect(m_state, &ScanningState::modeChanged, this, &MainForm::updateInformationPanel);

    // A tool window, so the preview it changes stays in sight beside it.
    m_levelsWindow = new QWidget(this, Qt::Tool);
    m_levelsWindow->setObjectName(QStringLiteral("levelsWindow"));
    // The form's font reaches it as it reaches the dialogs.
    m_levelsWindow->setAttribute(Qt::WA_WindowPropagation);
    m_levelsPanel = new LevelsPanel(m_levelsWindow);
    auto* levelsLayout = new QVBoxLayout(m_levelsWindow);
    levelsLayout->addWidget(m_levelsPanel);
    m_levelsPanel->setLevels(m_state->levels());
    connect(m_state, &ScanningState::levelsChanged, this, &MainForm::showLevels);
    connect(m_levelsPanel, &LevelsPanel::levelsChanged, m_state, &ScanningState::setLevels);
    connect(m_levelsPanel, &LevelsPanel::levelsSettled, this, &MainForm::keepLevels);
    connect(m_levelsPanel, &LevelsPanel::clippingChanged, this, [this](LevelsPreview::Clipping clipping) {
        m_clipping = clipping;
        drawPreview();
    });

    m_worker = data->scanner();
    connect(m_worker, &ScannerSDK::scanKey_s, this, &MainForm::scanerScanKey);
    connect(m_worker, &ScannerSDK::scannerInquiry_s, this, &MainForm::scanerInquiry);
    connect(m_worker, &ScannerSDK::scannerScanImage_s, this, &MainForm::scannerScanSuccess);
    connect(m_worker, &ScannerSDK::scannerPreScan_s, this, &MainForm::scannerPreScan);
    connect(m_worker, &ScannerSDK::scannerRequestEnded_s, this, &MainForm::scannerRequestEnded);

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
            if (m_state->mode() != mode && m_modes->checkedId() == mode)
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
        { m_ui->button_levels, ":/Image/Levels.png" },
    };
    // A missing picture would leave an empty button; its "..." text is better.
    for (const auto& icon : icons) {
        const QString path = QString::fromLatin1(icon.second);
        if (QFile::exists(path))
            icon.first->setIcon(QIcon(path));
    }

    setUIdefaultValue();
    m_ui->groupBox_TimeLapse->hide();
    // The two cut texts follow their labels' widths, known only once laid out.
    m_ui->label_Directory->installEventFilter(this);
    m_ui->label_suggested->installEventFilter(this);
    retranslateLevelsWindow();
    updateInformationPanel();
    updateCustomCaptions();
}

MainForm::~MainForm() = default;

bool MainForm::hasPrescan() const
{
    return m_state->hasPrescan();
}

int MainForm::mode() const
{
    return m_state->mode();
}

const STImage& MainForm::prescanImage() const
{
    return m_state->rawPrescan();
}

const STImage& MainForm::processedImage() const
{
    return m_state->workingImage();
}

QString MainForm::savedFile() const
{
    return m_state->lastFile();
}

QByteArray MainForm::deviceInformation() const
{
    return m_state->deviceRecord();
}

const PreviewTransform& MainForm::transformState() const
{
    return m_state->transform();
}

EditorPrompts* MainForm::prompts() const
{
    return m_prompts ? m_prompts : EditorPrompts::native();
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
    const quint64 serial = m_worker->requestPrescan(m_state->prescanRequest().request);
    if (serial == 0) {
        // No result will come for a refused request, so there is nothing to wait for.
        prompts()->critical(nullptr, tr("Korvane"), tr("PreScan failure"));
        return;
    }
    waitForResult(serial, ScannerSDK::RequestPrescan, tr("Prescan"), tr("Prescaning. Please wait"));
}

void MainForm::on_Scan_clicked()
{
    const ScanRequests::Built built
        = m_state->scanRequest(m_ui->scannerView->cropRect(), m_ui->horizontalSlider_brightness->value());
    if (built.refused()) {
        warn(built.refusal);
        return;
    }
    const quint64 serial = m_worker->requestScan(built.request);
    if (serial == 0) {
        prompts()->critical(nullptr, tr("Korvane"), tr("Scan failure"));
        return;
    }
    waitForResult(serial, ScannerSDK::RequestScan, tr("Scan"), tr("Scaning. Please wait"));
}

void MainForm::waitForResult(quint64 serial, int kind, const QString& title, const QString& text)
{
    auto* dialog = new NotifyDialog(this);
    dialog->setWindowTitle(title);
    dialog->setMessage(text);
    // Show the request's own text at once rather than the dialog's start-up text.
    dialog->timeArrival();
    connect(
        m_worker, &ScannerSDK::scannerRequestProgress_s, dialog, [dialog, serial](quint64 of, int percent) {
            if (of == serial)
                dialog->setProgress(percent);
        });
    m_waitDialog = dialog;
    m_waitSerial = serial;
    emit waitStarted(dialog);
    const bool cancelled = dialog->exec() != QDialog::Accepted;
    m_waitSerial = 0;
    if (cancelled) {
        m_worker->setScanRunning(false);
        // Told now, while it is plainly this request's: its outcome may come after
        // the user has started the next one.
        addWarning(cancelText(kind));
    }
    dialog->close();
    delete dialog;
    // The keyboard goes back to the window, also where no window manager hands it on.
    if (!QApplication::activeWindow())
        window()->activateWindow();
    if (!m_pendingWarning.isEmpty()) {
        QString message;
        message.swap(m_pendingWarning);
        warn(message);
    }
}

// Shown when the open wait dialog has gone, after any message already waiting.
void MainForm::addWarning(const QString& text)
{
    if (!m_pendingWarning.isEmpty())
        m_pendingWarning += QLatin1String("\n\n");
    m_pendingWarning += text;
}

QString MainForm::cancelText(int kind)
{
    return kind == ScannerSDK::RequestPrescan ? tr("Cancel this action of prescan by user.")
                                              : tr("Cancel this action of scan by user.");
}

void MainForm::warn(const QString& text)
{
    prompts()->warning(this, tr("Korvane"), text);
}

void MainForm::on_pushButton_Preference_clicked()
{
    manager* data = manager::instance();
    const ProfileEditing::Outcome outcome
        = ProfileEditing::editPreferences(*data, mode(), ProfileEditing::applicationContext(*data));
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
        ? ProfileEditing::uncorrectedPrescan(*data, prescanImage(), data->profile(mode()))
        : QImage();
    const ProfileEditing::Outcome outcome
        = ProfileEditing::editCustomSlot(*data, slot, prescan, ProfileEditing::applicationContext(*data));
    if (!outcome.accepted)
        return;
    updateCustomCaptions();
    if (mode() == slot) {
        updateInformationPanel();
        m_state->reprocess();
    }
}

void MainForm::on_toolButton_OpenFileLocation_clicked()
{
    const QString folder = manager::instance()->profile(mode()).outputFolder();
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
    if (QAbstractButton* button = m_modes->button(mode))
        button->setChecked(true);
    m_state->setMode(mode);
}

void MainForm::on_checkBox_archScale_clicked()
{
    m_ui->scannerView->showRuler(m_ui->checkBox_archScale->isChecked());
}

void MainForm::on_horizontalSlider_brightness_valueChanged(int value)
{
    QSlider* slider = m_ui->horizontalSlider_brightness;
    slider->setToolTip(QString::number(value));
    if (!processedImage().isNull())
        showPreview();
    if (slider->rect().contains(slider->mapFromGlobal(QCursor::pos())))
        QToolTip::showText(QCursor::pos(), QString::number(value), slider);
    m_ui->label_Brightness->setText(tr("Brightness : %1").arg(value));
}

void MainForm::on_button_zoomIn_clicked()
{
    m_state->zoomIn();
}

void MainForm::on_button_zoomOut_clicked()
{
    m_state->zoomOut();
}

void MainForm::on_button_rotateLeft90_clicked()
{
    m_state->rotateLeft();
}

void MainForm::on_button_rotateRight90_clicked()
{
    m_state->rotateRight();
}

void MainForm::on_button_flipHorizontal_clicked()
{
    m_state->flipHorizontal();
}

void MainForm::on_button_flipVertical_clicked()
{
    m_state->flipVertical();
}

void MainForm::transformChanged()
{
    m_ui->scannerView->setRulerScale(transformState().rulerScale());
    drawPreview();
}

void MainForm::on_button_levels_clicked()
{
    if (!m_levelsPlaced) {
        // Beside the main window, where it hides none of the preview it changes; then
        // wherever the user last put it.
        m_levelsWindow->adjustSize();
        QRect place(window()->frameGeometry().topRight() + QPoint(8, 0), m_levelsWindow->sizeHint());
        if (const QScreen* screen = window()->screen()) {
            const QRect room = screen->availableGeometry();
            place.moveRight(std::min(place.right(), room.right()));
            place.moveTop(std::max(place.top(), room.top()));
        }
        m_levelsWindow->move(place.topLeft());
        m_levelsPlaced = true;
    }
    m_levelsWindow->show();
    m_levelsWindow->raise();
    m_levelsWindow->activateWindow();
}

void MainForm::showLevels(const LevelsSettings& levels)
{
    // The panel's own changes come back here already shown.
    if (m_levelsPanel->levels() != levels)
        m_levelsPanel->setLevels(levels);
    drawPreview();
}

void MainForm::keepLevels(const LevelsSettings& levels)
{
    m_state->setLevels(levels);
    if (!m_state->keepLevels())
        warn(tr("The levels could not be kept with the mode; they still apply to this scan."));
}

void MainForm::retranslateLevelsWindow()
{
    m_levelsWindow->setWindowTitle(tr("Histogram and Levels"));
}

void MainForm::on_button_clearObject_clicked()
{
    m_ui->scannerView->clear();
    // setChecked, unlike a click, does not run the ruler slot again.
    m_ui->checkBox_archScale->setChecked(false);
}

// The results only say what came; the outcome that follows says of which request.
void MainForm::scannerPreScan(STImage image)
{
    m_prescanResult = image;
}

void MainForm::scannerScanSuccess(QString filepath)
{
    m_scanResult = filepath;
}

void MainForm::scannerRequestEnded(RequestOutcome outcome)
{
    if (outcome.kind != ScannerSDK::RequestPrescan && outcome.kind != ScannerSDK::RequestScan) {
        // A service request the scanner does not take says why; a link failure is the
        // start-up's and the scanner choice's to tell.
        if (outcome.result == RequestOutcome::Failed && outcome.kind != ScannerSDK::RequestLink
            && outcome.kind != ScannerSDK::RequestRelink && !outcome.message.isEmpty())
            warn(outcome.message);
        return;
    }
    STImage image;
    std::swap(image, m_prescanResult);
    QString path;
    path.swap(m_scanResult);
    // A request finished before the user's cancel reached it still delivered: its
    // prescan or file is real.
    if (outcome.result == RequestOutcome::Done) {
        if (outcome.kind == ScannerSDK::RequestPrescan && !image.isNull()) {
            prescanArrived(image);
        } else if (outcome.kind == ScannerSDK::RequestScan && !path.isEmpty()) {
            m_state->setLastFile(path);
        }
    }
    if (m_waitSerial != 0 && outcome.serial == m_waitSerial) {
        if (outcome.result != RequestOutcome::Done)
            addWarning(outcome.message.isEmpty() ? cancelText(outcome.kind) : outcome.message);
        if (m_waitDialog)
            m_waitDialog->linkSuccess();
        return;
    }
    // The cancel of a request no dialog waits for was told when the user cancelled.
    if (outcome.result == RequestOutcome::Failed && !outcome.message.isEmpty()) {
        if (isWaiting())
            addWarning(outcome.message);
        else
            warn(outcome.message);
    }
}

void MainForm::prescanArrived(const STImage& image)
{
    m_state->setPrescan(image);
    updateInformationPanel();
    manager* data = manager::instance();
    if (data->isRawMode()) {
        const STImage shown = PrescanProcessing::withBrightness(
            processedImage(), m_ui->horizontalSlider_brightness->value(), *data->processing());
        data->dumpStage(shown.toQImage(), QStringLiteral("preScan_final"));
    }
}

void MainForm::showSavedFile(const QString& filepath)
{
    // From the file's header: a large scan would take long and much memory to decode.
    const QSize size = imageFileSize(filepath);
    m_ui->label_Width->setText(tr("Width: %1 pixels").arg(size.width()));
    m_ui->label_Height->setText(tr("Height: %1 pixels").arg(size.height()));
    m_ui->label_Size->setText(InformationPanel::sizeText(QFileInfo(filepath).size()));
    // A scanner that could not scan at the profile's resolution scanned at another one,
    // which the file states.
    const int dpi = imageFileResolution(filepath);
    if (dpi > 0)
        m_ui->label_Resolution->setText(tr("Image Resolution: %1 dpi").arg(dpi));
    m_ui->toolButton_OpenFileLocation->setToolTip(
        tr("Last saved: %1").arg(QDir::toNativeSeparators(filepath)));
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
    m_state->setDeviceRecord(dataArray);
}

void MainForm::updateInformationPanel()
{
    updatePanelTexts();
    const InformationPanel panel(manager::instance()->profile(mode()));
    QSlider* slider = m_ui->horizontalSlider_brightness;
    slider->setValue(panel.brightness());
    slider->setToolTip(QString::number(panel.brightness()));
}

void MainForm::updatePanelTexts()
{
    const InformationPanel panel(manager::instance()->profile(mode()));
    m_ui->label_Resolution->setText(panel.resolutionText());
    m_ui->label_colorDepth->setText(panel.colourDepthText());
    m_ui->label_FileFormat->setText(panel.fileFormatText());
    updateElidedTexts();
}

void MainForm::updateElidedTexts()
{
    const InformationPanel panel(manager::instance()->profile(mode()));
    QLabel* directory = m_ui->label_Directory;
    directory->setText(panel.directoryText(directory->fontMetrics(), directory->width() / 2));
    directory->setToolTip(QDir::toNativeSeparators(manager::instance()->profile(mode()).outputFolder()));
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
    if (!savedFile().isEmpty())
        showSavedFile(savedFile());
    m_ui->label_Brightness->setText(tr("Brightness : %1").arg(brightness));
    updatePanelTexts();
    updateCustomCaptions();
    retranslateLevelsWindow();
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

void MainForm::showPreview()
{
    const STImage& working = processedImage();
    m_levelsPanel->setImage(working.width() == 0 || working.height() == 0
            ? STImage()
            : PrescanProcessing::withBrightness(
                working, m_ui->horizontalSlider_brightness->value(), *manager::instance()->processing()));
    drawPreview();
}

void MainForm::drawPreview()
{
    const LevelsPreview& levels = m_levelsPanel->preview();
    // A copy only while the clipping is shown; the preview redraws on every step of a drag.
    const STImage clipping
        = m_clipping == LevelsPreview::NoClipping ? STImage() : levels.clippingImage(m_clipping);
    const STImage& shown = m_clipping == LevelsPreview::NoClipping ? levels.shown() : clipping;
    if (shown.width() == 0 || shown.height() == 0) {
        m_ui->scannerView->setImage(QImage());
        return;
    }
    const PreviewTransform& view = transformState();
    m_ui->scannerView->setImage(PreviewGeometry::previewImage(
        shown, view.zoomFactor, view.rotationAngle, view.mirrorHorizontal, view.mirrorVertical));
}
