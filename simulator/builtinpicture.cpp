#include "pictureraster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace sim
{

namespace
{

using Rgb = float[3];

float smoothstep(float edge0, float edge1, float x)
{
    const float t = std::min(1.0f, std::max(0.0f, (x - edge0) / (edge1 - edge0)));
    return t * t * (3.0f - 2.0f * t);
}

void mix(float* out, const float* a, const float* b, float t)
{
    for (int c = 0; c < 3; ++c)
        out[c] = a[c] + (b[c] - a[c]) * t;
}

// Cheap deterministic value noise for texture: a hash of integer lattice points,
// smoothly interpolated.
float hash2(int x, int y)
{
    std::uint32_t h = std::uint32_t(x) * 374761393u + std::uint32_t(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return float((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}

float valueNoise(float x, float y)
{
    const int ix = int(std::floor(x));
    const int iy = int(std::floor(y));
    const float fx = x - float(ix);
    const float fy = y - float(iy);
    const float sx = fx * fx * (3 - 2 * fx);
    const float sy = fy * fy * (3 - 2 * fy);
    const float a = hash2(ix, iy), b = hash2(ix + 1, iy), c = hash2(ix, iy + 1), d = hash2(ix + 1, iy + 1);
    return a + (b - a) * sx + (c - a) * sy + (a - b - c + d) * sx * sy;
}

void assign(float* out, const float* colour)
{
    for (int c = 0; c < 3; ++c)
        out[c] = colour[c];
}

} // namespace

PictureRaster renderBuiltinPicture(int width, int height)
{
    PictureRaster picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.resize(std::size_t(width) * height * 3);
    if (width <= 0 || height <= 0)
        return picture;

    const Rgb skyTop = { 0.05f, 0.13f, 0.42f };
    const Rgb skyHorizon = { 0.50f, 0.62f, 0.80f };
    const Rgb mountainNear = { 0.16f, 0.20f, 0.27f };
    const Rgb mountainFar = { 0.32f, 0.38f, 0.48f };
    const Rgb meadowNear = { 0.05f, 0.16f, 0.02f };
    const Rgb meadowFar = { 0.18f, 0.36f, 0.07f };
    const Rgb barn = { 0.52f, 0.06f, 0.035f };
    const Rgb roof = { 0.09f, 0.08f, 0.08f };
    const Rgb door = { 0.85f, 0.83f, 0.78f };
    const Rgb foliage = { 0.03f, 0.11f, 0.025f };
    const Rgb trunk = { 0.12f, 0.07f, 0.03f };
    const Rgb water = { 0.10f, 0.22f, 0.38f };
    const Rgb sun = { 1.0f, 0.97f, 0.88f };
    const float aspect = float(width) / float(height);

    // The ridge lines depend only on the column.
    std::vector<float> ridge(width), meadowLine(width);
    for (int x = 0; x < width; ++x) {
        const float u = (float(x) + 0.5f) / float(width);
        ridge[x] = 0.43f + 0.06f * std::sin(7.0f * u + 0.4f) + 0.03f * std::sin(19.0f * u + 1.3f)
            + 0.012f * std::sin(53.0f * u);
        meadowLine[x] = 0.60f + 0.018f * std::sin(5.0f * u + 2.0f);
    }

    for (int y = 0; y < height; ++y) {
        const float v = (float(y) + 0.5f) / float(height);
        float* out = picture.rgb.data() + std::size_t(y) * width * 3;
        for (int x = 0; x < width; ++x, out += 3) {
            const float u = (float(x) + 0.5f) / float(width);
            float colour[3];
            // Sky, a sun with its glow.
            mix(colour, skyTop, skyHorizon, smoothstep(0.0f, ridge[x], v));
            const float du = (u - 0.78f) * aspect;
            const float dv = v - 0.18f;
            const float r = std::sqrt(du * du + dv * dv);
            const float glow = 0.35f * std::exp(-r * 9.0f);
            for (int c = 0; c < 3; ++c)
                colour[c] += glow * sun[c];
            if (r < 0.055f)
                mix(colour, colour, sun, smoothstep(0.055f, 0.050f, r));
            // Mountains, hazier towards their tops.
            if (v > ridge[x]) {
                mix(colour, mountainNear, mountainFar, smoothstep(meadowLine[x], ridge[x], v));
                const float rock = valueNoise(u * 60.0f, v * 40.0f);
                for (int c = 0; c < 3; ++c)
                    colour[c] *= 0.85f + 0.3f * rock;
            }
            // The meadow, with grass texture.
            if (v > meadowLine[x]) {
                mix(colour, meadowFar, meadowNear, smoothstep(meadowLine[x], 1.0f, v));
                const float grass
                    = valueNoise(u * 400.0f, v * 90.0f) * 0.6f + valueNoise(u * 40.0f, v * 20.0f) * 0.4f;
                for (int c = 0; c < 3; ++c)
                    colour[c] *= 0.6f + 0.8f * grass;
            }
            // A lake reflecting the sky.
            const float lu = (u - 0.63f) / 0.20f;
            const float lv = (v - 0.82f) / 0.07f;
            if (lu * lu + lv * lv < 1.0f) {
                mix(colour, water, skyHorizon, 0.25f + 0.2f * std::sin(v * 300.0f) * std::sin(u * 37.0f));
            }
            // A tree on its trunk.
            if (u > 0.432f && u < 0.448f && v > 0.58f && v < 0.70f)
                assign(colour, trunk);
            const float tu = (u - 0.44f) * aspect;
            const float tv = v - 0.53f;
            if (tu * tu + tv * tv < 0.07f * 0.07f) {
                const float leaves = valueNoise(u * 300.0f, v * 200.0f);
                for (int c = 0; c < 3; ++c)
                    colour[c] = foliage[c] * (0.5f + leaves);
            }
            // The barn with its roof and a white door: hard, straight edges.
            if (u > 0.17f && u < 0.33f && v > 0.56f && v < 0.74f) {
                assign(colour, barn);
                if (u > 0.23f && u < 0.27f && v > 0.64f)
                    assign(colour, door);
            }
            const float roofHeight = 0.09f * (1.0f - std::abs(u - 0.25f) / 0.09f);
            if (v <= 0.56f && v > 0.56f - roofHeight)
                assign(colour, roof);
            for (int c = 0; c < 3; ++c)
                out[c] = std::min(1.0f, std::max(0.0f, colour[c]));
        }
    }
    return picture;
}

} // namespace sim
