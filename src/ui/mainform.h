#pragma once

#include "previewtransform.h"

#include <stimage.h>

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class NotifyDialog;
class QButtonGroup;
class ScannerSDK;
class ScanProfile;
namespace Ui
{
class MainForm;
}

// The main scanning form: the ten scanning modes, the information panel, the preview
// with its tools, prescan and scan. It holds no scanner logic: requests go to the
// manager's worker and the form waits for its signals behind a modal wait dialog.
// The panel texts, the preview transform and the processing of the prescan live in
// plain classes (informationpanel.h, previewtransform.h, prescanprocessing.h).
//
// Threads: main thread. The worker's signals arrive queued; the prescan pipeline runs
// here, while the worker is idle (the wait dialog keeps prescan and scan apart).
class MainForm : public QWidget
{
    Q_OBJECT

public:
    // The profile slot of each mode, 0 to 9.
    static constexpr int kModeCount = 10;
    static constexpr int kDeviceInfoSize = 173;

    explicit MainForm(QWidget* parent = nullptr);
    ~MainForm() override;

    // Whether there is a prescan the user would lose by closing.
    bool hasPrescan() const;

    int mode() const { return modeIndex; }
    const STImage& prescanImage() const { return rawPrescan; }
    const STImage& processedImage() const { return workingImage; }
    QString savedFile() const { return lastScanFile; }
    QByteArray deviceInformation() const { return deviceInfoRecord; }
    const PreviewTransform& transformState() const { return viewTransform; }
    // True while a prescan or scan wait dialog is open.
    bool isWaiting() const { return !m_waitDialog.isNull(); }

public slots:
    void setUIdefaultValue();
    void on_preScan_clicked();
    void on_Scan_clicked();
    void on_pushButton_Preference_clicked();
    void on_toolButton_OpenFileLocation_clicked();
    void on_pushButton_Custom1_clicked();
    void on_pushButton_Custom2_clicked();
    void on_pushButton_Custom3_clicked();
    void on_pushButton_Custom4_clicked();
    void on_pushButton_Custom5_clicked();
    void on_radioButton_Tissue_clicked();
    void on_radioButton_Common_clicked();
    void on_radioButton_Aquatic_clicked();
    void on_radioButton_Positive_clicked();
    void on_radioButton_Negative_clicked();
    void on_checkBox_archScale_clicked();
    void on_horizontalSlider_brightness_valueChanged(int value);
    void on_radioButton__Custom1_clicked();
    void on_radioButton__Custom2_clicked();
    void on_radioButton__Custom3_clicked();
    void on_radioButton__Custom4_clicked();
    void on_radioButton__Custom5_clicked();
    void on_button_zoomIn_clicked();
    void on_button_zoomOut_clicked();
    void on_button_rotateLeft90_clicked();
    void on_button_rotateRight90_clicked();
    void on_button_flipHorizontal_clicked();
    void on_button_flipVertical_clicked();
    void scannerPreScan(STImage image);
    void scannerScanSuccess(QString filepath);
    void scanerScanKey();
    void scanerInquiry(QByteArray dataArray);
    void on_button_clearObject_clicked();
    // The reason of a failed prescan (request 0) or scan (request 1), told when its
    // empty result follows.
    void scannerRequestFailed(int request, QString reason);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void selectMode(int mode);
    // The profile editor of a custom slot (5-9), offering the prescan as its picture.
    void editCustomSlot(int slot);
    void updateInformationPanel();
    // The panel's texts of the current mode, without touching the brightness slider.
    void updatePanelTexts();
    void showSavedFile();
    // After a language change: the form's texts and every text the form made itself.
    void retranslate();
    // The directory and suggested texts, cut to the labels' present widths.
    void updateElidedTexts();
    void updateCustomCaptions();
    void reprocessPrescan();
    // workingImage with the slider's brightness, through the view transform.
    void showPreview();
    void transformChanged();
    int modelCode() const;
    // Runs the wait dialog of a request until its result or the user's cancel.
    void waitForResult(const QString& title, const QString& text, bool prescan);
    void tellEmptyResult(const QString& text);
    void warn(const QString& text);

    std::unique_ptr<Ui::MainForm> m_ui;
    ScannerSDK* m_worker = nullptr;
    QButtonGroup* m_modes = nullptr;
    QPointer<NotifyDialog> m_waitDialog;

    int modeIndex = 0;
    STImage rawPrescan;
    STImage workingImage;
    QString lastScanFile;
    QByteArray deviceInfoRecord;
    PreviewTransform viewTransform;
    // Reasons from scannerRequestFailed, kept for the empty result that follows.
    QString m_prescanFailure;
    QString m_scanFailure;
    // The message of an empty result that ended a wait, shown once the dialog is gone.
    QString m_pendingWarning;
};
