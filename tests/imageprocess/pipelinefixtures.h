#pragma once

// Pictures and film-term tables for the pipeline tests.

#include <cip_filmterms.h>
#include <processingsteps.h>
#include <stimage.h>

#include <array>
#include <cmath>
#include <vector>

namespace
{

// A film frame as the prescan sees it: a dark holder around a picture with a colour
// gradient and some texture, so that every analysis has something to find.
STImage filmFrame(std::uint32_t width, std::uint32_t height, std::uint32_t bits)
{
    STImage image = STImage::zeroed(width, height, bits, 3);
    const double full = bits == 8 ? 255.0 : 65535.0;
    const std::uint32_t border = width / 12;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const bool holder = x < border || y < border || x >= width - border || y >= height - border;
            double r = 0.02, g = 0.02, b = 0.02;
            if (!holder) {
                const double u = double(x) / width;
                const double v = double(y) / height;
                const double texture = 0.05 * std::sin(double(x * 7 + y * 3));
                r = 0.25 + 0.45 * u + texture;
                g = 0.30 + 0.35 * v + texture;
                b = 0.20 + 0.30 * (1.0 - u) + texture;
            }
            image.setRed(x, y, std::uint32_t(r * full));
            image.setGreen(x, y, std::uint32_t(g * full));
            image.setBlue(x, y, std::uint32_t(b * full));
        }
    }
    return image;
}

// Ten film-term tables that each change the samples in their own way.
struct FilmTerms {
    std::array<CIP_FilmTermTable, ProcessingSteps::kFilmTermTables> tables;

    FilmTerms()
    {
        std::vector<std::uint16_t> red(65536), green(65536), blue(65536);
        for (int t = 0; t < ProcessingSteps::kFilmTermTables; ++t) {
            for (int i = 0; i < 65536; ++i) {
                red[std::size_t(i)] = std::uint16_t((i * (t + 3) / 4 + t * 97) & 0xFFFF);
                green[std::size_t(i)] = std::uint16_t(65535 - i);
                blue[std::size_t(i)] = std::uint16_t(std::min(65535, i + 1000 * t));
            }
            tables[std::size_t(t)].setTables(red.data(), green.data(), blue.data());
        }
    }

    std::array<const CIP_FilmTermTable*, ProcessingSteps::kFilmTermTables> pointers() const
    {
        std::array<const CIP_FilmTermTable*, ProcessingSteps::kFilmTermTables> result {};
        for (std::size_t t = 0; t < result.size(); ++t)
            result[t] = &tables[t];
        return result;
    }
};

} // namespace
