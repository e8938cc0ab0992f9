#include "simulateddevice.h"

#include "exposure.h"
#include "scanrenderer.h"
#include "scene.h"
#include "scenelayout.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

namespace sim
{

namespace
{

// Area edges may stray this far (inches) outside the window: the program computes
// them in double precision and hands them over as floats.
constexpr double kAreaTolerance = 1e-4;
constexpr int kMaxDpi = 10000;
// A block never grows beyond this, whatever nMaxScanLine asks for.
constexpr std::size_t kMaxBlockBytes = std::size_t(64) << 20;

const char kProductName[] = "TQ4100 Film Scanner (simulated)";
const char kSerialNumber[] = "SIM0000001";
const char kVendorName[] = "Korvane";

} // namespace

SimulatedDevice& SimulatedDevice::instance()
{
    static SimulatedDevice device;
    return device;
}

SimulatedDevice::SimulatedDevice()
    : m_settings(SimulatorSettings::fromEnvironment())
{
    m_memory.load(m_settings.stateDir);
}

int SimulatedDevice::command(int code, void* data)
{
    switch (code) {
    case device::CmdInitialise:
        return initialise();
    case device::CmdRelease: {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_sessionOpen = false;
        return 1;
    }
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
        return getParameters(static_cast<std::uint8_t*>(data));
    case device::CmdSetScanParameter:
        return setParameters(static_cast<const std::uint8_t*>(data));
    case device::CmdServiceRecord:
        return 1; // the service record asks nothing of the simulator
    case device::CmdFirmwareWrite:
        return writeFirmware(static_cast<const std::uint8_t*>(data));
    default:
        return 0;
    }
}

int SimulatedDevice::initialise()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_settings = SimulatorSettings::fromEnvironment();
    m_memory.load(m_settings.stateDir);
    m_initialised = true;
    m_sessionOpen = false;
    m_polls = 0;
    m_unplugged = false;
    m_sessionToken.fill(0);
    m_baseMeasured = false;
    return 1;
}

int SimulatedDevice::prepareSession(device::PrepareSessionRecord* record)
{
    if (!record || !record->sessionBuffer || record->sessionBufferSize < device::kSessionBufferSize)
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_initialised)
        return 0;
    // A session key that command 3 must hand back; it changes with every link.
    static std::uint32_t sessions = 0;
    ++sessions;
    m_sessionToken.fill(0);
    std::memcpy(m_sessionToken.data(), "TQ41", 4);
    for (int i = 0; i < 4; ++i)
        m_sessionToken[std::size_t(4 + i)] = std::uint8_t(sessions >> (8 * i));
    m_sessionToken[8] = std::uint8_t(m_settings.modelCode);
    m_sessionToken[9] = std::uint8_t(m_settings.modelCode >> 8);
    std::memcpy(record->sessionBuffer, m_sessionToken.data(), m_sessionToken.size());
    return 1;
}

int SimulatedDevice::openSession(const device::SessionRecord* record)
{
    if (!record || !record->sessionBuffer)
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_settings.failLink || m_sessionToken[0] == 0
        || std::memcmp(record->sessionBuffer, m_sessionToken.data(), m_sessionToken.size()) != 0)
        return 0;
    m_sessionOpen = true;
    return 1;
}

int SimulatedDevice::activateSession(const device::SessionRecord* record)
{
    if (!record)
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sessionOpen ? 1 : 0;
}

int SimulatedDevice::deviceInfo(device::DeviceInfoRecord* record)
{
    // The size byte protects a caller whose record is not the size the device writes.
    if (!record || record->recordSize != device::kDeviceInfoSize)
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    std::memset(record, 0, sizeof *record);
    record->recordSize = std::uint8_t(device::kDeviceInfoSize);
    std::memcpy(record->product, kProductName, std::min(sizeof record->product, sizeof kProductName - 1));
    std::memcpy(record->vendor, kVendorName, sizeof kVendorName - 1);
    std::memcpy(record->firmwareVersion, m_memory.firmwareVersion(), 4);
    std::memcpy(record->reserved1, kSerialNumber, sizeof kSerialNumber - 1);
    record->modelCode = m_settings.modelCode;
    return 1;
}

int SimulatedDevice::status(device::StatusRecord* record)
{
    if (!record)
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    const int poll = ++m_polls;
    std::uint8_t bits = 0;
    if (!m_unplugged && m_settings.presentAt(poll)) {
        bits |= device::kStatusPresent;
        if (m_settings.keyDownAt(poll))
            bits |= device::kStatusScanKey;
    }
    record->statusBits = bits;
    return 1;
}

std::shared_ptr<const Scene> SimulatedDevice::sceneFor(FilmModel::Media media)
{
    const bool slide = m_settings.holder == SimulatorSettings::Holder::Slide;
    if (!m_scene || m_scene->media() != media || m_scene->imagePath() != m_settings.imagePath
        || m_scene->slideHolder() != slide) {
        // Drop the old scene first, so that two never live at once.
        m_scene.reset();
        m_scene = std::make_shared<const Scene>(media, m_settings.imagePath, slide);
    }
    return m_scene;
}

int SimulatedDevice::scan(device::ScanOptionRecord* record)
{
    using namespace layout;
    if (!record)
        return 0;
    const std::uint32_t option = record->dwOptionType;
    if (option != device::kOptionNormal && option != device::kOptionMultipass
        && option != device::kOptionFilmBase)
        return 0;
    const device::ScanInfo info = record->ScanInfoArray[0];
    const device::LineCallback callback = info.pLineCallback;
    const double left = info.fScanAreaLeft;
    const double top = info.fScanAreaTop;
    const double right = info.fScanAreaRight;
    const double bottom = info.fScanAreaBottom;
    if (!callback || info.nDPI < 1 || info.nDPI > kMaxDpi || info.nScanColorMode != device::PixelRgb16
        || info.nMaxScanLine < 1)
        return 0;
    if (!std::isfinite(left) || !std::isfinite(top) || !std::isfinite(right) || !std::isfinite(bottom)
        || left < -kAreaTolerance || top < -kAreaTolerance || right > kWindowWidth + kAreaTolerance
        || bottom > kWindowHeight + kAreaTolerance || left >= right || top >= bottom)
        return 0;
    const int dpi = info.nDPI;
    const int width = Exposure::pixelsAcross(left, right, dpi);
    const int height = Exposure::pixelsAcross(top, bottom, dpi);
    if (width < 1 || height < 1)
        return 0;

    std::shared_ptr<const Scene> scene;
    std::uint16_t modelCode = 0;
    int blockDelayMs = 0;
    int unplugAfterBlocks = 0;
    DeviceMemory::ParameterBytes memory;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_settings.failScan || m_unplugged)
            return 0;
        if (info.bPrescan == 0 && option != device::kOptionFilmBase)
            unplugAfterBlocks = m_settings.unplugAfterBlocks;
        scene = sceneFor(FilmModel::mediaFromCode(info.bFilmMediaType));
        modelCode = m_settings.modelCode;
        blockDelayMs = m_settings.blockDelayMs;
        memory = m_memory.parameters();
    }

    const Exposure exposure(info, option == device::kOptionMultipass, modelCode, memory);
    ScanRenderer renderer(*scene, exposure, std::max(0.0, left), std::max(0.0, top), dpi, width, height);
    const std::size_t rowSamples = std::size_t(width) * 3;
    const int blockLines = int(std::min<std::size_t>({ std::size_t(info.nMaxScanLine), std::size_t(height),
        std::max<std::size_t>(1, kMaxBlockBytes / (rowSamples * 2)) }));
    std::vector<std::uint16_t> block(rowSamples * std::size_t(blockLines));

    device::LineRecord line {};
    int blocks = 0;
    for (int first = 0; first < height; first += blockLines) {
        if (unplugAfterBlocks > 0 && blocks == unplugAfterBlocks) {
            // Gone in the middle of the image: no end record, and no answer from now on.
            std::lock_guard<std::mutex> lock(m_mutex);
            m_unplugged = true;
            return 0;
        }
        ++blocks;
        const int lines = std::min(blockLines, height - first);
        renderer.render(first, lines, block.data());
        if (blockDelayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(blockDelayMs));
        line = device::LineRecord {};
        line.pixelFormat = device::PixelRgb16;
        line.pixelsPerLine = width;
        line.imageLines = height;
        line.linesDelivered = lines;
        line.lines = reinterpret_cast<const std::uint8_t*>(block.data());
        callback(&line);
        if (line.stopFlag == 1)
            return 0; // stopped by the program: the image is not complete
    }
    line = device::LineRecord {};
    line.pixelFormat = device::PixelRgb16;
    line.pixelsPerLine = width;
    line.imageLines = height;
    line.lines = reinterpret_cast<const std::uint8_t*>(block.data());
    callback(&line);

    if (option == device::kOptionFilmBase) {
        // The balance that brings the film's base to the target level, as the
        // device works it out from the border it has just seen.
        const FilmModel film(scene->media());
        const FilmModel::Rgb base = film.base();
        const std::array<std::uint16_t, 3> balance = exposure.baseBalance({ { base[0], base[1], base[2] } });
        std::lock_guard<std::mutex> lock(m_mutex);
        m_measuredBalance = balance;
        m_baseMeasured = true;
    }
    return 1;
}

int SimulatedDevice::readBalance(device::BalanceRecord* record)
{
    if (!record)
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::array<std::uint16_t, 3> balance
        = m_baseMeasured ? m_measuredBalance : Exposure::presetBalance(m_settings.modelCode);
    record->red = balance[0];
    record->green = balance[1];
    record->blue = balance[2];
    return 1;
}

int SimulatedDevice::getParameters(std::uint8_t* record)
{
    if (!record)
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    std::memcpy(record, m_memory.parameters().data(), device::kScanParameterSize);
    return 1;
}

int SimulatedDevice::setParameters(const std::uint8_t* record)
{
    if (!record)
        return 0;
    DeviceMemory::ParameterBytes parameters;
    std::memcpy(parameters.data(), record, parameters.size());
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_memory.storeParameters(parameters) ? 1 : 0;
}

int SimulatedDevice::writeFirmware(const std::uint8_t* block)
{
    if (!block)
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_memory.storeFirmware(block) ? 1 : 0;
}

} // namespace sim
