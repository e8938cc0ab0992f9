#include "noisetable.h"

#include <cmath>
#include <vector>

namespace sim
{

const std::int16_t* noiseTable()
{
    static const std::vector<std::int16_t> table = [] {
        std::vector<std::int16_t> values(kNoiseTableSize);
        // A fixed seed keeps scans reproducible from run to run.
        std::uint64_t state = 0x2545F4914F6CDD1DULL;
        auto uniform = [&state] {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            return (double((state >> 11) & ((1ULL << 53) - 1)) + 0.5) / double(1ULL << 53);
        };
        const double pi = 3.14159265358979323846;
        for (int i = 0; i < kNoiseTableSize; i += 2) {
            // Box-Muller; values beyond 4 sigma are cut, as a real table would be.
            const double radius = std::sqrt(-2.0 * std::log(uniform()));
            const double angle = 2.0 * pi * uniform();
            const double a = std::fmax(-4.0, std::fmin(4.0, radius * std::cos(angle)));
            const double b = std::fmax(-4.0, std::fmin(4.0, radius * std::sin(angle)));
            values[std::size_t(i)] = std::int16_t(std::lround(a * 256.0));
            values[std::size_t(i) + 1] = std::int16_t(std::lround(b * 256.0));
        }
        return values;
    }();
    return table.data();
}

} // namespace sim
