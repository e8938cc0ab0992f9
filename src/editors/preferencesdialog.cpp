#include "preferencesdialog.h"

#include "ui_preferencesdialog.h"

PreferencesDialog::PreferencesDialog(const EditorContext& context, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::PreferencesDialog>())
    , m_context(context)
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // An empty folder is shown as such: it stands for the Pictures folder at scan time.
    m_outputFields = std::make_unique<OutputFields>(
        OutputFields::Widgets { m_ui->radioButton_quality, m_ui->radioButton_normal, m_ui->radioButton_16bit,
            m_ui->radioButton_8bit, m_ui->lineEdit_directory, m_ui->lineEdit_prefixFilename,
            m_ui->radioButton_tiff, m_ui->radioButton_jpeg },
        OutputFields::EmptyFolder::Show, this);
}

PreferencesDialog::~PreferencesDialog() = default;

void PreferencesDialog::setProfile(const ScanProfile& profile)
{
    m_profile = profile;
    if (profile.isSlideMode())
        m_outputFields->show(profile.slideSettings());
    else
        m_outputFields->show(profile.filmSettings());
}

ScanProfile PreferencesDialog::profile()
{
    if (m_profile.isSlideMode()) {
        SlideSettings settings = m_profile.slideSettings();
        m_outputFields->read(settings);
        m_profile.setSlideSettings(settings);
    } else {
        FilmSettings settings = m_profile.filmSettings();
        m_outputFields->read(settings);
        m_profile.setFilmSettings(settings);
    }
    return m_profile;
}

void PreferencesDialog::on_pushButton_browse_clicked()
{
    const QString folder = m_context.promptsOrNative()->directory(
        this, tr("Select directory for save"), m_ui->lineEdit_directory->text());
    if (!folder.isEmpty())
        m_ui->lineEdit_directory->setText(folder);
}

void PreferencesDialog::on_pushButton_save_clicked()
{
    accept();
}

void PreferencesDialog::on_pushButton_cancel_clicked()
{
    reject();
}
