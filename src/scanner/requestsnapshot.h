#pragma once

#include "scannersdk.h"

// What one request hands the worker: taken on the user-interface thread when the
// request is made, read by its handler on the worker thread only.
struct ScannerSDK::RequestSnapshot {
    int code = RequestPoll;
    quint64 serial = 0; // ties the request to the cancels made after it
    ScanRequest value;
};
