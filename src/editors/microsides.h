#pragma once

#include "editorprompts.h"
#include "filterpreview.h"
#include "outputfields.h"
#include "scanprofile.h"

#include <QWidget>

#include <memory>

namespace Ui
{
class MicroSides;
}

// The microscope-slide page of the profile editor: edits SlideSettings and shows their
// filter preview. Main thread only.
class MicroSides : public QWidget
{
    Q_OBJECT

public:
    explicit MicroSides(const EditorContext& context = {}, QWidget* parent = nullptr);
    ~MicroSides() override;

    void setSettings(const SlideSettings& settings);
    SlideSettings settings() const;

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
    void on_checkBox_autoContrast_clicked();
    void on_horizontalSlider_saturation_valueChanged(int value);
    void on_radioButton_Tissue_clicked(bool checked);
    void on_radioButton_Common_clicked(bool checked);
    void on_radioButton_Qauatic_clicked(bool checked);

private:
    void applyPreset(int target, bool checked);
    int checkedTarget() const;

    std::unique_ptr<Ui::MicroSides> m_ui;
    std::unique_ptr<OutputFields> m_outputFields;
    EditorContext m_context;
    SlideSettings m_settings;
    FilterPreview m_preview;
    // The target whose preset ran last, so that clicking a checked radio again keeps
    // what the user changed since.
    int m_presetTarget = -1;
    // While the controls are filled the preview is drawn once, at the end.
    bool m_filling = false;
};
