// The profile file: XML read and written with pugixml. Both sections are always
// written, whichever mode is active; on reading, a missing section leaves its
// settings as they were and a missing element or attribute reads as empty, 0 or off.
#include "scanprofile.h"

#include <outputcommit.h>

#include <QFile>
#include <QLoggingCategory>

#include <pugixml.hpp>

Q_LOGGING_CATEGORY(lcProfileFile, "korvane.profiles.file", QtInfoMsg)

namespace
{

class ByteArrayWriter : public pugi::xml_writer
{
public:
    explicit ByteArrayWriter(QByteArray& target)
        : m_target(target)
    {
    }
    void write(const void* data, size_t size) override
    {
        m_target.append(static_cast<const char*>(data), int(size));
    }

private:
    QByteArray& m_target;
};

void addText(pugi::xml_node parent, const char* name, const QString& text)
{
    parent.append_child(name).append_attribute("text") = text.toUtf8().constData();
}

void addValue(pugi::xml_node parent, const char* name, const char* attribute, int value)
{
    parent.append_child(name).append_attribute(attribute) = value;
}

void addSwitch(pugi::xml_node parent, const char* name, const EnableValue& setting)
{
    pugi::xml_node node = parent.append_child(name);
    node.append_attribute("enable") = setting.enable ? "true" : "false";
    node.append_attribute("value") = setting.value;
}

void addComment(pugi::xml_node parent, const char* text)
{
    parent.append_child(pugi::node_comment).set_value(text);
}

// The part shared by both sections, up to the file format.
template <typename Settings>
void addCommon(pugi::xml_node section, const Settings& settings, const char* targetComment)
{
    addText(section, "Description", settings.description);
    addComment(section, targetComment);
    addValue(section, "ScanningNumber", "value", settings.scanningTarget);
    addComment(section, "Scanner Resolution=Quality Normal");
    // The element name with three n is the file format's own; readers look for it.
    addValue(section, "Scannner", "resolution", settings.resolution);
    addComment(section, "ColorDepth value = 0 (16)or 1(8)");
    addValue(section, "ColorDepth", "value", settings.colourDepth);
    addText(section, "Directory", settings.directory);
    addText(section, "PrefixFilename", settings.prefix);
    addComment(section, "FileFormat tiff jpeg");
    addValue(section, "FileFormat", "value", settings.fileFormat);
}

// The levels, one element per channel after the section's other elements, written
// only when not neutral: a profile without levels gives the same file as before, and
// a reader that does not know them ignores them.
constexpr const char* kLevelsElements[LevelsSettings::kChannels]
    = { "LevelsAll", "LevelsRed", "LevelsGreen", "LevelsBlue" };

void addLevels(pugi::xml_node section, const LevelsSettings& levels)
{
    const LevelsSettings shown = levels.normalised();
    for (int c = 0; c < LevelsSettings::kChannels; ++c) {
        const LevelsChannel& channel = shown.channels[std::size_t(c)];
        if (channel.isNeutral())
            continue;
        pugi::xml_node node = section.append_child(kLevelsElements[c]);
        node.append_attribute("black") = channel.black;
        node.append_attribute("white") = channel.white;
        node.append_attribute("gamma") = QByteArray::number(channel.gamma, 'f', 2).constData();
    }
}

// A missing element or attribute reads as neutral; values out of range are brought in.
LevelsSettings readLevels(pugi::xml_node section)
{
    LevelsSettings levels;
    for (int c = 0; c < LevelsSettings::kChannels; ++c) {
        const pugi::xml_node node = section.child(kLevelsElements[c]);
        if (!node)
            continue;
        LevelsChannel& channel = levels.channels[std::size_t(c)];
        channel.black = node.attribute("black").as_int(0);
        channel.white = node.attribute("white").as_int(LevelsChannel::kMaxLevel);
        // Not as_double(): strtod follows the desktop's locale, which may want a comma.
        bool ok = false;
        channel.gamma = QByteArray(node.attribute("gamma").as_string("1")).toDouble(&ok);
        if (!ok)
            channel.gamma = 1.0;
    }
    return levels.normalised();
}

QString readText(pugi::xml_node section, const char* name)
{
    return QString::fromUtf8(section.child(name).attribute("text").as_string());
}

int readValue(pugi::xml_node section, const char* name, const char* attribute = "value")
{
    return section.child(name).attribute(attribute).as_int();
}

// pugixml's as_bool is true for a first character of 1, t, T, y or Y.
EnableValue readSwitch(pugi::xml_node section, const char* name)
{
    const pugi::xml_node node = section.child(name);
    return { node.attribute("enable").as_bool(), node.attribute("value").as_int() };
}

template <typename Settings> void readCommon(pugi::xml_node section, Settings& settings)
{
    settings.description = readText(section, "Description");
    settings.scanningTarget = readValue(section, "ScanningNumber");
    settings.resolution = readValue(section, "Scannner", "resolution");
    settings.colourDepth = readValue(section, "ColorDepth");
    settings.directory = readText(section, "Directory");
    settings.prefix = readText(section, "PrefixFilename");
    settings.fileFormat = readValue(section, "FileFormat");
}

} // namespace

QByteArray ScanProfile::toXml() const
{
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    declaration.append_attribute("standalone") = "yes";

    pugi::xml_node root = document.append_child("KorObject");
    root.append_attribute("version") = m_version.toUtf8().constData();
    root.append_attribute("mode") = m_mode;

    pugi::xml_node slide = root.append_child("SlideMode");
    addCommon(slide, m_slide, "Tissue,Common,Aquatic,others ");
    addSwitch(slide, "MultipassXposure", m_slide.multipass);
    addSwitch(slide, "AutoContrast", m_slide.autoContrast);
    addSwitch(slide, "Saturation", m_slide.saturation);
    addSwitch(slide, "Brightness", m_slide.brightness);
    addText(slide, "SuggestedText", m_slide.suggestedText);
    addLevels(slide, m_slide.levels);

    pugi::xml_node film = root.append_child("FilmMode");
    addCommon(film, m_film, "Positive Negative PositiveBW NegativeBW");
    addSwitch(film, "MultipassXposure", m_film.multipass);
    addSwitch(film, "DigitalNoiseReduction", m_film.noiseReduction);
    addSwitch(film, "ScratchAndDustRemove", m_film.scratchRemoval);
    addSwitch(film, "AutoContrast", m_film.autoContrast);
    addSwitch(film, "AutoColor", m_film.autoColour);
    addSwitch(film, "AutoBalance", m_film.autoBalance);
    addSwitch(film, "Brightness", m_film.brightness);
    addText(film, "SuggestedText", m_film.suggestedText);
    addLevels(film, m_film.levels);

    QByteArray bytes;
    ByteArrayWriter writer(bytes);
    document.save(writer, "\t", pugi::format_indent, pugi::encoding_utf8);
    return bytes;
}

bool ScanProfile::save(const QString& path)
{
    if (path.isEmpty())
        return false;
    m_path = path;

    // Written beside the old file and renamed over it, so a failed write (full disk,
    // no permission) or a killed program never leaves a half-written profile where a
    // good one stood; the temporary name carries the process id, so the next save or
    // start removes what a killed one left.
    if (!OutputCommit::writeReplacing(path, toXml())) {
        qCWarning(lcProfileFile) << "cannot write" << path;
        return false;
    }
    return true;
}

bool ScanProfile::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    file.close();

    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(bytes.constData(), size_t(bytes.size()));
    if (!parsed) {
        qCDebug(lcProfileFile) << path << "is not a profile:" << parsed.description();
        return false;
    }
    m_path = path;

    const pugi::xml_node root = document.child("KorObject");
    if (!root)
        return false;
    m_version = QString::fromUtf8(root.attribute("version").as_string());
    m_mode = root.attribute("mode").as_int();

    if (const pugi::xml_node slide = root.child("SlideMode")) {
        readCommon(slide, m_slide);
        m_slide.multipass = readSwitch(slide, "MultipassXposure");
        m_slide.autoContrast = readSwitch(slide, "AutoContrast");
        m_slide.saturation = readSwitch(slide, "Saturation");
        m_slide.brightness = readSwitch(slide, "Brightness");
        m_slide.suggestedText = readText(slide, "SuggestedText");
        m_slide.levels = readLevels(slide);
    }
    if (const pugi::xml_node film = root.child("FilmMode")) {
        readCommon(film, m_film);
        m_film.multipass = readSwitch(film, "MultipassXposure");
        m_film.noiseReduction = readSwitch(film, "DigitalNoiseReduction");
        m_film.scratchRemoval = readSwitch(film, "ScratchAndDustRemove");
        m_film.autoContrast = readSwitch(film, "AutoContrast");
        m_film.autoColour = readSwitch(film, "AutoColor");
        m_film.autoBalance = readSwitch(film, "AutoBalance");
        m_film.brightness = readSwitch(film, "Brightness");
        m_film.suggestedText = readText(film, "SuggestedText");
        m_film.levels = readLevels(film);
    }
    return true;
}
