// The ten profile slots: their built-in contents and their files in the data folder.
#include "manager.h"

#include <outputcommit.h>
#include <slidepresets.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcManager)

namespace
{

// Translated in the manager's context; the custom descriptions are listed one by one
// so that each has its own entry for the translators.
const char* const kCustomNames[] = { QT_TRANSLATE_NOOP("manager", "Custom 1"),
    QT_TRANSLATE_NOOP("manager", "Custom 2"), QT_TRANSLATE_NOOP("manager", "Custom 3"),
    QT_TRANSLATE_NOOP("manager", "Custom 4"), QT_TRANSLATE_NOOP("manager", "Custom 5") };

// The suggested names of the five default slots, in slot order (slides, then film).
const char* const kDefaultSuggestions[] = { QT_TRANSLATE_NOOP("manager", "Tissue Sections"),
    QT_TRANSLATE_NOOP("manager", "Common Things"), QT_TRANSLATE_NOOP("manager", "Aquatic Organisms"),
    QT_TRANSLATE_NOOP("manager", "Positive Color"), QT_TRANSLATE_NOOP("manager", "Negative Color") };
constexpr int kFirstFilmDefault = 3;

} // namespace

void manager::initProfiles()
{
    m_profileProblems.clear();
    buildSlots();
    loadCustomFiles();

    // The default files are rewritten at every start; a custom file is written only
    // when none was loaded into its slot.
    for (int slot = 0; slot < kFirstCustomSlot; ++slot) {
        if (m_slots.at(slot).path().isEmpty())
            saveSlot(slot, dataFolder() + QStringLiteral("/default%1.kor").arg(slot));
    }
    for (int slot = kFirstCustomSlot; slot < kSlotCount; ++slot) {
        if (m_slots.at(slot).path().isEmpty())
            saveSlot(slot, customProfilePath(slot));
    }
}

QString manager::customFileName(int slot)
{
    return QStringLiteral("Custom%1.kor").arg(slot - kFirstCustomSlot + 1);
}

QString manager::customProfilePath(int slot)
{
    return dataFolder() + QLatin1Char('/') + customFileName(slot);
}

void manager::buildSlots()
{
    m_slots = QVector<ScanProfile>(kSlotCount);
    const QString pictures = picturesFolder();

    // One working copy per settings kind is carried from slot to slot, so a value
    // set for one slot stays for the next unless that slot sets it again.
    SlideSettings slide;
    slide.resolution = int(ScanProfile::Resolution::Normal);
    slide.colourDepth = int(ScanProfile::ColourDepth::EightBit);
    slide.directory = pictures;
    slide.prefix = ScanProfile::defaultPrefix(ScanProfile::SlideMode);
    FilmSettings film;
    film.resolution = int(ScanProfile::Resolution::Normal);
    film.colourDepth = int(ScanProfile::ColourDepth::EightBit);
    film.directory = pictures;
    film.prefix = ScanProfile::defaultPrefix(ScanProfile::FilmMode);

    // The slide slots are the targets with a preset, slot n for target n.
    auto slideSlot = [this, &slide](int slot, const char* description) {
        const SlidePresets::Preset& preset = SlidePresets::kPresets.at(std::size_t(slot));
        slide.description = QString::fromLatin1(description);
        slide.scanningTarget = slot;
        slide.saturation = { true, preset.slotSaturation };
        slide.brightness = { true, preset.slotBrightness };
        slide.suggestedText = tr(kDefaultSuggestions[slot]);
        m_slots[slot].setMode(ScanProfile::SlideMode);
        m_slots[slot].setSlideSettings(slide);
    };
    slideSlot(0, "Default 1");
    slideSlot(1, "Default 2");
    slideSlot(2, "Default 3");

    auto filmSlot = [this, &film](int slot, const char* description, int target) {
        film.description = QString::fromLatin1(description);
        film.scanningTarget = target;
        film.suggestedText = tr(kDefaultSuggestions[slot]);
        m_slots[slot].setMode(ScanProfile::FilmMode);
        m_slots[slot].setFilmSettings(film);
    };
    film.autoColour = { false, 0 };
    film.autoBalance = { false, 0 };
    filmSlot(3, "Default 4", 0);
    film.autoColour = { true, 0 };
    film.autoBalance = { true, 0 };
    filmSlot(4, "Default 5", 1);

    slide.saturation = { true, 0 };
    slide.brightness = { true, 0 };
    film.autoColour = { false, 0 };
    film.autoBalance = { false, 0 };
    for (int slot = kFirstCustomSlot; slot < kSlotCount; ++slot) {
        const QString description = tr(kCustomNames[slot - kFirstCustomSlot]);
        slide.description = description;
        slide.scanningTarget = 0;
        slide.suggestedText = tr(kDefaultSuggestions[0]);
        film.description = description;
        film.scanningTarget = 0;
        film.suggestedText = tr(kDefaultSuggestions[kFirstFilmDefault]);
        m_slots[slot].setMode(ScanProfile::SlideMode);
        m_slots[slot].setSlideSettings(slide);
        m_slots[slot].setFilmSettings(film);
    }
}

void manager::retranslateDefaultSlots()
{
    if (m_slots.size() < kFirstCustomSlot)
        return;
    for (int slot = 0; slot < kFirstCustomSlot; ++slot) {
        ScanProfile& profile = m_slots[slot];
        if (slot < kFirstFilmDefault) {
            SlideSettings slide = profile.slideSettings();
            slide.suggestedText = tr(kDefaultSuggestions[slot]);
            profile.setSlideSettings(slide);
        } else {
            FilmSettings film = profile.filmSettings();
            film.suggestedText = tr(kDefaultSuggestions[slot]);
            profile.setFilmSettings(film);
        }
    }
}

void manager::loadCustomFiles()
{
    // A save killed before its rename leaves a temporary file whose name contains the
    // profile's: it is removed here, and one a live writer still holds is passed over.
    OutputCommit::removeAbandoned(dataFolder());
    const QFileInfoList files = QDir(dataFolder()).entryInfoList(QDir::Files | QDir::Hidden, QDir::NoSort);
    for (const QFileInfo& info : files) {
        if (OutputCommit::isTemporary(info.fileName()))
            continue;
        const QString path = info.absoluteFilePath();
        for (int slot = kFirstCustomSlot; slot < kSlotCount; ++slot) {
            if (path.contains(customFileName(slot)))
                m_slots[slot].load(path);
        }
    }

    // A custom file of the slot's own name that did not load would be overwritten
    // with the built-in profile below; keep the user's bytes under another name.
    for (int slot = kFirstCustomSlot; slot < kSlotCount; ++slot) {
        const QString own = customProfilePath(slot);
        if (!m_slots.at(slot).path().isEmpty() || !QFileInfo(own).isFile())
            continue;
        const QFileInfo ownInfo(own);
        const QString kept = ownInfo.path() + QLatin1Char('/') + ownInfo.completeBaseName()
            + QStringLiteral("-damaged-")
            + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss")) + QLatin1Char('.')
            + ownInfo.suffix();
        if (QFile::rename(own, kept)) {
            m_profileProblems.append(tr(
                "The profile file %1 could not be read. It was kept as %2 and the built-in profile is used.")
                                         .arg(QDir::toNativeSeparators(own), QDir::toNativeSeparators(kept)));
        } else {
            // It cannot be moved aside, so it must not be overwritten either: the slot
            // keeps the built-in profile in memory and points at that file.
            m_slots[slot].setPath(own);
            m_profileProblems.append(
                tr("The profile file %1 could not be read. The built-in profile is used.")
                    .arg(QDir::toNativeSeparators(own)));
        }
    }
}

void manager::saveSlot(int slot, const QString& path)
{
    if (!m_slots[slot].save(path)) {
        qCWarning(lcManager) << "cannot write profile" << path;
        m_profileProblems.append(
            tr("The profile file %1 could not be written.").arg(QDir::toNativeSeparators(path)));
    }
}
