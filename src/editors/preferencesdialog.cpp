#include "preferencesdialog.h"

#include "ui_preferencesdialog.h"

#include "editorfields.h"

PreferencesDialog::PreferencesDialog(const EditorContext& context, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::PreferencesDialog>())
    , m_context(context)
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    EditorFields::installPrefixValidator(m_ui->lineEdit_prefixFilename);
}

PreferencesDialog::~PreferencesDialog() = default;

template <typename Settings> void PreferencesDialog::fill(const Settings& settings)
{
    (settings.resolution == 1 ? m_ui->radioButton_normal : m_ui->radioButton_quality)->setChecked(true);
    (settings.colourDepth == 0 ? m_ui->radioButton_16bit : m_ui->radioButton_8bit)->setChecked(true);
    // An empty folder is shown as such: it stands for the Pictures folder at scan time.
    m_ui->lineEdit_directory->setText(settings.directory);
    // A prefix that the field would refuse (a damaged file) keeps the field's own text.
    if (!settings.prefix.isEmpty() && ScanProfile::isValidPrefix(settings.prefix))
        m_ui->lineEdit_prefixFilename->setText(settings.prefix);
    (settings.fileFormat == 0 ? m_ui->radioButton_tiff : m_ui->radioButton_jpeg)->setChecked(true);
    m_ui->lineEdit_directory->setCursorPosition(0);
}

template <typename Settings> void PreferencesDialog::read(Settings& settings) const
{
    settings.resolution = m_ui->radioButton_normal->isChecked() ? 1 : 0;
    settings.colourDepth = m_ui->radioButton_16bit->isChecked() ? 0 : 1;
    settings.directory = m_ui->lineEdit_directory->text();
    settings.prefix = m_ui->lineEdit_prefixFilename->text();
    settings.fileFormat = m_ui->radioButton_tiff->isChecked() ? 0 : 1;
}

void PreferencesDialog::setProfile(const ScanProfile& profile)
{
    m_profile = profile;
    if (profile.isSlideMode())
        fill(profile.slideSettings());
    else
        fill(profile.filmSettings());
}

ScanProfile PreferencesDialog::profile()
{
    if (m_profile.isSlideMode()) {
        SlideSettings settings = m_profile.slideSettings();
        read(settings);
        m_profile.setSlideSettings(settings);
    } else {
        FilmSettings settings = m_profile.filmSettings();
        read(settings);
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
