#include "sanedevice.h"

#include "boxreducer.h"
#include "devicememory.h"
#include "exposure.h"
#include "filmbase.h"
#include "frameassembler.h"
#include "sanelibrary.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace sanedev
{

namespace
{

constexpr int kMaxDpi = 10000;
constexpr std::size_t kMaxBlockBytes = std::size_t(64) << 20;
constexpr std::size_t kReadChunk = 256 * 1024;
constexpr double kMmPerInch = 25.4;
// Backends built on SANE's thread helper cancel their reader thread asynchronously: cut
// off while it is still starting, it can leave the C library's locks held and hang or
// crash the program later. An image abandoned right after its start waits this long.
constexpr auto kReaderSettle = std::chrono::milliseconds(100);
constexpr char kFirmware[4] = { 'S', 'A', 'N', 'E' }; // no firmware version reaches a SANE front end

SANE_Handle handleOf(void* handle)
{
    return static_cast<SANE_Handle>(handle);
}

// sane_cancel, once the reader started at startedAt has had time to settle.
void cancelScan(void* handle, std::chrono::steady_clock::time_point startedAt)
{
    const auto settled = startedAt + kReaderSettle;
    if (std::chrono::steady_clock::now() < settled)
        std::this_thread::sleep_until(settled);
    sane_cancel(handleOf(handle));
}

std::string lower(std::string text)
{
    std::transform(
        text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

bool contains(const std::string& text, const char* part)
{
    return lower(text).find(part) != std::string::npos;
}

device::FailureCode failureOf(SANE_Status status)
{
    switch (status) {
    case SANE_STATUS_UNSUPPORTED:
        return device::FailureNotSupported;
    case SANE_STATUS_DEVICE_BUSY:
        return device::FailureBusy;
    case SANE_STATUS_ACCESS_DENIED:
        return device::FailureAccessDenied;
    case SANE_STATUS_IO_ERROR:
        return device::FailureIoError;
    case SANE_STATUS_JAMMED:
        return device::FailureJammed;
    case SANE_STATUS_COVER_OPEN:
        return device::FailureCoverOpen;
    case SANE_STATUS_NO_DOCS:
        return device::FailureNoFilm;
    default:
        return device::FailureOther;
    }
}

FrameFormat::Kind kindOf(SANE_Frame frame)
{
    switch (frame) {
    case SANE_FRAME_GRAY:
        return FrameFormat::Kind::Grey;
    case SANE_FRAME_RED:
        return FrameFormat::Kind::Red;
    case SANE_FRAME_GREEN:
        return FrameFormat::Kind::Green;
    case SANE_FRAME_BLUE:
        return FrameFormat::Kind::Blue;
    default:
        return FrameFormat::Kind::Rgb;
    }
}

void copyText(void* target, std::size_t size, const std::string& text)
{
    std::memset(target, 0, size);
    std::memcpy(target, text.data(), std::min(size - 1, text.size()));
}

// Takes the lines of a scan in the device's size and hands them to the program in
// blocks, reduced to the asked size where the device scanned finer, measured for the
// film base and exposed with the record's balance.
class LineDelivery
{
public:
    LineDelivery(const device::ScanInfo& info, int width, int height, int scanDpi, bool measure)
        : m_callback(info.pLineCallback)
        , m_exposure(info, false, SaneDevice::kModelCode, sim::DeviceMemory::factoryParameters())
        , m_width(width)
        , m_height(height)
        , m_scanDpi(scanDpi)
        , m_measure(measure)
    {
        const std::size_t rowSamples = std::size_t(width) * 3;
        m_blockLines = int(std::min<std::size_t>({ std::size_t(info.nMaxScanLine), std::size_t(height),
            std::max<std::size_t>(1, kMaxBlockBytes / (rowSamples * 2)) }));
        m_block.resize(rowSamples * std::size_t(m_blockLines));
    }

    // False when the program asked to stop.
    bool row(const std::uint16_t* rgb)
    {
        if (m_rows >= m_height)
            return true;
        if (m_measure)
            m_meter.add(rgb, m_width);
        std::uint16_t* out = m_block.data() + std::size_t(m_filled) * std::size_t(m_width) * 3;
        const std::uint32_t* tables[3] = { m_exposure.table(0), m_exposure.table(1), m_exposure.table(2) };
        for (int x = 0; x < m_width; ++x, rgb += 3, out += 3) {
            for (int c = 0; c < 3; ++c)
                out[c] = std::uint16_t(tables[c][rgb[c]] & 0xFFFF);
        }
        ++m_rows;
        if (++m_filled == m_blockLines || m_rows == m_height)
            return flush();
        return true;
    }

    // The end record, once every row has been delivered.
    void finish()
    {
        device::LineRecord line = record(0);
        m_callback(&line);
    }

    int rows() const { return m_rows; }
    const FilmBaseMeter& meter() const { return m_meter; }
    const sim::Exposure& exposure() const { return m_exposure; }

private:
    device::LineRecord record(int lines) const
    {
        device::LineRecord line {};
        line.pixelFormat = device::PixelRgb16;
        line.pixelsPerLine = m_width;
        line.imageLines = m_height;
        line.scanDpi = m_scanDpi;
        line.linesDelivered = lines;
        line.lines = reinterpret_cast<const std::uint8_t*>(m_block.data());
        return line;
    }

    bool flush()
    {
        device::LineRecord line = record(m_filled);
        m_filled = 0;
        m_callback(&line);
        return line.stopFlag != 1;
    }

    device::LineCallback m_callback;
    sim::Exposure m_exposure;
    int m_width;
    int m_height;
    int m_scanDpi;
    bool m_measure;
    int m_blockLines = 1;
    int m_filled = 0;
    int m_rows = 0;
    std::vector<std::uint16_t> m_block;
    FilmBaseMeter m_meter;
};

} // namespace

SaneDevice& SaneDevice::instance()
{
    static SaneDevice device;
    return device;
}

int SaneDevice::command(int code, void* data)
{
    switch (code) {
    case device::CmdSelectDevice:
        return selectDevice(static_cast<const char*>(data));
    case device::CmdListDevices: {
        auto* list = static_cast<device::DeviceListRecord*>(data);
        return list && SaneLibrary::instance().listDevices(list->text, sizeof list->text) ? 1 : 0;
    }
    case device::CmdLastFailure:
        return lastFailure(static_cast<device::FailureRecord*>(data));
    case device::CmdInitialise:
        return initialise();
    case device::CmdRelease:
        return release();
    case device::CmdPrepareSession:
        return prepareSession(static_cast<device::PrepareSessionRecord*>(data));
    case device::CmdOpenSession:
        return openSession(static_cast<const device::SessionRecord*>(data));
    case device::CmdActivateSession:
        return activateSession(static_cast<const device::SessionRecord*>(data));
    case device::CmdDeviceInfo:
        return deviceInfo(static_cast<device::DeviceInfoRecord*>(data));
    case device::CmdStatus:
        return status(static_cast<device::StatusRecord*>(data));
    case device::CmdScan:
        return scan(static_cast<device::ScanOptionRecord*>(data));
    case device::CmdReadBalance:
        return readBalance(static_cast<device::BalanceRecord*>(data));
    case device::CmdGetScanParameter:
    case device::CmdSetScanParameter:
    case device::CmdServiceRecord:
    case device::CmdFirmwareWrite:
        // A SANE device has no exposure memory or firmware that a front end may write.
        return fail(device::FailureNotSupported);
    default:
        return fail(device::FailureNotSupported);
    }
}

int SaneDevice::fail(device::FailureCode code, const std::string& detail)
{
    std::lock_guard<std::mutex> lock(m_failureLock);
    m_failure = code;
    m_failureDetail = detail;
    return 0;
}

int SaneDevice::failStatus(int saneStatus)
{
    const auto status = SANE_Status(saneStatus);
    const std::string detail = sane_strstatus(status);
    if (status == SANE_STATUS_IO_ERROR || status == SANE_STATUS_INVAL) {
        DeviceEntry entry;
        if (!SaneLibrary::instance().findDevice(m_name, &entry)) {
            m_gone = true;
            return fail(device::FailureDeviceGone, detail);
        }
    }
    return fail(failureOf(status), detail);
}

int SaneDevice::lastFailure(device::FailureRecord* record)
{
    if (!record)
        return 0;
    std::lock_guard<std::mutex> lock(m_failureLock);
    record->code = m_failure;
    copyText(record->detail, sizeof record->detail, m_failureDetail);
    return 1;
}

int SaneDevice::selectDevice(const char* name)
{
    if (!name || !*name || m_handle)
        return fail(device::FailureNotFound);
    m_name = name;
    return 1;
}

int SaneDevice::initialise()
{
    fail(device::FailureNone);
    closeDevice();
    m_sessionOpen = false;
    m_sessionToken.fill(0);
    m_baseMeasured = false;
    m_gone = false;
    if (!m_holding) {
        m_holding = SaneLibrary::instance().acquire();
        if (!m_holding)
            return fail(device::FailureOther, "sane_init");
    }
    return 1;
}

int SaneDevice::prepareSession(device::PrepareSessionRecord* record)
{
    if (!record || !record->sessionBuffer || record->sessionBufferSize < device::kSessionBufferSize
        || !m_holding)
        return 0;
    static std::uint32_t sessions = 0;
    ++sessions;
    m_sessionToken.fill(0);
    std::memcpy(m_sessionToken.data(), "SANE", 4);
    std::memcpy(m_sessionToken.data() + 4, &sessions, sizeof sessions);
    std::memcpy(record->sessionBuffer, m_sessionToken.data(), m_sessionToken.size());
    return 1;
}

int SaneDevice::openSession(const device::SessionRecord* record)
{
    if (!record || !record->sessionBuffer || m_sessionToken[0] == 0
        || std::memcmp(record->sessionBuffer, m_sessionToken.data(), m_sessionToken.size()) != 0)
        return 0;
    if (m_name.empty())
        return fail(device::FailureNotFound);
    DeviceEntry entry;
    if (SaneLibrary::instance().findDevice(m_name, &entry)) {
        m_vendor = entry.vendor;
        m_model = entry.model;
    } else {
        // Some backends open names they do not list (a network address, say).
        m_vendor.clear();
        m_model = m_name;
    }
    SANE_Handle handle = nullptr;
    SANE_Status opened;
    {
        std::lock_guard<std::mutex> lock(SaneLibrary::instance().callLock());
        opened = sane_open(m_name.c_str(), &handle);
    }
    if (opened != SANE_STATUS_GOOD) {
        const std::string detail = sane_strstatus(opened);
        return fail(opened == SANE_STATUS_INVAL ? device::FailureNotFound : failureOf(opened), detail);
    }
    m_handle = handle;
    int resolution;
    {
        std::lock_guard<std::mutex> lock(SaneLibrary::instance().callLock());
        resolution = option(SANE_NAME_SCAN_RESOLUTION);
    }
    if (resolution < 0) {
        closeDevice();
        return fail(device::FailureNotSupported, "no resolution option");
    }
    // A scan button the backend reports as a read-only switch.
    m_buttonOption = -1;
    {
        std::lock_guard<std::mutex> lock(SaneLibrary::instance().callLock());
        for (SANE_Int n = 1;; ++n) {
            const SANE_Option_Descriptor* d = sane_get_option_descriptor(handleOf(m_handle), n);
            if (!d)
                break;
            if (d->name && d->type == SANE_TYPE_BOOL && (d->cap & SANE_CAP_SOFT_DETECT)
                && !(d->cap & SANE_CAP_SOFT_SELECT)
                && (std::strcmp(d->name, SANE_NAME_SCAN) == 0 || std::strcmp(d->name, "button") == 0)) {
                m_buttonOption = n;
                break;
            }
        }
    }
    m_sessionOpen = true;
    return 1;
}

int SaneDevice::activateSession(const device::SessionRecord* record)
{
    return record && m_sessionOpen ? 1 : 0;
}

int SaneDevice::deviceInfo(device::DeviceInfoRecord* record)
{
    if (!record || record->recordSize != device::kDeviceInfoSize || !m_sessionOpen)
        return 0;
    std::memset(record, 0, sizeof *record);
    record->recordSize = std::uint8_t(device::kDeviceInfoSize);
    copyText(record->vendor, sizeof record->vendor, m_vendor);
    std::memcpy(record->firmwareVersion, kFirmware, sizeof kFirmware);
    copyText(record->reserved1, sizeof record->reserved1, m_name);
    record->modelCode = kModelCode;
    copyText(record->product, sizeof record->product, m_model);
    return 1;
}

int SaneDevice::status(device::StatusRecord* record)
{
    if (!record)
        return 0;
    record->statusBits = 0;
    if (!m_handle || m_gone)
        return 1;
    SANE_Status answer;
    SANE_Bool pressed = SANE_FALSE;
    {
        std::lock_guard<std::mutex> lock(SaneLibrary::instance().callLock());
        if (m_buttonOption > 0) {
            answer = sane_control_option(
                handleOf(m_handle), m_buttonOption, SANE_ACTION_GET_VALUE, &pressed, nullptr);
        } else {
            SANE_Int count = 0;
            answer = sane_control_option(handleOf(m_handle), 0, SANE_ACTION_GET_VALUE, &count, nullptr);
        }
    }
    if (answer != SANE_STATUS_GOOD) {
        DeviceEntry entry;
        if (!SaneLibrary::instance().findDevice(m_name, &entry)) {
            m_gone = true;
            return 1;
        }
    }
    record->statusBits = device::kStatusPresent;
    if (answer == SANE_STATUS_GOOD && pressed)
        record->statusBits |= device::kStatusScanKey;
    return 1;
}

int SaneDevice::option(const char* name) const
{
    if (!m_handle)
        return -1;
    for (SANE_Int n = 1;; ++n) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(handleOf(m_handle), n);
        if (!d)
            return -1;
        if (d->name && std::strcmp(d->name, name) == 0)
            return SANE_OPTION_IS_ACTIVE(d->cap) ? n : -1;
    }
}

bool SaneDevice::setNumber(const char* name, double value)
{
    const int n = option(name);
    if (n < 0)
        return false;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handleOf(m_handle), n);
    if (!SANE_OPTION_IS_SETTABLE(d->cap) || d->size < SANE_Int(sizeof(SANE_Word)))
        return false;
    SANE_Word word;
    if (d->type == SANE_TYPE_FIXED)
        word = SANE_FIX(value);
    else if (d->type == SANE_TYPE_INT)
        word = SANE_Word(std::lround(value));
    else
        return false;
    std::vector<SANE_Word> words(std::size_t(d->size) / sizeof(SANE_Word), word);
    return sane_control_option(handleOf(m_handle), n, SANE_ACTION_SET_VALUE, words.data(), nullptr)
        == SANE_STATUS_GOOD;
}

bool SaneDevice::number(const char* name, double* value) const
{
    const int n = option(name);
    if (n < 0)
        return false;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handleOf(m_handle), n);
    if ((d->type != SANE_TYPE_FIXED && d->type != SANE_TYPE_INT) || d->size < SANE_Int(sizeof(SANE_Word)))
        return false;
    std::vector<SANE_Word> words(std::size_t(d->size) / sizeof(SANE_Word), 0);
    if (sane_control_option(handleOf(m_handle), n, SANE_ACTION_GET_VALUE, words.data(), nullptr)
        != SANE_STATUS_GOOD)
        return false;
    *value = d->type == SANE_TYPE_FIXED ? SANE_UNFIX(words[0]) : double(words[0]);
    return true;
}

bool SaneDevice::setText(const char* name, const std::string& value)
{
    const int n = option(name);
    if (n < 0)
        return false;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handleOf(m_handle), n);
    if (d->type != SANE_TYPE_STRING || !SANE_OPTION_IS_SETTABLE(d->cap) || d->size <= 0)
        return false;
    std::vector<char> text(std::size_t(d->size), '\0');
    std::memcpy(text.data(), value.data(), std::min(text.size() - 1, value.size()));
    return sane_control_option(handleOf(m_handle), n, SANE_ACTION_SET_VALUE, text.data(), nullptr)
        == SANE_STATUS_GOOD;
}

bool SaneDevice::extent(const char* low, const char* high, Extent* extent) const
{
    for (const char* name : { low, high }) {
        const int n = option(name);
        if (n < 0)
            return false;
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(handleOf(m_handle), n);
        if (d->unit != SANE_UNIT_MM || d->constraint_type != SANE_CONSTRAINT_RANGE)
            return false;
        const SANE_Range* range = d->constraint.range;
        const auto value
            = [d](SANE_Word word) { return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(word) : double(word); };
        if (name == low)
            extent->min = value(range->min);
        else
            extent->max = value(range->max);
    }
    return extent->max > extent->min;
}

bool SaneDevice::offer(ResolutionOffer* offer) const
{
    const int n = option(SANE_NAME_SCAN_RESOLUTION);
    if (n < 0)
        return false;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handleOf(m_handle), n);
    const auto value
        = [d](SANE_Word word) { return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(word) : double(word); };
    if (d->constraint_type == SANE_CONSTRAINT_RANGE) {
        offer->isRange = true;
        offer->min = value(d->constraint.range->min);
        offer->max = value(d->constraint.range->max);
        offer->quant = value(d->constraint.range->quant);
        return true;
    }
    if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
        offer->isRange = false;
        offer->list.clear();
        const SANE_Word* list = d->constraint.word_list;
        for (SANE_Word i = 1; i <= list[0]; ++i)
            offer->list.push_back(value(list[i]));
        return !offer->list.empty();
    }
    return false;
}

bool SaneDevice::chooseFormat(std::uint8_t filmMedia)
{
    // Colour at 16 bits unless told otherwise (a device whose 16-bit mode is broken).
    const char* modeWanted = std::getenv("KORVANE_SANE_MODE");
    const char* depthWanted = std::getenv("KORVANE_SANE_DEPTH");
    const int n = option(SANE_NAME_SCAN_MODE);
    if (n >= 0) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(handleOf(m_handle), n);
        std::string colour;
        std::string grey;
        if (d->constraint_type == SANE_CONSTRAINT_STRING_LIST) {
            for (const SANE_String_Const* s = d->constraint.string_list; *s; ++s) {
                const std::string entry = *s;
                if (colour.empty()
                    && (entry == SANE_VALUE_SCAN_MODE_COLOR || contains(entry, "color")
                        || contains(entry, "colour")))
                    colour = entry;
                if (grey.empty()
                    && (entry == SANE_VALUE_SCAN_MODE_GRAY || contains(entry, "gray")
                        || contains(entry, "grey")))
                    grey = entry;
            }
        }
        std::string mode = colour.empty() ? grey : colour;
        if (modeWanted && *modeWanted)
            mode = modeWanted;
        if (mode.empty() || !setText(SANE_NAME_SCAN_MODE, mode))
            return false;
    }
    const int depthOption = option(SANE_NAME_BIT_DEPTH);
    if (depthOption >= 0) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(handleOf(m_handle), depthOption);
        int depth = 0;
        if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
            for (SANE_Word i = 1; i <= d->constraint.word_list[0]; ++i) {
                const int offered = d->constraint.word_list[i];
                if ((offered == 8 || offered == 16) && offered > depth)
                    depth = offered;
            }
        }
        if (depthWanted && *depthWanted)
            depth = std::atoi(depthWanted);
        if (depth > 0)
            setNumber(SANE_NAME_BIT_DEPTH, depth);
    }
    // The transparency unit where the device has one, its negative position for negatives.
    const int sourceOption = option(SANE_NAME_SCAN_SOURCE);
    if (sourceOption >= 0) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(handleOf(m_handle), sourceOption);
        if (d->constraint_type == SANE_CONSTRAINT_STRING_LIST) {
            const bool negative = filmMedia == 32 || filmMedia == 48;
            std::string film;
            for (const SANE_String_Const* s = d->constraint.string_list; *s; ++s) {
                const std::string entry = *s;
                const bool transparency = contains(entry, "transparen") || contains(entry, "film")
                    || contains(entry, "slide") || contains(entry, "tpu") || contains(entry, "negative")
                    || contains(entry, "positive");
                if (!transparency)
                    continue;
                if (film.empty() || (negative && contains(entry, "negative"))
                    || (!negative && contains(entry, "positive")))
                    film = entry;
            }
            if (!film.empty())
                setText(SANE_NAME_SCAN_SOURCE, film);
        }
    }
    return true;
}

int SaneDevice::scan(device::ScanOptionRecord* record)
{
    if (!record)
        return 0;
    const std::uint32_t optionType = record->dwOptionType;
    const device::ScanInfo info = record->ScanInfoArray[0];
    if (!info.pLineCallback || info.nDPI < 1 || info.nDPI > kMaxDpi
        || info.nScanColorMode != device::PixelRgb16 || info.nMaxScanLine < 1)
        return fail(device::FailureOther, "scan record");
    if (optionType == device::kOptionMultipass)
        return fail(device::FailureMultipass);
    if (optionType != device::kOptionNormal && optionType != device::kOptionFilmBase)
        return fail(device::FailureNotSupported);
    if (!m_handle || m_gone)
        return fail(device::FailureDeviceGone);
    fail(device::FailureNone);

    const bool filmBase = optionType == device::kOptionFilmBase;
    // The preview and the film base are counted on at the asked size; a final scan
    // comes at the device's own resolution.
    const bool toAskedSize = filmBase || info.bPrescan != 0;
    const int askedDpi = info.nDPI;

    std::unique_lock<std::mutex> lock(SaneLibrary::instance().callLock());
    if (!chooseFormat(info.bFilmMediaType))
        return fail(device::FailureNotSupported, "no colour or grey mode");
    Extent x;
    Extent y;
    AreaMm area;
    if (!extent(SANE_NAME_SCAN_TL_X, SANE_NAME_SCAN_BR_X, &x)
        || !extent(SANE_NAME_SCAN_TL_Y, SANE_NAME_SCAN_BR_Y, &y))
        return fail(device::FailureNotSupported, "no scan area in millimetres");
    if (!mapArea(
            info.fScanAreaLeft, info.fScanAreaTop, info.fScanAreaRight, info.fScanAreaBottom, x, y, &area))
        return fail(device::FailureAreaOutside);
    ResolutionOffer resolutions;
    if (!offer(&resolutions))
        return fail(device::FailureNotSupported, "no resolution list");
    const double chosen = pickResolution(resolutions, askedDpi, toAskedSize);
    // The far corner first: a top left corner beyond the old far corner may be refused.
    if (!setNumber(SANE_NAME_SCAN_BR_X, x.max) || !setNumber(SANE_NAME_SCAN_BR_Y, y.max)
        || !setNumber(SANE_NAME_SCAN_TL_X, area.left) || !setNumber(SANE_NAME_SCAN_TL_Y, area.top)
        || !setNumber(SANE_NAME_SCAN_BR_X, area.right) || !setNumber(SANE_NAME_SCAN_BR_Y, area.bottom)
        || !setNumber(SANE_NAME_SCAN_RESOLUTION, chosen))
        return fail(device::FailureOther, "the device refused the scan area or resolution");
    double used = chosen;
    number(SANE_NAME_SCAN_RESOLUTION, &used);
    const int scanDpi = int(std::lround(used));

    auto startedAt = std::chrono::steady_clock::now();
    SANE_Status status = sane_start(handleOf(m_handle));
    if (status != SANE_STATUS_GOOD) {
        cancelScan(m_handle, startedAt);
        lock.unlock();
        return failStatus(status);
    }
    // Only now are the parameters exact.
    SANE_Parameters parameters {};
    status = sane_get_parameters(handleOf(m_handle), &parameters);
    if (status != SANE_STATUS_GOOD || parameters.lines < 0 || parameters.pixels_per_line <= 0) {
        cancelScan(m_handle, startedAt);
        lock.unlock();
        if (status != SANE_STATUS_GOOD)
            return failStatus(status);
        return fail(parameters.lines < 0 ? device::FailureUnknownHeight : device::FailureOther);
    }

    const double inchesWide = (area.right - area.left) / kMmPerInch;
    const double inchesHigh = (area.bottom - area.top) / kMmPerInch;
    const int width = toAskedSize ? std::max(1, sim::Exposure::pixelsAcross(0, inchesWide, askedDpi))
                                  : parameters.pixels_per_line;
    const int height
        = toAskedSize ? std::max(1, sim::Exposure::pixelsAcross(0, inchesHigh, askedDpi)) : parameters.lines;
    LineDelivery delivery(info, width, height, toAskedSize ? 0 : scanDpi, filmBase);
    std::unique_ptr<BoxReducer> reducer;
    if (toAskedSize && (width != parameters.pixels_per_line || height != parameters.lines)) {
        reducer = std::make_unique<BoxReducer>(parameters.pixels_per_line, parameters.lines, width, height,
            [&delivery](const std::uint16_t* rgb) { return delivery.row(rgb); });
    }
    FrameAssembler assembler(
        [&](const std::uint16_t* rgb) { return reducer ? reducer->push(rgb) : delivery.row(rgb); });

    std::vector<std::uint8_t> chunk(kReadChunk);
    bool stopped = false;
    for (int frame = 0;; ++frame) {
        if (frame > 0) {
            startedAt = std::chrono::steady_clock::now();
            status = sane_start(handleOf(m_handle));
            if (status == SANE_STATUS_GOOD)
                status = sane_get_parameters(handleOf(m_handle), &parameters);
            if (status != SANE_STATUS_GOOD)
                break;
        }
        const FrameFormat format { kindOf(parameters.format), parameters.depth, parameters.bytes_per_line,
            parameters.pixels_per_line, parameters.lines, parameters.last_frame != SANE_FALSE };
        if (!assembler.beginFrame(format)) {
            cancelScan(m_handle, startedAt);
            return fail(device::FailureNotSupported, "an image format the program cannot take");
        }
        for (;;) {
            SANE_Int length = 0;
            status = sane_read(handleOf(m_handle), chunk.data(), SANE_Int(chunk.size()), &length);
            if (status != SANE_STATUS_GOOD)
                break;
            // The interface thread may list devices between two reads.
            lock.unlock();
            const bool more = assembler.feed(chunk.data(), std::size_t(std::max<SANE_Int>(0, length)));
            lock.lock();
            if (!more) {
                stopped = true;
                break;
            }
        }
        if (stopped || status != SANE_STATUS_EOF)
            break;
        lock.unlock();
        const bool ended = assembler.endFrame();
        lock.lock();
        if (!ended) {
            // The program stopped the three-pass image's delivery, or the frame came short.
            stopped = assembler.stopped();
            break;
        }
        if (format.lastFrame)
            break;
    }
    // A complete image's reader has ended; only an abandoned one needs to settle.
    if (stopped || status != SANE_STATUS_EOF || !assembler.complete())
        cancelScan(m_handle, startedAt);
    else
        sane_cancel(handleOf(m_handle));
    lock.unlock();
    if (stopped)
        return 0; // the program's own stop: no failure to report
    if (status != SANE_STATUS_EOF)
        return failStatus(status);
    if (!assembler.complete() || delivery.rows() < height)
        return fail(device::FailureIoError, "the image ended early");
    delivery.finish();

    if (filmBase) {
        m_measuredBalance = delivery.exposure().baseBalance(delivery.meter().base());
        m_baseMeasured = true;
    }
    return 1;
}

int SaneDevice::readBalance(device::BalanceRecord* record)
{
    if (!record)
        return 0;
    const std::array<std::uint16_t, 3> balance
        = m_baseMeasured ? m_measuredBalance : sim::Exposure::presetBalance(kModelCode);
    record->red = balance[0];
    record->green = balance[1];
    record->blue = balance[2];
    return 1;
}

void SaneDevice::closeDevice()
{
    if (!m_handle)
        return;
    std::lock_guard<std::mutex> lock(SaneLibrary::instance().callLock());
    sane_cancel(handleOf(m_handle));
    sane_close(handleOf(m_handle));
    m_handle = nullptr;
}

int SaneDevice::release()
{
    closeDevice();
    m_sessionOpen = false;
    if (m_holding) {
        SaneLibrary::instance().release();
        m_holding = false;
    }
    return 1;
}

} // namespace sanedev
