// The scanning handlers of ScannerSDK: prescan (request 0), final scan (request 1)
// and the scan that precedes the first parameter read. They run on the worker thread
// only, inside run().

#include "scannersdk.h"

#include "devicerecords.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWorker)

namespace {

// The prescan record's values that the parameter read needs: the whole window at
// 300 dpi with the device balance. Kept private to the parameter read until the
// shared option-record fills replace it.
void fillParameterScanRecord(device::ScanOptionRecord& record, const std::array<quint16, 3>& balance,
                             int filmTypeCode)
{
    record = device::ScanOptionRecord {};
    record.dwOptionType = device::kOptionNormal;
    record.dwStatus = 1;
    device::ScanInfo& info = record.ScanInfoArray[0];
    info.nDPI = 300;
    info.fScanAreaLeft = 0.0f;
    info.fScanAreaTop = 0.0f;
    info.fScanAreaRight = 1.437f;
    info.fScanAreaBottom = 0.957f;
    info.nScanColorMode = 7;
    info.wColorBalanceR = balance[0];
    info.wColorBalanceG = balance[1];
    info.wColorBalanceB = balance[2];
    info.wHighlightEnhanceR = info.wHighlightEnhanceG = info.wHighlightEnhanceB = 100;
    info.bImageQuality = 3;
    info.bFilmType = 1;
    info.bFilmMediaType = static_cast<std::uint8_t>(filmTypeCode);
    info.bThresHold = 128;
    info.pLineCallback = NVAScanner::lineCallback();
    info.nMaxScanLine = 255;
    info.bPrescan = 1;
    info.wHighColorBalanceR = info.wHighColorBalanceG = info.wHighColorBalanceB = 100;
    info.wLowColorBalanceR = info.wLowColorBalanceG = info.wLowColorBalanceB = 100;
    info.wGainFactorR = info.wGainFactorG = info.wGainFactorB = 100;
}

} // namespace

void ScannerSDK::runParameterScan()
{
    device::ScanOptionRecord record;
    fillParameterScanRecord(record, m_colourBalance, settings.filmTypeCode());
    // Only the device's settled state matters here, not the image or the result.
    m_device->startScan(&record);
}
