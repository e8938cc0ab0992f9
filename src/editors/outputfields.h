#pragma once

#include <QString>

class QAbstractButton;
class QButtonGroup;
class QLineEdit;
class QObject;

// The five output fields (resolution, colour depth, folder, file-name prefix, file
// format) as the two editor pages and the preferences dialog show and read them. The
// radio pairs are button groups whose ids are the profile's codes. Main thread only.
class OutputFields
{
public:
    struct Widgets {
        QAbstractButton* quality;
        QAbstractButton* normal;
        QAbstractButton* sixteenBit;
        QAbstractButton* eightBit;
        QLineEdit* directory;
        QLineEdit* prefix;
        QAbstractButton* tiff;
        QAbstractButton* jpeg;
    };
    // An empty stored folder stands for Pictures: the editors keep what their field
    // holds, the preferences show it empty.
    enum class EmptyFolder { KeepField, Show };

    // The button groups are children of owner; the prefix field gets its validator.
    OutputFields(const Widgets& widgets, EmptyFolder emptyFolder, QObject* owner);

    // Works for SlideSettings and FilmSettings alike.
    template <typename Settings> void show(const Settings& settings) const
    {
        show(settings.resolution, settings.colourDepth, settings.directory, settings.prefix,
            settings.fileFormat);
    }
    template <typename Settings> void read(Settings& settings) const
    {
        settings.resolution = resolution();
        settings.colourDepth = colourDepth();
        settings.directory = directory();
        settings.prefix = prefix();
        settings.fileFormat = fileFormat();
    }

    int resolution() const;
    int colourDepth() const;
    QString directory() const;
    QString prefix() const;
    int fileFormat() const;

private:
    void show(int resolution, int colourDepth, const QString& directory, const QString& prefix,
        int fileFormat) const;

    QButtonGroup* m_resolution;
    QButtonGroup* m_colourDepth;
    QButtonGroup* m_fileFormat;
    QLineEdit* m_directory;
    QLineEdit* m_prefix;
    EmptyFolder m_emptyFolder;
};
