#pragma once

#include "editorprompts.h"
#include "filterpreview.h"
#include "outputfields.h"
#include "scanprofile.h"

#include <QWidget>

#include <memory>

namespace Ui
{
class Film135;
}

// The 135-film page of the profile editor: edits FilmSettings and shows their filter
// preview. Main thread only.
class Film135 : public QWidget
{
    Q_OBJECT

public:
    explicit Film135(const EditorContext& context = {}, QWidget* parent = nullptr);
    ~Film135() override;

    void setSettings(const FilmSettings& settings);
    FilmSettings settings() const;

    // Pictures of the preview in place of the samples (a null multipass picture: the
    // before picture for both); a null before picture brings the samples back.
    void setPreviewPictures(const QImage& before, const QImage& multipass = QImage());
    const FilterPreview& filterPreview() const { return m_preview; }

signals:
    void clickSave();
    void clickCancel();
    void clickLoad();
    void clickExport();

public slots:
    void on_pushButton_save_clicked();
    void on_pushButton_load_clicked();
    void on_pushButton_cancel_clicked();
    void on_pushButton_export_clicked();
    void on_pushButton_Browse_clicked();
    void processImage();
    void on_horizontalSlider_brightness_valueChanged(int value);
    void on_checkBox_multipassXposure_clicked();
    void on_checkBox_digitalNoiseReduction_clicked();
    void on_checkBox_scatchAndDustRemove_clicked();
    void on_checkBox_autoContrast_clicked();
    void on_checkBox_autoColor_clicked();
    void on_checkBox_autoBlance_clicked();
    void on_radioButton_positive_clicked(bool checked);
    void on_radioButton_negative_clicked(bool checked);
    void on_radioButton_positiveBW_clicked(bool checked);
    void on_radioButton_NegativeBW_clicked(bool checked);

private:
    // Negative film needs its colour found, positive film keeps its own.
    void applyPreset(int target, bool checked, bool automaticColour);
    int checkedTarget() const;

    std::unique_ptr<Ui::Film135> m_ui;
    std::unique_ptr<OutputFields> m_outputFields;
    EditorContext m_context;
    FilmSettings m_settings;
    FilterPreview m_preview;
    // The target whose preset ran last, so that clicking a checked radio again keeps
    // what the user changed since.
    int m_presetTarget = -1;
    // While the controls are filled the preview is drawn once, at the end.
    bool m_filling = false;
};
