#pragma once

#include <cstdint>

namespace sim
{

// A fixed table of normally distributed values times 256, so that the noise of
// each sample costs one load. kNoiseTableSize is a power of two.
constexpr int kNoiseTableSize = 1 << 16;
const std::int16_t* noiseTable();

} // namespace sim
