#include "scanningstate.h"

#include "prescanprocessing.h"
#include "previewgeometry.h"

#include <devicerecord.h>
#include <manager.h>

ScanningState::ScanningState(manager& data, QObject* parent)
    : QObject(parent)
    , m_data(data)
    , m_levels(data.profile(0).levels())
    , m_deviceRecord(DeviceRecord::infoSize(), '\0')
{
}

int ScanningState::modelCode() const
{
    return DeviceRecord::modelCode(m_deviceRecord);
}

bool ScanningState::hasPrescan() const
{
    return m_rawPrescan.width() != 0 && m_rawPrescan.height() != 0;
}

void ScanningState::setMode(int mode)
{
    m_mode = mode;
    emit modeChanged(mode);
    reprocess();
}

void ScanningState::setPrescan(const STImage& raw)
{
    m_rawPrescan = raw;
    m_transform.reset();
    process();
    emit transformChanged();
    emit imageChanged();
}

void ScanningState::reprocess()
{
    setLevels(m_data.profile(m_mode).levels());
    if (m_rawPrescan.isNull())
        return;
    process();
    emit imageChanged();
}

void ScanningState::process()
{
    PipelineHooks hooks;
    if (m_data.isRawMode()) {
        manager* data = &m_data;
        hooks.dumpStage = [data](const STImage& stage, const QString& name) { data->dumpStage(stage, name); };
    }
    m_workingImage = PrescanProcessing::reprocess(
        m_rawPrescan, m_data.profile(m_mode), modelCode(), *m_data.processing(), hooks);
}

void ScanningState::setLevels(const LevelsSettings& levels)
{
    if (levels == m_levels)
        return;
    m_levels = levels;
    emit levelsChanged(levels);
}

bool ScanningState::keepLevels()
{
    ScanProfile profile = m_data.profile(m_mode);
    if (profile.levels() == m_levels)
        return true;
    profile.setLevels(m_levels);
    return m_data.setProfile(m_mode, profile);
}

bool ScanningState::changeTransform(bool changed)
{
    if (changed)
        emit transformChanged();
    return changed;
}

bool ScanningState::zoomIn()
{
    return changeTransform(!m_workingImage.isNull() && m_transform.zoomIn());
}

bool ScanningState::zoomOut()
{
    return changeTransform(!m_workingImage.isNull() && m_transform.zoomOut());
}

bool ScanningState::turn(void (PreviewTransform::*operation)())
{
    if (m_workingImage.isNull())
        return false;
    (m_transform.*operation)();
    return changeTransform(true);
}

bool ScanningState::rotateLeft()
{
    return turn(&PreviewTransform::rotateLeft);
}

bool ScanningState::rotateRight()
{
    return turn(&PreviewTransform::rotateRight);
}

bool ScanningState::flipHorizontal()
{
    return turn(&PreviewTransform::flipHorizontal);
}

bool ScanningState::flipVertical()
{
    return turn(&PreviewTransform::flipVertical);
}

void ScanningState::setLastFile(const QString& path)
{
    m_lastFile = path;
    emit lastFileChanged(path);
}

bool ScanningState::setDeviceRecord(const QByteArray& record)
{
    if (record.size() < DeviceRecord::infoSize())
        return false;
    m_deviceRecord = DeviceRecord::fittedInfo(record);
    m_data.setScannerInfo(m_deviceRecord);
    emit deviceRecordChanged(m_deviceRecord);
    return true;
}

ScanRequests::Built ScanningState::prescanRequest() const
{
    return ScanRequests::prescan(m_data.profile(m_mode));
}

ScanRequests::Built ScanningState::scanRequest(const QRectF& crop, int brightness) const
{
    const QSize size
        = m_workingImage.isNull() ? QSize() : QSize(int(m_rawPrescan.width()), int(m_rawPrescan.height()));
    return ScanRequests::scan(
        m_data.profile(m_mode), size, crop, m_transform, brightness, m_levels, m_data.processing());
}

QImage ScanningState::render(
    const STImage& working, int brightness, const PreviewTransform& view, ProcessingSteps& steps)
{
    if (working.width() == 0 || working.height() == 0)
        return QImage();
    const STImage shown = PrescanProcessing::withBrightness(working, brightness, steps);
    return PreviewGeometry::previewImage(
        shown, view.zoomFactor, view.rotationAngle, view.mirrorHorizontal, view.mirrorVertical);
}
