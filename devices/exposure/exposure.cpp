#include "exposure.h"

#include <algorithm>
#include <cmath>

namespace sim
{

namespace
{

// Noise of a CCD: a constant read noise and the photon noise, which grows with the
// square root of the signal (in counts).
constexpr double kReadNoise = 28.0;
constexpr double kPhotonNoisePerCount = 1.6;

// With the preset balance the clear parts of the window land at this share of full scale.
constexpr double kPresetLevel = 0.9;

} // namespace

std::array<std::uint16_t, 3> Exposure::presetBalance(std::uint16_t modelCode)
{
    if (modelCode == 84)
        return { 136, 143, 135 };
    return { 137, 139, 133 };
}

std::array<std::uint16_t, 3> Exposure::baseBalance(const std::array<double, 3>& base) const
{
    std::array<std::uint16_t, 3> balance {};
    for (int c = 0; c < 3; ++c) {
        const double perBalance = signalPerBalance(c, base[std::size_t(c)]);
        const double value = perBalance > 0 ? kBaseTarget / perBalance : 65535.0;
        balance[std::size_t(c)] = std::uint16_t(std::min(65535.0, std::max(1.0, std::round(value))));
    }
    return balance;
}

int Exposure::pixelsAcross(double from, double to, int dpi)
{
    return int(std::floor((to - from) * dpi + 1e-3));
}

Exposure::Exposure(const device::ScanInfo& info, bool multipass, std::uint16_t modelCode,
    const DeviceMemory::ParameterBytes& memory)
{
    const auto preset = presetBalance(modelCode);
    const auto factory = DeviceMemory::factoryParameters();
    const std::uint16_t balance[3] = { info.wColorBalanceR, info.wColorBalanceG, info.wColorBalanceB };
    const std::uint16_t high[3]
        = { info.wHighColorBalanceR, info.wHighColorBalanceG, info.wHighColorBalanceB };
    const std::uint16_t low[3] = { info.wLowColorBalanceR, info.wLowColorBalanceG, info.wLowColorBalanceB };
    const std::uint16_t gain[3] = { info.wGainFactorR, info.wGainFactorG, info.wGainFactorB };
    // Lightness 1 to 3 in the memory brightens only when the record asks for it.
    const int lightness = std::min(3, std::max(1, int(memory[15])));
    const double lightnessFactor = info.bControlHWLightness ? 1.0 + 0.25 * (lightness - 1) : 1.0;

    for (int c = 0; c < 3; ++c) {
        // A gain factor of 0 means the device's own setting, as 100 percent does.
        const double gainFactor = gain[c] == 0 ? 1.0 : gain[c] / 100.0;
        const double exposureRatio
            = double(DeviceMemory::exposureTime(memory, c)) / DeviceMemory::exposureTime(factory, c);
        const double analogGain = double(memory[std::size_t(12 + c)]) / factory[std::size_t(12 + c)];
        m_unitsPerBalance[c]
            = kPresetLevel / preset[c] * gainFactor * exposureRatio * analogGain * lightnessFactor;

        // Multipass averages a normal, a long (highlight balance) and a short
        // (shadow balance) exposure: the long one lifts the dense parts with less
        // noise, the short one keeps gradation where the others clip.
        std::vector<double> passes { double(balance[c]) };
        if (multipass) {
            passes.push_back(high[c]);
            passes.push_back(low[c]);
        }
        std::vector<std::uint32_t>& table = m_tables[c];
        table.resize(65536);
        for (int t = 0; t < 65536; ++t) {
            const double light = t / 65535.0 * m_unitsPerBalance[c] * 65535.0;
            double sum = 0;
            double variance = 0;
            bool anyUnclipped = false;
            for (double pass : passes) {
                const double signal = light * pass;
                if (signal < 65535.0) {
                    anyUnclipped = true;
                    variance += kReadNoise * kReadNoise + kPhotonNoisePerCount * signal;
                }
                sum += std::min(65535.0, signal);
            }
            const double n = double(passes.size());
            const double mean = sum / n;
            const double spread = anyUnclipped ? std::sqrt(variance) / n : 0.0;
            const std::uint32_t meanCount = std::uint32_t(std::min(65535.0, mean + 0.5));
            const std::uint32_t spreadCount = std::uint32_t(std::min(65535.0, spread + 0.5));
            table[std::size_t(t)] = meanCount | spreadCount << 16;
        }
    }
}

} // namespace sim
