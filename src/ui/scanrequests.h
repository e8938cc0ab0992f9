#pragma once

#include "previewtransform.h"

#include <scanrequest.h>

#include <QRectF>
#include <QSize>
#include <QString>

class ProcessingSteps;

// The request values of the user's prescan and scan. A refusal is a sentence for the
// user, and then no request is to be made.
namespace ScanRequests
{

struct Built {
    ScanRequest request;
    QString refusal;

    bool refused() const { return !refusal.isEmpty(); }
};

Built prescan(const ScanProfile& profile);

// prescanSize: the raw prescan's, empty without one; crop in the preview's scene units
// under view; brightness: the slider's value, which the scan takes instead of the
// profile's; levels: the preview's, which the scan takes instead of the profile's; processing: the object
// whose tables the scan starts from (forked here; null for an unprocessed scan).
Built scan(const ScanProfile& profile, const QSize& prescanSize, const QRectF& crop,
    const PreviewTransform& view, int brightness, const LevelsSettings& levels,
    const ProcessingSteps* processing);

} // namespace ScanRequests
