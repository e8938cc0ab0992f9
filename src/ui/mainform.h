#pragma once

#include "levelspreview.h"
#include "previewtransform.h"

#include <scanrequest.h>
#include <stimage.h>

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class LevelsPanel;
class NotifyDialog;
class QButtonGroup;
class EditorPrompts;
class ScannerSDK;
class ScanProfile;
class ScanningState;
namespace Ui
{
class MainForm;
}

// The main scanning form: the ten scanning modes, the information panel, the preview
// with its tools, prescan and scan. It binds widgets to its ScanningState, which holds
// what it scans with and builds the requests; the worker's answers are tied to the
// request the form made by their serial, so the late result of an earlier request
// never ends, fills or explains the wait dialog of a later one. Messages go through
// the prompts object, so tests answer in place of the user.
//
// Threads: main thread. The worker's signals arrive queued.
class MainForm : public QWidget
{
    Q_OBJECT

public:
    // The profile slot of each mode, 0 to 9.
    static constexpr int kModeCount = 10;

    // prompts: null for the native dialogs.
    explicit MainForm(QWidget* parent = nullptr, EditorPrompts* prompts = nullptr);
    ~MainForm() override;

    // Whether there is a prescan the user would lose by closing.
    bool hasPrescan() const;

    ScanningState& state() const { return *m_state; }
    int mode() const;
    const STImage& prescanImage() const;
    const STImage& processedImage() const;
    QString savedFile() const;
    QByteArray deviceInformation() const;
    const PreviewTransform& transformState() const;
    // True while a prescan or scan wait dialog is open.
    bool isWaiting() const { return !m_waitDialog.isNull(); }
    void setPrompts(EditorPrompts* prompts) { m_prompts = prompts; }
    // The histogram and levels, in the tool window button_levels opens.
    LevelsPanel* levelsPanel() const { return m_levelsPanel; }
    QWidget* levelsWindow() const { return m_levelsWindow; }

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
    void on_button_levels_clicked();
    // How a prescan or scan ended; its result came just before.
    void scannerRequestEnded(RequestOutcome outcome);

signals:
    // A wait dialog is about to run for a prescan or scan.
    void waitStarted(NotifyDialog* dialog);

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
    // After a language change: the form's texts and every text the form made itself.
    void retranslate();
    // The directory and suggested texts, cut to the labels' present widths.
    void updateElidedTexts();
    void updateCustomCaptions();
    // The working image with the slider's brightness goes to the levels panel, and what
    // the panel shows under the levels to the preview.
    void showPreview();
    // The panel's picture (or its clipping) through the view transform.
    void drawPreview();
    void showLevels(const LevelsSettings& levels);
    void keepLevels(const LevelsSettings& levels);
    void retranslateLevelsWindow();
    void transformChanged();
    void showSavedFile(const QString& path);
    void prescanArrived(const STImage& image);
    // Runs the wait dialog of request serial until its outcome or the user's cancel.
    void waitForResult(quint64 serial, int kind, const QString& title, const QString& text);
    static QString cancelText(int kind);
    void addWarning(const QString& text);
    void warn(const QString& text);
    EditorPrompts* prompts() const;

    std::unique_ptr<Ui::MainForm> m_ui;
    ScanningState* m_state = nullptr;
    ScannerSDK* m_worker = nullptr;
    EditorPrompts* m_prompts = nullptr;
    QButtonGroup* m_modes = nullptr;
    QWidget* m_levelsWindow = nullptr;
    LevelsPanel* m_levelsPanel = nullptr;
    bool m_levelsPlaced = false;
    LevelsPreview::Clipping m_clipping = LevelsPreview::NoClipping;
    QPointer<NotifyDialog> m_waitDialog;
    // The request the open wait dialog belongs to; 0 when none.
    quint64 m_waitSerial = 0;
    // The last results, kept until the outcome of their request says what they are.
    STImage m_prescanResult;
    QString m_scanResult;
    // The message that ended a wait, shown once the dialog is gone.
    QString m_pendingWarning;
};
