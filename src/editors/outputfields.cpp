#include "outputfields.h"

#include "editorfields.h"
#include "scanprofile.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLineEdit>

namespace
{

QButtonGroup* pair(
    QObject* owner, QAbstractButton* first, int firstCode, QAbstractButton* second, int secondCode)
{
    auto* group = new QButtonGroup(owner);
    group->addButton(first, firstCode);
    group->addButton(second, secondCode);
    return group;
}

} // namespace

OutputFields::OutputFields(const Widgets& widgets, EmptyFolder emptyFolder, QObject* owner)
    : m_resolution(pair(owner, widgets.quality, int(ScanProfile::Resolution::Quality), widgets.normal,
        int(ScanProfile::Resolution::Normal)))
    , m_colourDepth(pair(owner, widgets.sixteenBit, int(ScanProfile::ColourDepth::SixteenBit),
          widgets.eightBit, int(ScanProfile::ColourDepth::EightBit)))
    , m_fileFormat(pair(owner, widgets.tiff, int(ScanProfile::FileFormat::Tiff), widgets.jpeg,
          int(ScanProfile::FileFormat::Jpeg)))
    , m_directory(widgets.directory)
    , m_prefix(widgets.prefix)
    , m_emptyFolder(emptyFolder)
{
    EditorFields::installPrefixValidator(m_prefix);
}

void OutputFields::show(
    int resolution, int colourDepth, const QString& directory, const QString& prefix, int fileFormat) const
{
    using Profile = ScanProfile;
    m_resolution
        ->button(int(
            Profile::showsNormal(resolution) ? Profile::Resolution::Normal : Profile::Resolution::Quality))
        ->setChecked(true);
    m_colourDepth
        ->button(int(Profile::showsEightBit(colourDepth) ? Profile::ColourDepth::EightBit
                                                         : Profile::ColourDepth::SixteenBit))
        ->setChecked(true);
    if (m_emptyFolder == EmptyFolder::Show || !directory.isEmpty())
        m_directory->setText(directory);
    // A prefix that the field would refuse (a damaged file) keeps the field's own text.
    if (!prefix.isEmpty() && ScanProfile::isValidPrefix(prefix))
        m_prefix->setText(prefix);
    m_fileFormat
        ->button(int(Profile::showsJpeg(fileFormat) ? Profile::FileFormat::Jpeg : Profile::FileFormat::Tiff))
        ->setChecked(true);
    m_directory->setCursorPosition(0);
}

// Read as the forms always have: Normal, 16 bits and TIFF only when checked, so a
// pair with neither checked gives Quality, 8 bits and JPEG.
int OutputFields::resolution() const
{
    return m_resolution->checkedId() == int(ScanProfile::Resolution::Normal)
        ? int(ScanProfile::Resolution::Normal)
        : int(ScanProfile::Resolution::Quality);
}

int OutputFields::colourDepth() const
{
    return m_colourDepth->checkedId() == int(ScanProfile::ColourDepth::SixteenBit)
        ? int(ScanProfile::ColourDepth::SixteenBit)
        : int(ScanProfile::ColourDepth::EightBit);
}

QString OutputFields::directory() const
{
    return m_directory->text();
}

QString OutputFields::prefix() const
{
    return m_prefix->text();
}

int OutputFields::fileFormat() const
{
    return m_fileFormat->checkedId() == int(ScanProfile::FileFormat::Tiff)
        ? int(ScanProfile::FileFormat::Tiff)
        : int(ScanProfile::FileFormat::Jpeg);
}
