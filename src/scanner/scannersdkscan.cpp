// The scanning handlers of ScannerSDK: prescan (request 0), final scan (request 1)
// and the scan that precedes the first parameter read. They run on the worker thread
// only, inside run().

#include "scannersdk.h"

#include "devicerecords.h"
#include "requestsnapshot.h"
#include "scanoptionrecord.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWorker)

void ScannerSDK::runParameterScan(const RequestSnapshot& request)
{
    device::ScanOptionRecord record = ScanOptionRecords::prescanRecord(
        m_colourBalance, request.settings.filmTypeCode(), NVAScanner::lineCallback());
    // Only the device's settled state matters here, not the image or the result.
    m_device->startScan(&record);
}
