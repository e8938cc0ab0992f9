#include "acquisitionrecords.h"

#include "devicerecords.h"
#include "nvascanner.h"

namespace {

// The whole scanning window, in inches.
constexpr float kWindowWidth = 1.437f;
constexpr float kWindowHeight = 0.957f;
constexpr int kPrescanResolution = 300;

void fillCommon(device::ScanOptionRecord& record, std::uint32_t type, int dpi, float left, float top, float right,
                float bottom, const AcquisitionRecords::Balance& balance, int filmTypeCode, bool prescan)
{
    record = device::ScanOptionRecord {};
    record.dwOptionType = type;
    record.dwStatus = 1;
    device::ScanInfo& info = record.ScanInfoArray[0];
    info.nDPI = dpi;
    info.fScanAreaLeft = left;
    info.fScanAreaTop = top;
    info.fScanAreaRight = right;
    info.fScanAreaBottom = bottom;
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
    info.bPrescan = prescan ? 1 : 0;
    info.wHighColorBalanceR = info.wHighColorBalanceG = info.wHighColorBalanceB = 100;
    info.wLowColorBalanceR = info.wLowColorBalanceG = info.wLowColorBalanceB = 100;
}

} // namespace

void AcquisitionRecords::fillFilmBase(device::ScanOptionRecord& record, int filmTypeCode)
{
    fillCommon(record, device::kOptionFilmBase, kPrescanResolution, 0.0f, 0.0f, kWindowWidth, kWindowHeight,
               { { 137, 139, 133 } }, filmTypeCode, true);
}

void AcquisitionRecords::fillPrescan(device::ScanOptionRecord& record, const Balance& balance, int filmTypeCode)
{
    fillCommon(record, device::kOptionNormal, kPrescanResolution, 0.0f, 0.0f, kWindowWidth, kWindowHeight, balance,
               filmTypeCode, true);
    device::ScanInfo& info = record.ScanInfoArray[0];
    info.wGainFactorR = info.wGainFactorG = info.wGainFactorB = 100;
}

void AcquisitionRecords::fillFinal(device::ScanOptionRecord& record, int dpi, float left, float top, float right,
                                   float bottom, const Balance& balance, int filmTypeCode)
{
    fillCommon(record, device::kOptionNormal, dpi, left, top, right, bottom, balance, filmTypeCode, false);
}

void AcquisitionRecords::setMultipass(device::ScanOptionRecord& record, const Balance& balance,
                                      const Balance& highlight, const Balance& shadow)
{
    record.dwOptionType = device::kOptionMultipass;
    device::ScanInfo& info = record.ScanInfoArray[0];
    info.wColorBalanceR = balance[0];
    info.wColorBalanceG = balance[1];
    info.wColorBalanceB = balance[2];
    info.wHighColorBalanceR = highlight[0];
    info.wHighColorBalanceG = highlight[1];
    info.wHighColorBalanceB = highlight[2];
    info.wLowColorBalanceR = shadow[0];
    info.wLowColorBalanceG = shadow[1];
    info.wLowColorBalanceB = shadow[2];
}
