#pragma once

#include <filmtype.h>
#include <levelssettings.h>

#include <QString>
#include <QtGlobal>

struct ServiceModeState;

// A switchable setting: whether it is on, and its amount.
struct EnableValue {
    bool enable = false;
    int value = 0;

    bool operator==(const EnableValue& other) const { return enable == other.enable && value == other.value; }
    bool operator!=(const EnableValue& other) const { return !(*this == other); }
};

// Settings of the microscope-slide mode. Enumerations are kept as read from a file,
// so they may hold any value; the ScanProfile accessors map unknown ones to defaults.
// The codes below are ScanProfile::Resolution, ColourDepth and FileFormat, stored as
// the file holds them; read them through the ScanProfile readings.
struct SlideSettings {
    QString description;
    int scanningTarget = 0; // 0 tissue sections, 1 common things, 2 aquatic organisms, 3 others
    int resolution = 0; // ScanProfile::Resolution
    int colourDepth = 0; // ScanProfile::ColourDepth
    QString directory;
    QString prefix;
    int fileFormat = 0; // ScanProfile::FileFormat
    EnableValue multipass;
    EnableValue autoContrast { true, 0 };
    EnableValue saturation { true, 0 };
    EnableValue brightness { true, 0 };
    QString suggestedText;
    LevelsSettings levels;

    bool operator==(const SlideSettings& other) const;
    bool operator!=(const SlideSettings& other) const { return !(*this == other); }
};

// Settings of the film mode; a new one has every switch off.
struct FilmSettings {
    QString description;
    int scanningTarget = 0; // 0 positive colour, 1 negative colour, 2 positive B&W, 3 negative B&W
    int resolution = 0;
    int colourDepth = 0;
    QString directory;
    QString prefix;
    int fileFormat = 0;
    EnableValue multipass;
    EnableValue noiseReduction;
    EnableValue scratchRemoval; // scratch and dust removal
    EnableValue autoContrast;
    EnableValue autoColour;
    EnableValue autoBalance;
    EnableValue brightness;
    QString suggestedText;
    LevelsSettings levels;

    bool operator==(const FilmSettings& other) const;
    bool operator!=(const FilmSettings& other) const { return !(*this == other); }
};

// The device colour balance of a prescan or scan.
struct ExposureTriple {
    quint16 red = 0;
    quint16 green = 0;
    quint16 blue = 0;

    bool operator==(const ExposureTriple& other) const
    {
        return red == other.red && green == other.green && blue == other.blue;
    }
};

// One scanning profile: both settings and the mode that selects which of them the
// accessors read. A plain value, copied between the manager's slots, the worker and
// the editors; it carries no lock, so each thread works on its own copy.
class ScanProfile
{
public:
    enum Mode { SlideMode = 0, FilmMode = 1 };
    // The stored codes of the output settings.
    enum class Resolution { Quality = 0, Normal = 1 };
    enum class ColourDepth { SixteenBit = 0, EightBit = 1 };
    enum class FileFormat { Tiff = 0, Jpeg = 1 };

    // The readings of those codes. A code no form writes (a damaged file) is read
    // differently by the forms and by the scan: the forms show it as the second
    // choice (Quality for a resolution, 8 bits, JPEG), the scan takes it for the
    // first (Normal, 16 bits, TIFF).
    static constexpr bool showsNormal(int resolution) { return resolution == int(Resolution::Normal); }
    static constexpr bool scansAtQuality(int resolution) { return resolution == int(Resolution::Quality); }
    static constexpr bool showsEightBit(int depth) { return depth != int(ColourDepth::SixteenBit); }
    static constexpr bool savesEightBit(int depth) { return depth == int(ColourDepth::EightBit); }
    static constexpr bool showsJpeg(int format) { return format != int(FileFormat::Tiff); }
    static constexpr bool savesJpeg(int format) { return format == int(FileFormat::Jpeg); }

    ScanProfile() = default;
    virtual ~ScanProfile() = default;
    ScanProfile(const ScanProfile&) = default;
    ScanProfile& operator=(const ScanProfile&) = default;

    QString path() const { return m_path; }
    void setPath(const QString& path) { m_path = path; }
    QString version() const { return m_version; }
    void setVersion(const QString& version) { m_version = version; }
    int mode() const { return m_mode; }
    bool isSlideMode() const { return m_mode == SlideMode; }
    void setMode(int mode) { m_mode = mode; }

    SlideSettings slideSettings() const { return m_slide; }
    void setSlideSettings(const SlideSettings& settings) { m_slide = settings; }
    FilmSettings filmSettings() const { return m_film; }
    void setFilmSettings(const FilmSettings& settings) { m_film = settings; }

    // Settings of the current mode.
    QString description() const;
    QString directory() const;
    QString prefix() const;
    QString suggestedText() const;
    int resolution() const;
    int colourDepth() const;
    int fileFormat() const;
    // The readings above, of the current mode's codes.
    bool showsNormal() const { return showsNormal(resolution()); }
    bool scansAtQuality() const { return scansAtQuality(resolution()); }
    bool showsEightBit() const { return showsEightBit(colourDepth()); }
    bool savesEightBit() const { return savesEightBit(colourDepth()); }
    bool showsJpeg() const { return showsJpeg(fileFormat()); }
    bool savesJpeg() const { return savesJpeg(fileFormat()); }
    QString extension() const; // ".jpg" when savesJpeg(), else ".tif"
    EnableValue multipass() const;
    EnableValue autoContrast() const;
    // Offsets on the 0-255 scale; beyond +-255 every pixel clamps the same way, so the
    // value is limited there and an absurd file value cannot overflow the steps.
    int brightness() const;
    void setBrightness(int value); // both settings; switches both brightness enables off
    int saturation() const; // slide mode with saturation on: its value, else 0
    // The levels of the current mode, always in range (normalised).
    LevelsSettings levels() const;
    void setLevels(const LevelsSettings& levels); // the current mode's only
    // Film mode: the film scanning target (a value outside 0-3 reads as positive colour);
    // slide mode: positive colour.
    FilmType filmType() const;
    int filmTypeCode() const; // the device's film media code of filmType()
    bool autoColour() const;
    bool noiseReduction() const;
    bool autoColourOrBalance() const;

    // The device colour balance for a scanner model code (the model table's preset); in
    // engineer mode the engineer's exposure factors. A code the table does not list
    // gets the device's default balance.
    ExposureTriple exposureTriple(int modelCode) const;
    // The same with the service modes as a scan saw them when it was requested.
    ExposureTriple exposureTriple(int modelCode, const ServiceModeState& modes) const;

    // The folder scans are saved in: directory(), or the user's Pictures folder when
    // that is empty. What the user is shown and offered to open is this one.
    QString outputFolder() const;

    // outputFolder() + "/" + prefix + four-digit counter + extension, the first free one
    // from 1 to 9998; empty when all are taken. A prefix that could leave the folder (a
    // damaged or hand-edited file) is replaced by the mode's default prefix.
    QString nextOutputPath() const;

    // The file-name rule of the prefix fields: one or more characters, none of
    // * ? / \ : > < | or the double quote. The editors' validators use the same pattern.
    static QString prefixPattern();
    static bool isValidPrefix(const QString& prefix);
    // "Image" in slide mode, "Film" in film mode.
    static QString defaultPrefix(int mode);

    // The profile file (XML). load() is true when the file parsed and has a KorObject
    // root; a parsed file sets path() even without that root. save() writes the file
    // atomically (a failed write leaves any old file as it was) and sets path().
    bool load(const QString& path);
    bool save(const QString& path);
    QByteArray toXml() const;

    bool operator==(const ScanProfile& other) const;
    bool operator!=(const ScanProfile& other) const { return !(*this == other); }

private:
    QString m_path;
    QString m_version = QStringLiteral("1.0");
    int m_mode = SlideMode;
    SlideSettings m_slide;
    FilmSettings m_film;
};
