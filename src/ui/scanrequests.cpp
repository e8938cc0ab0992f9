#include "scanrequests.h"

#include "previewgeometry.h"

#include <processingsteps.h>
#include <servicemodes.h>

#include <QCoreApplication>

namespace ScanRequests
{

Built prescan(const ScanProfile& profile)
{
    Built built;
    built.request.profile = profile;
    built.request.modes = ServiceModes::instance().state();
    return built;
}

Built scan(const ScanProfile& profile, const QSize& prescanSize, const QRectF& crop,
    const PreviewTransform& view, int brightness, const LevelsSettings& levels,
    const ProcessingSteps* processing)
{
    Built built;
    // The multipass balance comes from the prescan's exposure.
    if (profile.multipass().enable && prescanSize.isEmpty()) {
        built.refusal = QCoreApplication::translate(
            "MainForm", "Please Prescan before using Multipass Xposure function.");
        return built;
    }
    ScanRequest& request = built.request;
    request.profile = profile;
    request.profile.setBrightness(brightness);
    request.profile.setLevels(levels);
    const QRectF area = PreviewGeometry::scanArea(
        crop, prescanSize, view.zoomFactor, view.rotationAngle, view.mirrorHorizontal, view.mirrorVertical);
    request.area = { area.left(), area.top(), area.width(), area.height() };
    request.transform = view.imageTransform(crop);
    request.transform.setScale(1.0);
    request.modes = ServiceModes::instance().state();
    if (processing)
        request.processing = processing->fork();
    return built;
}

} // namespace ScanRequests
