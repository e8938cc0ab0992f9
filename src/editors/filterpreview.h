#pragma once

#include <QImage>
#include <QString>

class ProcessingSteps;
class ScanProfile;

// The pictures behind an editor's filter preview and the run of its filter steps: a
// before picture and its multipass sample, both 24-bit RGB, and the after picture
// that a profile's settings make of them. A plain class, so a test drives it without
// a widget.
class FilterPreview
{
public:
    enum Kind { Slides, Film };

    // Starts with the built-in sample pictures of the kind, or grey placeholders of
    // the same size when the application was built without them.
    explicit FilterPreview(Kind kind);
    virtual ~FilterPreview() = default;

    static QString samplePath(Kind kind);
    static QString multipassSamplePath(Kind kind);
    static constexpr int kPlaceholderWidth = 300;
    static constexpr int kPlaceholderHeight = 200;

    void setProcessing(ProcessingSteps* processing, int modelCode);

    // Replaces the pictures (converted to 24-bit RGB); a null multipass picture uses the
    // before picture for both. A null before picture brings back the samples.
    void setPictures(const QImage& before, const QImage& multipass = QImage());
    void useSamplePictures();

    const QImage& before() const { return m_before; }
    const QImage& multipassSample() const { return m_multipass; }

    // The multipass sample when the profile's multipass switch is on, else the before
    // picture, run through the filter preview of the profile's mode.
    QImage after(const ScanProfile& profile) const;

private:
    static QImage loadPicture(const QString& path);

    Kind m_kind;
    QImage m_before;
    QImage m_multipass;
    ProcessingSteps* m_processing = nullptr;
    int m_modelCode = 0;
};
