#pragma once

// The records and command codes of the scanner's device library, shared by the
// wrapper (NVAScanner) and the simulated library. The device defines them for a
// 32-bit process; here every pointer field is a native pointer, so on a 64-bit
// build the records that carry pointers are larger and their later fields move.
// Nothing above the wrapper sees these types.

#include <cstddef>
#include <cstdint>

namespace device
{

constexpr bool kNativePointers64 = sizeof(void*) == 8;

// Command codes of ScannerDeviceIO(command, data).
enum Command : int {
    CmdInitialise = 1,
    CmdRelease = 2,
    CmdOpenSession = 3,
    CmdActivateSession = 5,
    CmdFirmwareWrite = 7,
    CmdStatus = 21,
    CmdDeviceInfo = 22,
    CmdPrepareSession = 24,
    CmdScan = 32,
    CmdReadBalance = 33,
    CmdServiceRecord = 47,
    CmdGetScanParameter = 1008,
    CmdSetScanParameter = 1009,
    // Answered by the SANE device library only; the simulated library fails them.
    CmdSelectDevice = 200, // data: const char*, a SANE device name in UTF-8, sent before CmdInitialise
    CmdListDevices = 201, // data: DeviceListRecord*
    CmdLastFailure = 202, // data: FailureRecord*, why the last failed command failed
};

// The device libraries in the program folder: the simulated scanner (the default)
// and the one that reaches real scanners through SANE.
constexpr const char* kSimulatorLibraryFile = "TQ4100.dll";
constexpr const char* kSaneLibraryFile = "korvane-sane.so";

// CmdListDevices fills text with one line per device, "name\tvendor\tmodel\ttype\n"
// in UTF-8, NUL-terminated; lines that do not fit are left out whole.
struct DeviceListRecord {
    char text[16384];
};

// What CmdLastFailure reports; the program words the message, the library only
// knows what went wrong.
enum FailureCode : std::int32_t {
    FailureNone = 0,
    FailureNotSupported = 1, // the scanner does not take this command or scan
    FailureNotFound = 2, // no such device
    FailureBusy = 3,
    FailureAccessDenied = 4,
    FailureIoError = 5,
    FailureJammed = 6,
    FailureCoverOpen = 7,
    FailureNoFilm = 8,
    FailureDeviceGone = 9,
    FailureUnknownHeight = 10,
    FailureAreaOutside = 11,
    FailureMultipass = 12,
    FailureOther = 13,
};

struct FailureRecord {
    std::int32_t code; // FailureCode
    char detail[256]; // the device's own words, UTF-8, NUL-terminated; may be empty
};

// Only the low byte of the 32-bit result is meaningful.
inline bool succeeded(int result)
{
    return (result & 0xFF) != 0;
}

extern "C" {
typedef int (*ScannerDeviceIOFunction)(int command, void* data);
}

// Status bits returned in byte 4 of the status record.
constexpr std::uint8_t kStatusPresent = 0x08;
constexpr std::uint8_t kStatusScanKey = 0x01;

// Pixel formats of the line record.
enum PixelFormat : std::int32_t {
    PixelRgb8 = 3, // 3 bytes per pixel
    PixelRgb16 = 7, // 6 bytes per pixel
    PixelRgba8 = 8, // 4 bytes per pixel
    PixelRgba16 = 12, // 8 bytes per pixel
};

// Bytes per pixel of a pixel format, 0 for a format the device does not define.
constexpr int bytesPerPixel(std::int32_t pixelFormat)
{
    switch (pixelFormat) {
    case PixelRgb8:
        return 3;
    case PixelRgb16:
        return 6;
    case PixelRgba8:
        return 4;
    case PixelRgba16:
        return 8;
    default:
        return 0;
    }
}

constexpr std::size_t kDeviceInfoSize = 173;
constexpr std::size_t kScanParameterSize = 53;
constexpr std::size_t kFirmwareBlockSize = 131072;
constexpr std::size_t kSessionBufferSize = 20;
constexpr std::size_t kDeviceInfoModelOffset = 117;
constexpr std::size_t kDeviceInfoFirmwareOffset = 33;
// Free bytes of the record that name the device: the maker and the product, NUL-padded UTF-8.
constexpr std::size_t kDeviceInfoVendorOffset = 1;
constexpr std::size_t kDeviceInfoVendorSize = 32;
constexpr std::size_t kDeviceInfoProductOffset = 119;
constexpr std::size_t kDeviceInfoProductSize = 54;
constexpr std::size_t kFirmwareVersionOffset = 96; // in the firmware block

#pragma pack(push, 1)

struct LineRecord;
extern "C" {
typedef int (*LineCallback)(LineRecord* record);
}

// Handed by the library to the line callback during a scan.
struct LineRecord {
    std::uint32_t reserved0;
    std::int32_t pixelFormat;
    std::int32_t pixelsPerLine;
    std::int32_t imageLines;
    std::int32_t scanDpi; // the resolution the device really scanned at; 0 when it is the asked one
    std::int32_t linesDelivered; // 0 ends the image
    std::uint8_t stopFlag; // 1 from the library ends the image; 1 from the program asks it to stop
    std::uint8_t reserved2;
    const std::uint8_t* lines; // linesDelivered rows, one after another
};

// Command 21.
struct StatusRecord {
    std::int32_t selector; // always 9
    std::uint8_t statusBits;
    std::uint8_t reserved[3];
};

// Command 24: the library prepares the session buffer that command 3 then takes.
struct PrepareSessionRecord {
    std::uint8_t* sessionBuffer; // kSessionBufferSize bytes
    std::uint8_t sessionBufferSize; // 20
};

// Commands 3 and 5.
struct SessionRecord {
    std::uint8_t reserved[28];
    std::uint8_t* sessionBuffer;
};

// Command 22. Byte 0 is set to the record size before the call.
struct DeviceInfoRecord {
    std::uint8_t recordSize;
    char vendor[32]; // bytes 1-32
    char firmwareVersion[4]; // bytes 33-36
    std::uint8_t reserved1[80];
    std::uint16_t modelCode; // bytes 117-118
    char product[54]; // bytes 119-172
};

// Command 33: the colour balance the library measured on the film base.
struct BalanceRecord {
    std::uint16_t red;
    std::uint16_t green;
    std::uint16_t blue;
};

// Commands 1008, 1009 and 47. The worker keeps it as 13 signed 32-bit values and a byte.
struct ScanParameterRecord {
    std::uint16_t exposureLow[3]; // R, G, B; exposure time = (high << 16) | low
    std::uint8_t reserved0[6];
    std::uint8_t gain[3]; // R, G, B
    std::uint8_t lightness;
    std::uint8_t reserved1[7];
    std::uint16_t exposureHigh[3]; // bytes 23-28
    std::uint8_t reserved2[24];
};

struct IpParameterInfo {
    std::int32_t iNormalExpo[3];
    std::int32_t iHighExpo[3];
    std::int32_t iLowExpo[3];
};

// One entry of the scan option record's ScanInfoArray; only entry 0 is used.
struct ScanInfo {
    std::int32_t nDPI;
    float fScanAreaLeft; // inches
    float fScanAreaTop;
    float fScanAreaRight;
    float fScanAreaBottom;
    std::int32_t nScanColorMode;
    std::uint16_t wColorBalanceR;
    std::uint16_t wColorBalanceG;
    std::uint16_t wColorBalanceB;
    std::uint16_t wHighlightEnhanceR;
    std::uint16_t wHighlightEnhanceG;
    std::uint16_t wHighlightEnhanceB;
    std::uint16_t* pGammaTableR;
    std::uint16_t* pGammaTableG;
    std::uint16_t* pGammaTableB;
    std::uint8_t bShadowEnhanceR;
    std::uint8_t bShadowEnhanceG;
    std::uint8_t bShadowEnhanceB;
    std::uint8_t bImageQuality;
    std::uint8_t bFilmType;
    std::uint8_t bFilmMediaType; // 16 positive, 32 colour negative, 48 black-and-white negative
    std::uint8_t reserved0;
    std::uint8_t bThresHold;
    LineCallback pLineCallback;
    std::int32_t nMaxScanLine;
    std::uint8_t bPrescan;
    std::uint8_t reserved1;
    std::uint16_t wHighColorBalanceR;
    std::uint16_t wHighColorBalanceG;
    std::uint16_t wHighColorBalanceB;
    std::uint16_t wLowColorBalanceR;
    std::uint16_t wLowColorBalanceG;
    std::uint16_t wLowColorBalanceB;
    std::uint8_t reserved2[106];
    IpParameterInfo pIP_PARAMETER_INFO_SDK;
    std::uint8_t bControlHWLightness;
    std::uint16_t wGainFactorR;
    std::uint16_t wGainFactorG;
    std::uint16_t wGainFactorB;
    std::uint8_t reserved3[2];
};

// Command 32.
struct ScanOptionRecord {
    std::uint32_t dwOptionType; // 0 normal, 4 multipass, 8 film base
    ScanInfo ScanInfoArray[4];
    std::uint32_t dwStatus; // always 1
    std::uint8_t reserved;
};

#pragma pack(pop)

constexpr std::uint32_t kOptionNormal = 0;
constexpr std::uint32_t kOptionMultipass = 4;
constexpr std::uint32_t kOptionFilmBase = 8;

// Sizes and offsets as the device defines them for 32-bit pointers, and as they
// come out with 64-bit ones: the first pointer of a record moves every later field.
constexpr std::size_t kPointerGrowth = kNativePointers64 ? 4 : 0;

static_assert(sizeof(DeviceInfoRecord) == kDeviceInfoSize, "device information record");
static_assert(offsetof(DeviceInfoRecord, firmwareVersion) == kDeviceInfoFirmwareOffset, "firmware version");
static_assert(offsetof(DeviceInfoRecord, modelCode) == kDeviceInfoModelOffset, "model code");
static_assert(offsetof(DeviceInfoRecord, product) == kDeviceInfoProductOffset
        && sizeof(DeviceInfoRecord::product) == kDeviceInfoProductSize,
    "product name");
static_assert(offsetof(DeviceInfoRecord, vendor) == kDeviceInfoVendorOffset
        && sizeof(DeviceInfoRecord::vendor) == kDeviceInfoVendorSize,
    "vendor name");
static_assert(sizeof(ScanParameterRecord) == kScanParameterSize, "scan parameter record");
static_assert(offsetof(ScanParameterRecord, gain) == 12, "gain");
static_assert(offsetof(ScanParameterRecord, lightness) == 15, "lightness");
static_assert(offsetof(ScanParameterRecord, exposureHigh) == 23, "exposure high halves");
static_assert(sizeof(StatusRecord) == 8, "status record");
static_assert(offsetof(StatusRecord, statusBits) == 4, "status bits");
static_assert(sizeof(BalanceRecord) == 6, "balance record");

static_assert(offsetof(LineRecord, pixelFormat) == 4, "line record: pixel format");
static_assert(offsetof(LineRecord, pixelsPerLine) == 8, "line record: pixels per line");
static_assert(offsetof(LineRecord, imageLines) == 12, "line record: image lines");
static_assert(offsetof(LineRecord, scanDpi) == 16, "line record: scan resolution");
static_assert(offsetof(LineRecord, linesDelivered) == 20, "line record: lines delivered");
static_assert(offsetof(LineRecord, stopFlag) == 24, "line record: stop flag");
static_assert(offsetof(LineRecord, lines) == 26, "line record: data");
static_assert(sizeof(LineRecord) == 26 + sizeof(void*), "line record");

static_assert(sizeof(PrepareSessionRecord) == 1 + sizeof(void*), "command 24 record");
static_assert(offsetof(SessionRecord, sessionBuffer) == 28, "command 3 record");

// Offsets within the whole option record, 32-bit layout first.
constexpr std::size_t kScanInfoBase = offsetof(ScanOptionRecord, ScanInfoArray);
static_assert(kScanInfoBase == 4, "ScanInfoArray");
static_assert(kScanInfoBase + offsetof(ScanInfo, nDPI) == 4, "nDPI");
static_assert(kScanInfoBase + offsetof(ScanInfo, fScanAreaLeft) == 8, "fScanAreaLeft");
static_assert(kScanInfoBase + offsetof(ScanInfo, fScanAreaBottom) == 20, "fScanAreaBottom");
static_assert(kScanInfoBase + offsetof(ScanInfo, nScanColorMode) == 24, "nScanColorMode");
static_assert(kScanInfoBase + offsetof(ScanInfo, wColorBalanceR) == 28, "wColorBalanceR");
static_assert(kScanInfoBase + offsetof(ScanInfo, wHighlightEnhanceR) == 34, "wHighlightEnhanceR");
static_assert(kScanInfoBase + offsetof(ScanInfo, pGammaTableR) == 40, "pGammaTableR");
static_assert(
    kScanInfoBase + offsetof(ScanInfo, bShadowEnhanceR) == 52 + 3 * kPointerGrowth, "bShadowEnhanceR");
static_assert(kScanInfoBase + offsetof(ScanInfo, bImageQuality) == 55 + 3 * kPointerGrowth, "bImageQuality");
static_assert(
    kScanInfoBase + offsetof(ScanInfo, bFilmMediaType) == 57 + 3 * kPointerGrowth, "bFilmMediaType");
static_assert(kScanInfoBase + offsetof(ScanInfo, bThresHold) == 59 + 3 * kPointerGrowth, "bThresHold");
static_assert(kScanInfoBase + offsetof(ScanInfo, pLineCallback) == 60 + 3 * kPointerGrowth, "line callback");
static_assert(kScanInfoBase + offsetof(ScanInfo, nMaxScanLine) == 64 + 4 * kPointerGrowth, "nMaxScanLine");
static_assert(kScanInfoBase + offsetof(ScanInfo, bPrescan) == 68 + 4 * kPointerGrowth, "bPrescan");
static_assert(
    kScanInfoBase + offsetof(ScanInfo, wHighColorBalanceR) == 70 + 4 * kPointerGrowth, "wHighColorBalanceR");
static_assert(
    kScanInfoBase + offsetof(ScanInfo, wLowColorBalanceR) == 76 + 4 * kPointerGrowth, "wLowColorBalanceR");
static_assert(
    kScanInfoBase + offsetof(ScanInfo, pIP_PARAMETER_INFO_SDK) == 188 + 4 * kPointerGrowth, "iNormalExpo");
static_assert(kScanInfoBase + offsetof(ScanInfo, bControlHWLightness) == 224 + 4 * kPointerGrowth,
    "bControlHWLightness");
static_assert(kScanInfoBase + offsetof(ScanInfo, wGainFactorR) == 225 + 4 * kPointerGrowth, "wGainFactorR");
static_assert(sizeof(ScanInfo) == 229 + 4 * kPointerGrowth, "ScanInfo entry");
static_assert(offsetof(ScanOptionRecord, dwStatus) == 920 + 16 * kPointerGrowth, "dwStatus");
static_assert(sizeof(ScanOptionRecord) == 925 + 16 * kPointerGrowth, "scan option record");

} // namespace device
