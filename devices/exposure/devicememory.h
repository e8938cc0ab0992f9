#pragma once

#include "devicerecords.h"

#include <QString>
#include <array>
#include <cstdint>

namespace sim
{

// The scanner's own memory: its scan parameters and the version of the firmware it
// runs, kept between runs in "scanner-memory.bin" (and the last firmware block in
// "firmware.bin") in the user's data folder, or in KORVANE_SIM_STATE_DIR. Each write
// replaces the file whole, so a failed write leaves the previous memory in place.
class DeviceMemory
{
public:
    using ParameterBytes = std::array<std::uint8_t, device::kScanParameterSize>;

    DeviceMemory();

    // Reads the memory from stateDir (empty: the user's data folder); a missing or
    // damaged file gives the factory memory, a damaged one with a message on stderr.
    void load(const QString& stateDir);

    const ParameterBytes& parameters() const { return m_parameters; }
    // The version of the firmware running now; a stored firmware runs from the next load.
    const char* firmwareVersion() const { return m_runningVersion.data(); }

    // False when the memory could not be written; it then stays as it was.
    bool storeParameters(const ParameterBytes& parameters);
    bool storeFirmware(const std::uint8_t* block); // kFirmwareBlockSize bytes

    static ParameterBytes factoryParameters();
    static std::uint32_t exposureTime(const ParameterBytes& parameters, int channel);
    static constexpr std::array<char, 4> kFactoryFirmwareVersion { { '2', '.', '0', '7' } };

private:
    bool save(const ParameterBytes& parameters, const std::array<char, 4>& storedVersion) const;
    QString folder() const;

    QString m_stateDir;
    ParameterBytes m_parameters;
    std::array<char, 4> m_runningVersion;
    std::array<char, 4> m_storedVersion; // as in the file
};

} // namespace sim
