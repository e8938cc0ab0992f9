#pragma once

#include "devicememory.h"
#include "devicerecords.h"

#include <array>
#include <cstdint>
#include <vector>

namespace sim
{

// What the CCD makes of the light: for every transmittance (0 to 65535) and
// channel, the mean signal and the spread of its noise, from the scan record's
// colour balance, multipass balances and gains, and the exposure times and gains
// in the device's memory. The signal is linear in the light and clips at 65535.
class Exposure
{
public:
    // The balance that brings the film's clearest part to the signal kBaseTarget.
    static constexpr double kBaseTarget = 0.85;

    Exposure(const device::ScanInfo& info, bool multipass, std::uint16_t modelCode,
        const DeviceMemory::ParameterBytes& memory);

    // Mean in the low 16 bits, noise spread (in 1/256 of a count per unit of the
    // noise table) in the high 16 bits.
    const std::uint32_t* table(int channel) const { return m_tables[std::size_t(channel)].data(); }

    // Signal, relative to full scale and before clipping, of transmittance t
    // (0 to 1) per unit of colour balance.
    double signalPerBalance(int channel, double t) const
    {
        return t * m_unitsPerBalance[std::size_t(channel)];
    }

    // The presets of the device colour balance for a model code.
    static std::array<std::uint16_t, 3> presetBalance(std::uint16_t modelCode);

    // The balance that brings a film base of these transmittances (0 to 1) to
    // kBaseTarget, as the device works it out after a film-base scan.
    std::array<std::uint16_t, 3> baseBalance(const std::array<double, 3>& base) const;

    // Pixels across an area edge to edge at dpi. The small allowance keeps 1.437
    // inches at 5000 dpi at 7185 pixels although the float is slightly off.
    static int pixelsAcross(double from, double to, int dpi);

private:
    std::array<double, 3> m_unitsPerBalance; // full scales per unit of balance and of transmittance
    std::array<std::vector<std::uint32_t>, 3> m_tables;
};

} // namespace sim
