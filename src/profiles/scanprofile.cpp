#include "scanprofile.h"

#include "outputname.h"
#include "servicemodes.h"
#include "userfolders.h"

#include <QRegularExpression>

#include <scannermodels.h>

#include <algorithm>

namespace
{

// Brightness and saturation are added to a 0-255 component and clamped there, so any
// amount beyond a full swing acts like the full swing.
constexpr int kMaxOffset = 255;

int limitedOffset(int value)
{
    return std::clamp(value, -kMaxOffset, kMaxOffset);
}

quint16 clampedWord(int value)
{
    return quint16(std::clamp(value, 0, 0xFFFF));
}

} // namespace

bool SlideSettings::operator==(const SlideSettings& other) const
{
    return description == other.description && scanningTarget == other.scanningTarget
        && resolution == other.resolution && colourDepth == other.colourDepth && directory == other.directory
        && prefix == other.prefix && fileFormat == other.fileFormat && multipass == other.multipass
        && autoContrast == other.autoContrast && saturation == other.saturation
        && brightness == other.brightness && suggestedText == other.suggestedText && levels == other.levels;
}

bool FilmSettings::operator==(const FilmSettings& other) const
{
    return description == other.description && scanningTarget == other.scanningTarget
        && resolution == other.resolution && colourDepth == other.colourDepth && directory == other.directory
        && prefix == other.prefix && fileFormat == other.fileFormat && multipass == other.multipass
        && noiseReduction == other.noiseReduction && scratchRemoval == other.scratchRemoval
        && autoContrast == other.autoContrast && autoColour == other.autoColour
        && autoBalance == other.autoBalance && brightness == other.brightness
        && suggestedText == other.suggestedText && levels == other.levels;
}

bool ScanProfile::operator==(const ScanProfile& other) const
{
    return m_path == other.m_path && m_version == other.m_version && m_mode == other.m_mode
        && m_slide == other.m_slide && m_film == other.m_film;
}

QString ScanProfile::description() const
{
    return isSlideMode() ? m_slide.description : m_film.description;
}

QString ScanProfile::directory() const
{
    return isSlideMode() ? m_slide.directory : m_film.directory;
}

QString ScanProfile::prefix() const
{
    return isSlideMode() ? m_slide.prefix : m_film.prefix;
}

QString ScanProfile::suggestedText() const
{
    return isSlideMode() ? m_slide.suggestedText : m_film.suggestedText;
}

int ScanProfile::resolution() const
{
    return isSlideMode() ? m_slide.resolution : m_film.resolution;
}

int ScanProfile::colourDepth() const
{
    return isSlideMode() ? m_slide.colourDepth : m_film.colourDepth;
}

int ScanProfile::fileFormat() const
{
    return isSlideMode() ? m_slide.fileFormat : m_film.fileFormat;
}

QString ScanProfile::extension() const
{
    return savesJpeg() ? QStringLiteral(".jpg") : QStringLiteral(".tif");
}

EnableValue ScanProfile::multipass() const
{
    return isSlideMode() ? m_slide.multipass : m_film.multipass;
}

EnableValue ScanProfile::autoContrast() const
{
    return isSlideMode() ? m_slide.autoContrast : m_film.autoContrast;
}

int ScanProfile::brightness() const
{
    return limitedOffset(isSlideMode() ? m_slide.brightness.value : m_film.brightness.value);
}

void ScanProfile::setBrightness(int value)
{
    m_slide.brightness = { false, value };
    m_film.brightness = { false, value };
}

LevelsSettings ScanProfile::levels() const
{
    return (isSlideMode() ? m_slide.levels : m_film.levels).normalised();
}

void ScanProfile::setLevels(const LevelsSettings& levels)
{
    (isSlideMode() ? m_slide.levels : m_film.levels) = levels.normalised();
}

int ScanProfile::saturation() const
{
    if (isSlideMode() && m_slide.saturation.enable)
        return limitedOffset(m_slide.saturation.value);
    return 0;
}

FilmType ScanProfile::filmType() const
{
    return isSlideMode() ? FilmType::PositiveColour : FilmTypes::fromTarget(m_film.scanningTarget);
}

int ScanProfile::filmTypeCode() const
{
    return FilmTypes::mediaCode(filmType());
}

bool ScanProfile::autoColour() const
{
    return !isSlideMode() && m_film.autoColour.enable;
}

bool ScanProfile::noiseReduction() const
{
    return !isSlideMode() && m_film.noiseReduction.enable;
}

bool ScanProfile::autoColourOrBalance() const
{
    if (isSlideMode())
        return false;
    return m_film.autoColour.enable || m_film.autoBalance.enable;
}

ExposureTriple ScanProfile::exposureTriple(int modelCode) const
{
    return exposureTriple(modelCode, ServiceModes::instance().state());
}

ExposureTriple ScanProfile::exposureTriple(int modelCode, const ServiceModeState& modes) const
{
    if (modes.engineerMode) {
        return { clampedWord(modes.exposureFactor[ServiceModes::Red]),
            clampedWord(modes.exposureFactor[ServiceModes::Green]),
            clampedWord(modes.exposureFactor[ServiceModes::Blue]) };
    }
    if (isSlideMode() && m_slide.scanningTarget == 0)
        return { 100, 100, 100 };
    const ScannerModels::Model* model = ScannerModels::find(modelCode);
    const ScannerModels::Balance& balance = model ? model->presetBalance : ScannerModels::kDefaultBalance;
    return { balance[0], balance[1], balance[2] };
}

QString ScanProfile::outputFolder() const
{
    return directory().isEmpty() ? UserFolders::picturesFolder() : directory();
}

QString ScanProfile::nextOutputPath() const
{
    const QString name = isValidPrefix(prefix()) ? prefix() : defaultPrefix(m_mode);
    return OutputName::nextFree(outputFolder(), name, extension());
}

QString ScanProfile::prefixPattern()
{
    return QStringLiteral("[^*?/\\\\:><|\"]+");
}

bool ScanProfile::isValidPrefix(const QString& prefix)
{
    // The counter and extension follow the prefix, so with no separator in it the name
    // cannot leave the folder.
    static const QRegularExpression rule(QRegularExpression::anchoredPattern(prefixPattern()));
    return rule.match(prefix).hasMatch();
}

QString ScanProfile::defaultPrefix(int mode)
{
    return mode == FilmMode ? QStringLiteral("Film") : QStringLiteral("Image");
}
