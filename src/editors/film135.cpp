#include "film135.h"

#include "ui_film135.h"

#include "editorfields.h"
#include "previewwidget.h"

#include <array>

Film135::Film135(const EditorContext& context, QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::Film135>())
    , m_context(context)
    , m_preview(FilterPreview::Film)
{
    m_ui->setupUi(this);
    m_preview.setProcessing(context.processing, context.modelCode);
    m_ui->lineEdit_Descriptor->setMaxLength(EditorFields::kDescriptionLength);
    m_outputFields = std::make_unique<OutputFields>(
        OutputFields::Widgets { m_ui->radioButton_quality, m_ui->radioButton_normal, m_ui->radioButton_16bit,
            m_ui->radioButton_8bit, m_ui->lineEdit_directory, m_ui->lineEdit_prefixFilename,
            m_ui->radioButton_tiff, m_ui->radioButton_jpeg },
        OutputFields::EmptyFolder::KeepField, this);
    m_ui->checkBox_scatchAndDustRemove->hide();
    setSettings(FilmSettings());
}

Film135::~Film135() = default;

void Film135::setSettings(const FilmSettings& settings)
{
    m_settings = settings;
    m_filling = true;
    m_ui->lineEdit_Descriptor->setText(settings.description);
    const std::array<QRadioButton*, 4> targets { m_ui->radioButton_positive, m_ui->radioButton_negative,
        m_ui->radioButton_positiveBW, m_ui->radioButton_NegativeBW };
    if (settings.scanningTarget >= 0 && settings.scanningTarget < 4)
        targets[static_cast<std::size_t>(settings.scanningTarget)]->setChecked(true);
    m_presetTarget = checkedTarget();
    m_outputFields->show(settings);
    m_ui->checkBox_multipassXposure->setChecked(settings.multipass.enable);
    m_ui->checkBox_digitalNoiseReduction->setChecked(settings.noiseReduction.enable);
    m_ui->checkBox_scatchAndDustRemove->setChecked(settings.scratchRemoval.enable);
    m_ui->checkBox_autoContrast->setChecked(settings.autoContrast.enable);
    m_ui->checkBox_autoColor->setChecked(settings.autoColour.enable);
    m_ui->checkBox_autoBlance->setChecked(settings.autoBalance.enable);
    m_ui->horizontalSlider_brightness->setValue(settings.brightness.value);
    m_ui->horizontalSlider_brightness->setToolTip(
        QString::number(m_ui->horizontalSlider_brightness->value()));
    m_ui->plainTextEdit_suggested->setPlainText(settings.suggestedText);
    m_filling = false;
    processImage();
}

FilmSettings Film135::settings() const
{
    FilmSettings settings = m_settings;
    settings.description = m_ui->lineEdit_Descriptor->text();
    const int target = checkedTarget();
    if (target >= 0)
        settings.scanningTarget = target;
    m_outputFields->read(settings);
    settings.multipass = { m_ui->checkBox_multipassXposure->isChecked(), 0 };
    settings.noiseReduction = { m_ui->checkBox_digitalNoiseReduction->isChecked(), 0 };
    settings.scratchRemoval = { m_ui->checkBox_scatchAndDustRemove->isChecked(), 0 };
    settings.autoContrast = { m_ui->checkBox_autoContrast->isChecked(), 0 };
    settings.autoColour = { m_ui->checkBox_autoColor->isChecked(), 0 };
    settings.autoBalance = { m_ui->checkBox_autoBlance->isChecked(), 0 };
    settings.brightness = { true, m_ui->horizontalSlider_brightness->value() };
    settings.suggestedText = m_ui->plainTextEdit_suggested->toPlainText();
    return settings;
}

void Film135::setPreviewPictures(const QImage& before, const QImage& multipass)
{
    m_preview.setPictures(before, multipass);
    processImage();
}

int Film135::checkedTarget() const
{
    return EditorFields::checkedIndex({ m_ui->radioButton_positive, m_ui->radioButton_negative,
        m_ui->radioButton_positiveBW, m_ui->radioButton_NegativeBW });
}

void Film135::on_pushButton_save_clicked()
{
    emit clickSave();
}

void Film135::on_pushButton_load_clicked()
{
    emit clickLoad();
}

void Film135::on_pushButton_cancel_clicked()
{
    emit clickCancel();
}

void Film135::on_pushButton_export_clicked()
{
    emit clickExport();
}

void Film135::on_pushButton_Browse_clicked()
{
    const QString folder = m_context.promptsOrNative()->directory(
        this, tr("Select directory for save"), m_ui->lineEdit_directory->text());
    if (!folder.isEmpty())
        m_ui->lineEdit_directory->setText(folder);
}

void Film135::processImage()
{
    if (m_filling)
        return;
    ScanProfile profile;
    profile.setMode(ScanProfile::FilmMode);
    profile.setFilmSettings(settings());
    m_ui->widget_preview->setBeforeImage(m_preview.before());
    m_ui->widget_preview->setAfterImage(m_preview.after(profile));
    m_ui->widget_preview->updateComposite();
}

void Film135::on_horizontalSlider_brightness_valueChanged(int value)
{
    processImage();
    EditorFields::showSliderValue(m_ui->horizontalSlider_brightness, value);
}

void Film135::on_checkBox_multipassXposure_clicked()
{
    processImage();
}

void Film135::on_checkBox_digitalNoiseReduction_clicked()
{
    processImage();
}

void Film135::on_checkBox_scatchAndDustRemove_clicked()
{
    processImage();
}

void Film135::on_checkBox_autoContrast_clicked()
{
    processImage();
}

void Film135::on_checkBox_autoColor_clicked()
{
    processImage();
}

void Film135::on_checkBox_autoBlance_clicked()
{
    processImage();
}

void Film135::on_radioButton_positive_clicked(bool checked)
{
    applyPreset(0, checked, false);
}

void Film135::on_radioButton_negative_clicked(bool checked)
{
    applyPreset(1, checked, true);
}

void Film135::on_radioButton_positiveBW_clicked(bool checked)
{
    applyPreset(2, checked, false);
}

void Film135::on_radioButton_NegativeBW_clicked(bool checked)
{
    applyPreset(3, checked, true);
}

void Film135::applyPreset(int target, bool checked, bool automaticColour)
{
    if (!checked || m_presetTarget == target)
        return;
    m_presetTarget = target;
    m_ui->checkBox_autoColor->setChecked(automaticColour);
    m_ui->checkBox_autoBlance->setChecked(automaticColour);
    processImage();
}
