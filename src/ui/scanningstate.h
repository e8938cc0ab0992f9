#pragma once

#include "previewtransform.h"
#include "scanrequests.h"

#include <levelssettings.h>
#include <stimage.h>

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>

class manager;
class ProcessingSteps;

// What the main form scans with and shows: the mode, the raw prescan and its processed
// image, the view transform with its history, the last saved file and the device
// record. The form's widgets bind to the change signals and build their requests
// here; nothing here needs a widget. A new input of the scan (levels, say) is one
// more member, signal and builder argument.
//
// Threads: user-interface thread. The prescan pipeline runs on the manager's
// processing object; a scan request takes a fork of it, so a mode change while a
// scan's handler runs never reaches that scan.
class ScanningState : public QObject
{
    Q_OBJECT

public:
    explicit ScanningState(manager& data, QObject* parent = nullptr);

    int mode() const { return m_mode; }
    const STImage& rawPrescan() const { return m_rawPrescan; }
    const STImage& workingImage() const { return m_workingImage; }
    const PreviewTransform& transform() const { return m_transform; }
    QString lastFile() const { return m_lastFile; }
    QByteArray deviceRecord() const { return m_deviceRecord; }
    int modelCode() const;
    bool hasPrescan() const;
    // The levels the preview shows and the scan applies; the mode's profile's at first.
    const LevelsSettings& levels() const { return m_levels; }

    // Reprocesses the prescan for the mode.
    void setMode(int mode);
    // A new prescan starts from the plain view.
    void setPrescan(const STImage& raw);
    // After the mode's profile was edited: its levels too.
    void reprocess();
    // The user's levels, shown at once; keepLevels() stores them with the mode.
    void setLevels(const LevelsSettings& levels);
    // False when the profile could not be stored; the levels stay in use for the scan.
    bool keepLevels();
    // The tools act only on a processed image; false when refused.
    bool zoomIn();
    bool zoomOut();
    bool rotateLeft();
    bool rotateRight();
    bool flipHorizontal();
    bool flipVertical();
    void setLastFile(const QString& path);
    // A record shorter than the device's is not one: false, and the old one stays.
    bool setDeviceRecord(const QByteArray& record);

    ScanRequests::Built prescanRequest() const;
    ScanRequests::Built scanRequest(const QRectF& crop, int brightness) const;

    // The preview of working with the brightness step of brightness, drawn through view.
    static QImage render(
        const STImage& working, int brightness, const PreviewTransform& view, ProcessingSteps& steps);

signals:
    void modeChanged(int mode);
    void levelsChanged(const LevelsSettings& levels);
    // The raw prescan or the processed image changed.
    void imageChanged();
    void transformChanged();
    void lastFileChanged(const QString& path);
    void deviceRecordChanged(const QByteArray& record);

private:
    bool changeTransform(bool changed);
    // A turn or mirror of the view, refused without a processed image.
    bool turn(void (PreviewTransform::*operation)());
    void process();

    manager& m_data;
    int m_mode = 0;
    LevelsSettings m_levels;
    STImage m_rawPrescan;
    STImage m_workingImage;
    PreviewTransform m_transform;
    QString m_lastFile;
    QByteArray m_deviceRecord;
};
