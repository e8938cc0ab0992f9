#pragma once

#include "imagetransform.h"

#include <scanprofile.h>
#include <servicemodes.h>

#include <QByteArray>
#include <QMetaType>
#include <QString>

#include <memory>

class ProcessingSteps;

// Left, top, width and height in inches on the scanner's coordinates.
struct ScanArea {
    double left = 0.0;
    double top = 0.0;
    double width = 0.0;
    double height = 0.0;
};

// Everything one request hands the worker, as one value taken on the user-interface
// thread when the request is made. A new input of a request (levels, say) is one more
// member here and one more argument of its builder.
struct ScanRequest {
    ScanProfile profile;
    ScanArea area;
    ImageTransform transform;
    // Engineer and RAW flags and the engineer's factors.
    ServiceModeState modes;
    // The tables and crop the final scan starts from, in an object of the request's
    // own: nothing the interface does afterwards reaches it. Null: saved unprocessed.
    std::shared_ptr<ProcessingSteps> processing;
    // The firmware, or the scan parameter record.
    QByteArray bytes;
};

// How a request ended, sent once per request after its own result signals.
struct RequestOutcome {
    enum Result { Done, Cancelled, Failed };

    quint64 serial = 0;
    int kind = -1; // ScannerSDK::Request
    Result result = Done;
    QString message; // for the user; empty when done
};
Q_DECLARE_METATYPE(RequestOutcome)
