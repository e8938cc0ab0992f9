#include "devicememory.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <cstdio>
#include <cstring>

namespace sim
{

namespace
{

const char kMagic[4] = { 'K', 'S', 'M', '1' };
constexpr int kMemorySize = 4 + int(device::kScanParameterSize) + 4;

bool writeWhole(const QString& path, const char* data, qint64 size)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data, size) != size || !file.commit()) {
        std::fprintf(stderr, "TQ4100 simulator: cannot write %s: %s\n",
            qPrintable(QDir::toNativeSeparators(path)), qPrintable(file.errorString()));
        return false;
    }
    return true;
}

} // namespace

DeviceMemory::DeviceMemory()
    : m_parameters(factoryParameters())
    , m_runningVersion(kFactoryFirmwareVersion)
    , m_storedVersion(kFactoryFirmwareVersion)
{
}

DeviceMemory::ParameterBytes DeviceMemory::factoryParameters()
{
    // Exposure times and gains as a freshly calibrated unit leaves the factory.
    ParameterBytes bytes {};
    const std::uint32_t exposure[3] = { 5200, 4700, 6100 };
    for (int channel = 0; channel < 3; ++channel) {
        bytes[2 * channel] = std::uint8_t(exposure[channel] & 0xFF);
        bytes[2 * channel + 1] = std::uint8_t((exposure[channel] >> 8) & 0xFF);
        bytes[23 + 2 * channel] = std::uint8_t((exposure[channel] >> 16) & 0xFF);
        bytes[24 + 2 * channel] = std::uint8_t((exposure[channel] >> 24) & 0xFF);
        bytes[12 + channel] = 32;
    }
    bytes[15] = 1;
    return bytes;
}

std::uint32_t DeviceMemory::exposureTime(const ParameterBytes& p, int channel)
{
    const std::uint32_t low = std::uint32_t(p[2 * channel]) | std::uint32_t(p[2 * channel + 1]) << 8;
    const std::uint32_t high = std::uint32_t(p[23 + 2 * channel]) | std::uint32_t(p[24 + 2 * channel]) << 8;
    return (high << 16) | low;
}

QString DeviceMemory::folder() const
{
    if (!m_stateDir.isEmpty())
        return m_stateDir;
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
        + QStringLiteral("/Korvane/Data");
}

void DeviceMemory::load(const QString& stateDir)
{
    m_stateDir = stateDir;
    m_parameters = factoryParameters();
    m_runningVersion = m_storedVersion = kFactoryFirmwareVersion;
    QFile file(folder() + QStringLiteral("/scanner-memory.bin"));
    if (!file.exists())
        return;
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.read(kMemorySize + 1);
    if (bytes.size() != kMemorySize || std::memcmp(bytes.constData(), kMagic, 4) != 0) {
        std::fprintf(stderr, "TQ4100 simulator: %s is damaged; using the factory memory\n",
            qPrintable(QDir::toNativeSeparators(file.fileName())));
        return;
    }
    std::memcpy(m_parameters.data(), bytes.constData() + 4, m_parameters.size());
    std::memcpy(m_storedVersion.data(), bytes.constData() + 4 + m_parameters.size(), 4);
    m_runningVersion = m_storedVersion;
}

bool DeviceMemory::save(const ParameterBytes& parameters, const std::array<char, 4>& version) const
{
    const QString dir = folder();
    if (!QDir().mkpath(dir)) {
        std::fprintf(
            stderr, "TQ4100 simulator: cannot create %s\n", qPrintable(QDir::toNativeSeparators(dir)));
        return false;
    }
    char bytes[kMemorySize];
    std::memcpy(bytes, kMagic, 4);
    std::memcpy(bytes + 4, parameters.data(), parameters.size());
    std::memcpy(bytes + 4 + parameters.size(), version.data(), 4);
    return writeWhole(dir + QStringLiteral("/scanner-memory.bin"), bytes, kMemorySize);
}

bool DeviceMemory::storeParameters(const ParameterBytes& parameters)
{
    if (!save(parameters, m_storedVersion))
        return false;
    m_parameters = parameters;
    return true;
}

bool DeviceMemory::storeFirmware(const std::uint8_t* block)
{
    // Like a device that flashes and restarts, the new firmware runs from the next link.
    std::array<char, 4> version;
    std::memcpy(version.data(), block + device::kFirmwareVersionOffset, 4);
    const QString dir = folder();
    if (!QDir().mkpath(dir)
        || !writeWhole(dir + QStringLiteral("/firmware.bin"), reinterpret_cast<const char*>(block),
            qint64(device::kFirmwareBlockSize)))
        return false;
    if (!save(m_parameters, version))
        return false;
    m_storedVersion = version;
    return true;
}

} // namespace sim
