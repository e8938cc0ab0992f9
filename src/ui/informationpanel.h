#pragma once

#include <scanprofile.h>

#include <QCoreApplication>
#include <QString>

class QFontMetrics;

// The texts the main form shows about the settings of the current mode, taken from
// its profile (the slide settings in slide mode, the film settings otherwise). The
// texts belong to the main form, so they are translated in its context.
class InformationPanel
{
    Q_DECLARE_TR_FUNCTIONS(MainForm)

public:
    // Custom profile names are cut to this width on their buttons.
    static constexpr int kCaptionWidth = 80;

    explicit InformationPanel(const ScanProfile& profile);
    virtual ~InformationPanel() = default;

    QString resolutionText() const;
    QString colourDepthText() const;
    QString fileFormatText() const;
    // The folder in native separators, its start cut away to fit width (the end of a
    // path is what tells folders apart).
    QString directoryText(const QFontMetrics& metrics, int width) const;
    QString suggestedText(const QFontMetrics& metrics, int width) const;
    int brightness() const { return m_profile.brightness(); }

    // A custom profile's description as its button shows it.
    static QString caption(const ScanProfile& profile, const QFontMetrics& metrics);
    // "Size: %1 MB" of a file of this many bytes, two decimals.
    static QString sizeText(qint64 bytes);

private:
    ScanProfile m_profile;
};
