#include "customdialog.h"

#include "ui_customdialog.h"

#include "film135.h"
#include "microsides.h"

#include <QButtonGroup>
#include <QDir>
#include <QSignalMapper>

namespace
{

// Both sections of a profile file hold prefixes that the prefix fields would take
// (or none): anything else is not a file this program wrote.
bool hasUsablePrefixes(const ScanProfile& profile)
{
    const QString slide = profile.slideSettings().prefix;
    const QString film = profile.filmSettings().prefix;
    return (slide.isEmpty() || ScanProfile::isValidPrefix(slide))
        && (film.isEmpty() || ScanProfile::isValidPrefix(film));
}

} // namespace

CustomDialog::CustomDialog(const EditorContext& context, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::CustomDialog>())
    , m_context(context)
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_ui->pushButton->hide();
    m_ui->checkBox_prescanPreview->hide();

    m_slides = new MicroSides(context, this);
    m_film = new Film135(context, this);
    m_ui->stackedWidget->addWidget(m_slides);
    m_ui->stackedWidget->addWidget(m_film);

    // Automatic exclusivity searches the radios' parent recursively and would meet the
    // pages' own radios, so a click on the checked mode could uncheck it: a group keeps
    // the two to themselves.
    auto* modes = new QButtonGroup(this);
    modes->addButton(m_ui->radioButton_Slides, 0);
    modes->addButton(m_ui->radioButton_Film, 1);

    m_modeMapper = new QSignalMapper(this);
    m_modeMapper->setMapping(m_ui->radioButton_Slides, 0);
    m_modeMapper->setMapping(m_ui->radioButton_Film, 1);
    connect(m_ui->radioButton_Slides, &QRadioButton::clicked, m_modeMapper, qOverload<>(&QSignalMapper::map));
    connect(m_ui->radioButton_Film, &QRadioButton::clicked, m_modeMapper, qOverload<>(&QSignalMapper::map));
    connect(m_modeMapper, &QSignalMapper::mappedInt, m_ui->stackedWidget, &QStackedWidget::setCurrentIndex);

    connect(m_slides, &MicroSides::clickSave, this, &CustomDialog::save);
    connect(m_slides, &MicroSides::clickLoad, this, &CustomDialog::importProfile);
    connect(m_slides, &MicroSides::clickCancel, this, &CustomDialog::close);
    connect(m_slides, &MicroSides::clickExport, this, &CustomDialog::exportProfile);
    connect(m_film, &Film135::clickSave, this, &CustomDialog::save);
    connect(m_film, &Film135::clickLoad, this, &CustomDialog::importProfile);
    connect(m_film, &Film135::clickCancel, this, &CustomDialog::close);
    connect(m_film, &Film135::clickExport, this, &CustomDialog::exportProfile);
    connect(m_ui->checkBox_prescanPreview, &QCheckBox::toggled, this, &CustomDialog::usePrescanPicture);
}

CustomDialog::~CustomDialog() = default;

void CustomDialog::setProfile(const ScanProfile& profile)
{
    m_profile = profile;
    m_slides->setSettings(profile.slideSettings());
    m_film->setSettings(profile.filmSettings());
    const bool film = profile.mode() != ScanProfile::SlideMode;
    (film ? m_ui->radioButton_Film : m_ui->radioButton_Slides)->setChecked(true);
    m_ui->stackedWidget->setCurrentIndex(film ? 1 : 0);
}

ScanProfile CustomDialog::profile() const
{
    return m_profile;
}

void CustomDialog::setPrescanPicture(const QImage& picture)
{
    m_prescan = picture;
    m_ui->checkBox_prescanPreview->setVisible(!picture.isNull());
    if (picture.isNull())
        m_ui->checkBox_prescanPreview->setChecked(false);
    else if (m_ui->checkBox_prescanPreview->isChecked())
        usePrescanPicture(true);
}

void CustomDialog::usePrescanPicture(bool on)
{
    // The prescan has no multipass sample of its own, so both switches show it.
    const QImage picture = on ? m_prescan : QImage();
    m_slides->setPreviewPictures(picture);
    m_film->setPreviewPictures(picture);
}

ScanProfile CustomDialog::editedProfile() const
{
    ScanProfile edited = m_profile;
    edited.setSlideSettings(m_slides->settings());
    edited.setFilmSettings(m_film->settings());
    edited.setMode(m_ui->radioButton_Slides->isChecked() ? ScanProfile::SlideMode : ScanProfile::FilmMode);
    return edited;
}

void CustomDialog::save()
{
    m_profile = editedProfile();
    accept();
}

void CustomDialog::exportProfile()
{
    const QString file = m_context.promptsOrNative()->saveFileName(
        this, tr("Select kor project file for save"), tr("Untitled.kor"), tr("Kor Project(*.kor)"));
    if (file.isEmpty())
        return;
    ScanProfile exported = editedProfile();
    if (!exported.save(file)) {
        m_context.promptsOrNative()->critical(this, tr("Error"),
            tr("The profile could not be written to \"%1\".").arg(QDir::toNativeSeparators(file)));
    }
}

void CustomDialog::importProfile()
{
    const QString file = m_context.promptsOrNative()->openFileName(
        this, tr("Select kor Project File"), tr("Kor Project(*.kor)"));
    if (file.isEmpty())
        return;
    ScanProfile imported;
    // A prefix that could carry a file name out of its folder marks a file that this
    // program did not write: refused like any other damaged file.
    if (!imported.load(file) || !hasUsablePrefixes(imported)) {
        m_context.promptsOrNative()->critical(this, tr("Error"), tr("This project format is illegal"));
        return;
    }
    setProfile(imported);
}
