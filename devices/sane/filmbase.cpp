#include "filmbase.h"

namespace sanedev
{

namespace
{

constexpr int kShift = 4; // 65536 levels into kBins bins
constexpr double kBrightestShare = 0.01;
// Samples from this bin up are open light or clipped, not film.
constexpr int kOpenBin = 4096 * 98 / 100;

} // namespace

FilmBaseMeter::FilmBaseMeter()
{
    for (auto& histogram : m_histograms)
        histogram.assign(kBins, 0);
}

void FilmBaseMeter::add(const std::uint16_t* rgb, int width)
{
    for (int x = 0; x < width; ++x, rgb += 3) {
        for (int c = 0; c < 3; ++c)
            ++m_histograms[std::size_t(c)][std::size_t(rgb[c] >> kShift)];
    }
}

std::array<double, 3> FilmBaseMeter::base() const
{
    std::array<double, 3> result { { 1.0, 1.0, 1.0 } };
    for (std::size_t c = 0; c < 3; ++c) {
        const std::vector<std::uint32_t>& histogram = m_histograms[c];
        std::uint64_t film = 0;
        for (int bin = 0; bin < kOpenBin; ++bin)
            film += histogram[std::size_t(bin)];
        if (film == 0)
            continue;
        const std::uint64_t wanted = std::uint64_t(double(film) * kBrightestShare) + 1;
        std::uint64_t seen = 0;
        for (int bin = kOpenBin - 1; bin >= 0; --bin) {
            seen += histogram[std::size_t(bin)];
            if (seen >= wanted) {
                result[c] = ((bin << kShift) + (1 << (kShift - 1))) / 65535.0;
                break;
            }
        }
    }
    return result;
}

} // namespace sanedev
