#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace sanedev
{

// Finds the film base, the clearest part of a negative, in the rows of a scan: per
// channel the level that only the brightest one percent of the samples pass, leaving
// out the samples at full scale (open light beside the film, where a holder leaves
// some).
class FilmBaseMeter
{
public:
    FilmBaseMeter();

    void add(const std::uint16_t* rgb, int width);
    // Transmittance of the base per channel, 0 to 1; 1 where nothing was measured.
    std::array<double, 3> base() const;

private:
    static constexpr int kBins = 4096;
    std::array<std::vector<std::uint32_t>, 3> m_histograms;
};

} // namespace sanedev
