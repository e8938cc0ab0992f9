// The scan of ScannerSDK that precedes the first parameter read (the prescan and the
// final scan are in prescanacquisition.cpp and finalscanacquisition.cpp). Runs on the
// worker thread only, inside run().

#include "scannersdk.h"

#include "devicerecords.h"
#include "requestsnapshot.h"
#include "scanoptionrecord.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWorker)

void ScannerSDK::runParameterScan(const RequestSnapshot& request)
{
    device::ScanOptionRecord record = ScanOptionRecords::prescanRecord(
        m_colourBalance, request.value.profile.filmTypeCode(), NVAScanner::lineCallback());
    // Only the device's settled state matters here, not the image or the result.
    m_device->startScan(&record);
}
