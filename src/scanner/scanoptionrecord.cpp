#include "scanoptionrecord.h"

#include "servicemodes.h"
#include "userfolders.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTextStream>

Q_LOGGING_CATEGORY(lcOptionRecord, "korvane.scanner.option", QtWarningMsg)

namespace ScanOptionRecords
{

namespace
{

void setTriple(std::uint16_t& r, std::uint16_t& g, std::uint16_t& b, const Triple& values)
{
    r = values[0];
    g = values[1];
    b = values[2];
}

std::uint16_t held16(double value)
{
    // Truncation toward zero, held to the field's range.
    if (!(value > 0.0))
        return 0;
    return value >= 65535.0 ? std::uint16_t(65535) : static_cast<std::uint16_t>(value);
}

void wholeWindow(device::ScanInfo& info)
{
    info.nDPI = kPrescanDpi;
    info.fScanAreaLeft = 0.0f;
    info.fScanAreaTop = 0.0f;
    info.fScanAreaRight = kWindowWidthInches;
    info.fScanAreaBottom = kWindowHeightInches;
}

} // namespace

device::ScanOptionRecord baseRecord(const Triple& balance, int filmTypeCode, device::LineCallback callback)
{
    device::ScanOptionRecord record {};
    record.dwOptionType = device::kOptionNormal;
    record.dwStatus = 1;
    device::ScanInfo& info = record.ScanInfoArray[0];
    info.nScanColorMode = device::PixelRgb16; // 7: the device delivers 6 bytes per pixel
    setTriple(info.wColorBalanceR, info.wColorBalanceG, info.wColorBalanceB, balance);
    setTriple(
        info.wHighlightEnhanceR, info.wHighlightEnhanceG, info.wHighlightEnhanceB, { { 100, 100, 100 } });
    info.bImageQuality = 3;
    info.bFilmType = 1;
    info.bFilmMediaType = static_cast<std::uint8_t>(filmTypeCode);
    info.bThresHold = 128;
    info.pLineCallback = callback;
    info.nMaxScanLine = 255;
    info.bPrescan = 0;
    setTriple(
        info.wHighColorBalanceR, info.wHighColorBalanceG, info.wHighColorBalanceB, { { 100, 100, 100 } });
    setTriple(info.wLowColorBalanceR, info.wLowColorBalanceG, info.wLowColorBalanceB, { { 100, 100, 100 } });
    return record;
}

device::ScanOptionRecord filmBaseRecord(int filmTypeCode, device::LineCallback callback)
{
    device::ScanOptionRecord record = baseRecord(kFilmBaseBalance, filmTypeCode, callback);
    record.dwOptionType = device::kOptionFilmBase;
    wholeWindow(record.ScanInfoArray[0]);
    record.ScanInfoArray[0].bPrescan = 1;
    return record;
}

device::ScanOptionRecord prescanRecord(
    const Triple& deviceBalance, int filmTypeCode, device::LineCallback callback)
{
    device::ScanOptionRecord record = baseRecord(deviceBalance, filmTypeCode, callback);
    device::ScanInfo& info = record.ScanInfoArray[0];
    wholeWindow(info);
    info.bPrescan = 1;
    // The gains sit at an odd offset of the packed record: assigned, never bound to a reference.
    info.wGainFactorR = info.wGainFactorG = info.wGainFactorB = 100;
    return record;
}

device::ScanOptionRecord finalRecord(int deviceDpi, double left, double top, double width, double height,
    const Triple& deviceBalance, int filmTypeCode, device::LineCallback callback)
{
    device::ScanOptionRecord record = baseRecord(deviceBalance, filmTypeCode, callback);
    device::ScanInfo& info = record.ScanInfoArray[0];
    info.nDPI = deviceDpi;
    info.fScanAreaLeft = static_cast<float>(left);
    info.fScanAreaTop = static_cast<float>(top);
    info.fScanAreaRight = static_cast<float>(left + width);
    info.fScanAreaBottom = static_cast<float>(top + height);
    return record;
}

Multipass multipassBalance(const Triple& deviceBalance, FilmType filmType, int modelCode)
{
    const double factor
        = FilmTypes::isNegative(filmType) ? 1.5 : ScannerModels::multipassHighlight(modelCode);
    Multipass multipass { deviceBalance, {}, {} };
    for (std::size_t i = 0; i < 3; ++i) {
        multipass.highlights[i] = held16(factor * deviceBalance[i]);
        // The single-precision 0.8 (0.800000011920929), multiplied in single precision.
        multipass.shadows[i] = held16(double(float(deviceBalance[i]) * 0.8f));
    }
    return multipass;
}

void applyMultipass(device::ScanOptionRecord& record, const Multipass& multipass)
{
    device::ScanInfo& info = record.ScanInfoArray[0];
    record.dwOptionType = device::kOptionMultipass;
    setTriple(info.wColorBalanceR, info.wColorBalanceG, info.wColorBalanceB, multipass.balance);
    setTriple(
        info.wHighColorBalanceR, info.wHighColorBalanceG, info.wHighColorBalanceB, multipass.highlights);
    setTriple(info.wLowColorBalanceR, info.wLowColorBalanceG, info.wLowColorBalanceB, multipass.shadows);
}

void applyEngineer(device::ScanOptionRecord& record, const Triple& gains)
{
    device::ScanInfo& info = record.ScanInfoArray[0];
    info.bControlHWLightness = 1;
    info.wGainFactorR = gains[0]; // odd offset: assigned, not bound to a reference
    info.wGainFactorG = gains[1];
    info.wGainFactorB = gains[2];
}

QString dumpPath(const QString& name)
{
    const QString file = QStringLiteral("/") + name + QStringLiteral("_option.txt");
    if (ServiceModes::instance().isRawMode()) {
        const QString folder = UserFolders::rawImageFolder();
        QDir().mkpath(folder);
        return folder + file;
    }
    return UserFolders::debugFolder() + file;
}

} // namespace ScanOptionRecords

bool dumpOptionRecord(const QString& name, const device::ScanOptionRecord& record)
{
    const QString path = ScanOptionRecords::dumpPath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        qCWarning(lcOptionRecord) << "cannot write" << path << file.errorString();
        return false;
    }
    const device::ScanInfo& info = record.ScanInfoArray[0];
    QTextStream out(&file);
    const QString entry = QStringLiteral("pOptionScan.ScanInfoArray[0].");
    const QString parameters = entry + QStringLiteral("pIP_PARAMETER_INFO_SDK.");
    // Byte fields as numbers, not characters; pointers as the stream prints them.
    auto line = [&out](const QString& label, auto value) { out << label << " = " << value << Qt::endl; };
    auto byte = [](std::uint8_t value) { return int(value); };
    auto pointer = [](const void* value) { return value; };

    out << entry << "nDP I=" << info.nDPI << Qt::endl;
    line(entry + "fScanAreaLeft", info.fScanAreaLeft);
    line(entry + "fScanAreaTop", info.fScanAreaTop);
    line(entry + "fScanAreaRight", info.fScanAreaRight);
    line(entry + "fScanAreaBottom", info.fScanAreaBottom);
    line(entry + "nScanColorMode", info.nScanColorMode);
    line(entry + "wColorBalanceR", info.wColorBalanceR);
    line(entry + "wColorBalanceG", info.wColorBalanceG);
    line(entry + "wColorBalanceB", info.wColorBalanceB);
    line(entry + "wHighlightEnhanceR", info.wHighlightEnhanceR);
    line(entry + "wHighlightEnhanceG", info.wHighlightEnhanceG);
    line(entry + "wHighlightEnhanceB", info.wHighlightEnhanceB);
    line(entry + "pGammaTableR", pointer(info.pGammaTableR));
    line(entry + "pGammaTableG", pointer(info.pGammaTableG));
    line(entry + "pGammaTableB", pointer(info.pGammaTableB));
    line(entry + "bShadowEnhanceR", byte(info.bShadowEnhanceR));
    line(entry + "bShadowEnhanceG", byte(info.bShadowEnhanceG));
    line(entry + "bShadowEnhanceB", byte(info.bShadowEnhanceB));
    line(entry + "wHighColorBalanceR", info.wHighColorBalanceR);
    line(entry + "wHighColorBalanceG", info.wHighColorBalanceG);
    line(entry + "wHighColorBalanceB", info.wHighColorBalanceB);
    line(entry + "wLowColorBalanceR", info.wLowColorBalanceR);
    line(entry + "wLowColorBalanceG", info.wLowColorBalanceG);
    line(entry + "wLowColorBalanceB", info.wLowColorBalanceB);
    line(entry + "bImageQuality", byte(info.bImageQuality));
    line(entry + "bFilmType", byte(info.bFilmType));
    line(entry + "bFilmMediaType", byte(info.bFilmMediaType));
    line(entry + "bThresHold", byte(info.bThresHold));
    line(entry + "nMaxScanLine", info.nMaxScanLine);
    line(entry + "bPrescan", byte(info.bPrescan));
    line(entry + "bControlHWLightness", byte(info.bControlHWLightness));
    line(QStringLiteral("pOptionScan.dwStatus"), uint(record.dwStatus));
    line(QStringLiteral("pOptionScan.dwOptionType"), uint(record.dwOptionType));
    const device::IpParameterInfo& expo = info.pIP_PARAMETER_INFO_SDK;
    for (int i = 0; i < 3; ++i)
        line(parameters + QStringLiteral("iNormalExpo[%1]").arg(i), expo.iNormalExpo[i]);
    for (int i = 0; i < 3; ++i)
        line(parameters + QStringLiteral("iHighExpo[%1]").arg(i), expo.iHighExpo[i]);
    for (int i = 0; i < 3; ++i)
        line(parameters + QStringLiteral("iLowExpo[%1]").arg(i), expo.iLowExpo[i]);
    line(entry + "wGainFactorR", info.wGainFactorR);
    line(entry + "wGainFactorG", info.wGainFactorG);
    line(entry + "wGainFactorB", info.wGainFactorB);
    out.flush();
    if (out.status() != QTextStream::Ok || !file.flush()) {
        qCWarning(lcOptionRecord) << "writing" << path << "failed";
        return false;
    }
    return true;
}
