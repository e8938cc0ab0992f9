#include "microsides.h"

#include "ui_microsides.h"

#include "editorfields.h"
#include "previewwidget.h"
#include "slidepresets.h"

#include <array>

MicroSides::MicroSides(const EditorContext& context, QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::MicroSides>())
    , m_context(context)
    , m_preview(FilterPreview::Slides)
{
    m_ui->setupUi(this);
    m_preview.setProcessing(context.processing, context.modelCode);
    m_ui->lineEdit_Descriptor->setMaxLength(EditorFields::kDescriptionLength);
    m_outputFields = std::make_unique<OutputFields>(
        OutputFields::Widgets { m_ui->radioButton_quality, m_ui->radioButton_normal, m_ui->radioButton_16bit,
            m_ui->radioButton_8bit, m_ui->lineEdit_directory, m_ui->lineEdit_prefixFilename,
            m_ui->radioButton_tiff, m_ui->radioButton_jpeg },
        OutputFields::EmptyFolder::KeepField, this);
    connect(m_ui->radioButton_others, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_presetTarget = 3;
    });
    setSettings(SlideSettings());
}

MicroSides::~MicroSides() = default;

void MicroSides::setSettings(const SlideSettings& settings)
{
    m_settings = settings;
    m_filling = true;
    m_ui->lineEdit_Descriptor->setText(settings.description);
    const std::array<QRadioButton*, 4> targets { m_ui->radioButton_Tissue, m_ui->radioButton_Common,
        m_ui->radioButton_Qauatic, m_ui->radioButton_others };
    if (settings.scanningTarget >= 0 && settings.scanningTarget < 4)
        targets[static_cast<std::size_t>(settings.scanningTarget)]->setChecked(true);
    m_presetTarget = checkedTarget();
    m_outputFields->show(settings);
    m_ui->checkBox_multipassXposure->setChecked(settings.multipass.enable);
    m_ui->checkBox_autoContrast->setChecked(settings.autoContrast.enable);
    m_ui->horizontalSlider_saturation->setValue(settings.saturation.value);
    m_ui->horizontalSlider_saturation->setToolTip(
        QString::number(m_ui->horizontalSlider_saturation->value()));
    m_ui->horizontalSlider_brightness->setValue(settings.brightness.value);
    m_ui->horizontalSlider_brightness->setToolTip(
        QString::number(m_ui->horizontalSlider_brightness->value()));
    m_ui->plainTextEdit_suggested->setPlainText(settings.suggestedText);
    m_filling = false;
    processImage();
}

SlideSettings MicroSides::settings() const
{
    SlideSettings settings = m_settings;
    settings.description = m_ui->lineEdit_Descriptor->text();
    const int target = checkedTarget();
    if (target >= 0)
        settings.scanningTarget = target;
    m_outputFields->read(settings);
    settings.multipass = { m_ui->checkBox_multipassXposure->isChecked(), 0 };
    settings.autoContrast = { m_ui->checkBox_autoContrast->isChecked(), 0 };
    settings.saturation = { true, m_ui->horizontalSlider_saturation->value() };
    settings.brightness = { true, m_ui->horizontalSlider_brightness->value() };
    settings.suggestedText = m_ui->plainTextEdit_suggested->toPlainText();
    return settings;
}

void MicroSides::setPreviewPictures(const QImage& before, const QImage& multipass)
{
    m_preview.setPictures(before, multipass);
    processImage();
}

int MicroSides::checkedTarget() const
{
    return EditorFields::checkedIndex({ m_ui->radioButton_Tissue, m_ui->radioButton_Common,
        m_ui->radioButton_Qauatic, m_ui->radioButton_others });
}

void MicroSides::on_pushButton_save_clicked()
{
    emit clickSave();
}

void MicroSides::on_pushButton_load_clicked()
{
    emit clickLoad();
}

void MicroSides::on_pushButton_cancel_clicked()
{
    emit clickCancel();
}

void MicroSides::on_pushButton_export_clicked()
{
    emit clickExport();
}

void MicroSides::on_pushButton_Browse_clicked()
{
    const QString folder = m_context.promptsOrNative()->directory(
        this, tr("Select directory for save"), m_ui->lineEdit_directory->text());
    if (!folder.isEmpty())
        m_ui->lineEdit_directory->setText(folder);
}

void MicroSides::processImage()
{
    if (m_filling)
        return;
    ScanProfile profile;
    profile.setMode(ScanProfile::SlideMode);
    profile.setSlideSettings(settings());
    m_ui->widget_preview->setBeforeImage(m_preview.before());
    m_ui->widget_preview->setAfterImage(m_preview.after(profile));
    m_ui->widget_preview->updateComposite();
}

void MicroSides::on_horizontalSlider_brightness_valueChanged(int value)
{
    EditorFields::showSliderValue(m_ui->horizontalSlider_brightness, value);
    processImage();
}

void MicroSides::on_horizontalSlider_saturation_valueChanged(int value)
{
    EditorFields::showSliderValue(m_ui->horizontalSlider_saturation, value);
    processImage();
}

void MicroSides::on_checkBox_multipassXposure_clicked()
{
    processImage();
}

void MicroSides::on_checkBox_autoContrast_clicked()
{
    processImage();
}

void MicroSides::on_radioButton_Tissue_clicked(bool checked)
{
    applyPreset(0, checked);
}

void MicroSides::on_radioButton_Common_clicked(bool checked)
{
    applyPreset(1, checked);
}

void MicroSides::on_radioButton_Qauatic_clicked(bool checked)
{
    applyPreset(2, checked);
}

void MicroSides::applyPreset(int target, bool checked)
{
    if (!checked || m_presetTarget == target)
        return;
    m_presetTarget = target;
    const SlidePresets::Preset& preset = SlidePresets::kPresets.at(std::size_t(target));
    m_filling = true;
    m_ui->checkBox_autoContrast->setChecked(true);
    m_ui->horizontalSlider_saturation->setValue(preset.editorSaturation);
    m_ui->horizontalSlider_brightness->setValue(preset.editorBrightness);
    m_filling = false;
    processImage();
}
