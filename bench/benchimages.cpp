#include "benchimages.h"

#include <stimage.h>

#include <algorithm>
#include <cmath>

namespace bench
{

Image16 makeTestImage(int width, int height, std::uint32_t seed)
{
    Image16 image;
    image.width = width;
    image.height = height;
    image.samples.resize(std::size_t(width) * height * 3);
    if (width <= 0 || height <= 0)
        return image;

    // Smooth fields as the sum of a column and a row profile per channel: cheap and
    // still two-dimensional in effect.
    std::vector<float> across(std::size_t(width) * 3), down(std::size_t(height) * 3);
    const double pi = 3.14159265358979;
    for (int x = 0; x < width; ++x) {
        const double u = double(x) / width;
        for (int c = 0; c < 3; ++c)
            across[std::size_t(x) * 3 + c] = float(
                9000 + 14000 * u * (c + 1) / 3 + 5000 * std::sin(2 * pi * (u * (1.5 + c) + 0.1 * seed)));
    }
    for (int y = 0; y < height; ++y) {
        const double v = double(y) / height;
        for (int c = 0; c < 3; ++c)
            down[std::size_t(y) * 3 + c]
                = float(8000 + 12000 * (1 - v) * (3 - c) / 3 + 4000 * std::cos(2 * pi * v * (2.0 + c)));
    }

    // Hard-edged shapes: discs and rectangles with their own colours.
    struct Shape {
        bool disc;
        double cx, cy, rx, ry;
        std::uint16_t colour[3];
    };
    const Shape shapes[] = {
        { true, 0.30, 0.35, 0.12, 0.0, { 52000, 12000, 9000 } },
        { false, 0.62, 0.55, 0.10, 0.20, { 6000, 30000, 54000 } },
        { true, 0.78, 0.25, 0.07, 0.0, { 60000, 58000, 41000 } },
        { false, 0.15, 0.80, 0.12, 0.06, { 2500, 2600, 2400 } },
        { true, 0.50, 0.85, 0.05, 0.0, { 20000, 47000, 15000 } },
    };

    // Noise of about 1 % of full scale from a table, each row starting at its own
    // place: as irregular to the eye as fresh random numbers, at a fraction of the cost.
    std::uint32_t state = 0x9E3779B9u ^ (seed * 0x85EBCA6Bu) ^ std::uint32_t(width * 31 + height);
    constexpr std::uint32_t kNoiseSize = 1u << 16;
    std::vector<std::int16_t> noise(kNoiseSize);
    for (std::int16_t& value : noise) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        value = std::int16_t(int(state & 1023) - 512);
    }
    for (int y = 0; y < height; ++y) {
        std::uint16_t* row = image.samples.data() + std::size_t(y) * width * 3;
        const float* d = down.data() + std::size_t(y) * 3;
        for (int x = 0; x < width; ++x) {
            const float* a = across.data() + std::size_t(x) * 3;
            for (int c = 0; c < 3; ++c)
                row[x * 3 + c] = std::uint16_t(a[c] + d[c]);
        }
        const double v = double(y) / height;
        for (const Shape& shape : shapes) {
            double left = 0, right = 0;
            if (shape.disc) {
                // Radius in units of the height, so discs stay round.
                const double dy = (v - shape.cy) * height;
                const double r = shape.rx * height;
                if (std::abs(dy) >= r)
                    continue;
                const double half = std::sqrt(r * r - dy * dy);
                left = shape.cx * width - half;
                right = shape.cx * width + half;
            } else {
                if (std::abs(v - shape.cy) >= shape.ry)
                    continue;
                left = (shape.cx - shape.rx) * width;
                right = (shape.cx + shape.rx) * width;
            }
            const int from = std::max(0, int(left));
            const int to = std::min(width, int(right));
            for (int x = from; x < to; ++x)
                for (int c = 0; c < 3; ++c)
                    row[x * 3 + c]
                        = std::uint16_t((row[x * 3 + c] >> 3) + shape.colour[c] - (shape.colour[c] >> 3));
        }
        std::uint32_t offset = std::uint32_t(y) * 2654435761u ^ seed * 40503u;
        offset ^= offset >> 15;
        for (int i = 0; i < width * 3; ++i) {
            const int value = int(row[i]) + noise[(offset + std::uint32_t(i)) & (kNoiseSize - 1)];
            row[i] = std::uint16_t(std::min(65535, std::max(0, value)));
        }
    }
    return image;
}

const Image16& standardImage3600()
{
    static const Image16 image = makeTestImage(5173, 3445, 3600);
    return image;
}

const Image16& standardImage5000()
{
    static const Image16 image = makeTestImage(7185, 4785, 5000);
    return image;
}

const STImage& standardPrescan()
{
    static const STImage image = [] {
        const Image16 source = makeTestImage(431, 287, 7);
        STImage result;
        result.setData(431, 287, 16, 3, source.samples.data(), source.bytes());
        return result;
    }();
    return image;
}

} // namespace bench
