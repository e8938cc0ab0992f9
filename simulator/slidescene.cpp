#include "slidescene.h"

#include "filmmodel.h"
#include "scenelayout.h"

#include <algorithm>
#include <cmath>

namespace sim
{

namespace
{

// Where the parts of the slide lie in the window, in inches.
constexpr double kLabelRight = 0.300; // frosted label end of the slide
constexpr double kCoverLeft = 0.380;
constexpr double kCoverTop = 0.060;
constexpr double kCoverRight = 1.330;
constexpr double kCoverBottom = 0.900;
constexpr double kCoverEdge = 0.006; // the cover slip's edge bends the light away
constexpr double kSectionX = 0.850;
constexpr double kSectionY = 0.480;
constexpr double kSectionRadiusX = 0.360;
constexpr double kSectionRadiusY = 0.300;
constexpr double kLobule = 0.055; // one lobule, about 1.4 mm

std::uint32_t hash(std::int32_t x, std::int32_t y, std::uint32_t seed)
{
    std::uint32_t h = std::uint32_t(x) * 0x8da6b343u ^ std::uint32_t(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x85ebca6bu;
    h ^= h >> 16;
    return h;
}

float unit(std::uint32_t h)
{
    return float(h & 0xFFFFFF) / float(0xFFFFFF);
}

// Smooth value noise, 0 to 1, one lattice cell per unit.
float valueNoise(double x, double y, std::uint32_t seed)
{
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const auto ix = std::int32_t(fx);
    const auto iy = std::int32_t(fy);
    const auto smooth = [](double t) { return float(t * t * (3 - 2 * t)); };
    const float sx = smooth(x - fx);
    const float sy = smooth(y - fy);
    const float a = unit(hash(ix, iy, seed));
    const float b = unit(hash(ix + 1, iy, seed));
    const float c = unit(hash(ix, iy + 1, seed));
    const float d = unit(hash(ix + 1, iy + 1, seed));
    return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

// Several octaves of value noise, 0 to 1.
float fractalNoise(double x, double y, int octaves, std::uint32_t seed)
{
    float sum = 0;
    float weight = 0.5f;
    float total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += weight * valueNoise(x, y, seed + std::uint32_t(o));
        total += weight;
        x *= 2.03;
        y *= 2.03;
        weight *= 0.5f;
    }
    return sum / total;
}

// Distances to the nearest and second-nearest lobule centre (in lobules) and the
// nearest one's hash.
struct Cells {
    double first = 10;
    double second = 10;
    std::uint32_t id = 0;
};

Cells lobules(double x, double y)
{
    const auto cx = std::int32_t(std::floor(x));
    const auto cy = std::int32_t(std::floor(y));
    Cells cells;
    for (std::int32_t j = cy - 1; j <= cy + 1; ++j) {
        for (std::int32_t i = cx - 1; i <= cx + 1; ++i) {
            const std::uint32_t h = hash(i, j, 7);
            const double px = i + 0.15 + 0.7 * unit(h);
            const double py = j + 0.15 + 0.7 * unit(h >> 8 | h << 24);
            const double d = std::hypot(x - px, y - py);
            if (d < cells.first) {
                cells.second = cells.first;
                cells.first = d;
                cells.id = h;
            } else if (d < cells.second) {
                cells.second = d;
            }
        }
    }
    return cells;
}

// Stain amounts (eosin, hematoxylin) of the section at a point; both 0 outside it.
void stains(double x, double y, float* eosin, float* hematoxylin)
{
    *eosin = 0;
    *hematoxylin = 0;
    const double dx = (x - kSectionX) / kSectionRadiusX;
    const double dy = (y - kSectionY) / kSectionRadiusY;
    // A ragged outline: the knife and the floating section leave no clean ellipse.
    const double reach = 1.0 - 0.28 * (fractalNoise(x * 9, y * 9, 4, 1) - 0.5) * 2;
    const double r = std::hypot(dx, dy) / reach;
    if (r >= 1.0)
        return;

    const Cells cells = lobules(x / kLobule, y / kLobule);
    const double septum = cells.second - cells.first; // 0 on a border between lobules
    float e = 0.55f + 0.5f * (fractalNoise(x * 40, y * 40, 3, 2) - 0.5f);
    float h = 0.08f;
    // Septa: connective tissue, denser pink, with lined-up nuclei.
    if (septum < 0.10) {
        const float s = float(1.0 - septum / 0.10);
        e += 0.35f * s;
        h += 0.45f * s;
    }
    // Nuclei: dots a little smaller than a pixel at 1200 dpi, thicker towards the septa.
    const double nx = x / 0.0022;
    const double ny = y / 0.0022;
    const float dots = unit(hash(std::int32_t(std::floor(nx)), std::int32_t(std::floor(ny)), 3));
    const float crowd = 0.18f + 0.4f * float(std::max(0.0, 0.25 - septum) / 0.25);
    if (dots < crowd)
        h += 0.9f + 0.6f * unit(hash(std::int32_t(nx * 3), std::int32_t(ny * 3), 4));
    // About one lobule in seven holds a vessel: a clear lumen in a dark ring of cells.
    if ((cells.id >> 24) % 7 == 0) {
        const double lumen = 0.16 + 0.12 * unit(cells.id >> 4);
        if (cells.first < lumen) {
            e = 0.04f;
            h = 0.0f;
        } else if (cells.first < lumen + 0.05) {
            e += 0.3f;
            h += 0.9f;
        }
    }
    // The rim curls and folds, so it takes up more stain.
    if (r > 0.93)
        e += float((r - 0.93) / 0.07) * 0.6f;
    *eosin = std::max(0.0f, e);
    *hematoxylin = std::max(0.0f, h);
}

} // namespace

void slideTransmittance(double x, double y, float* rgb)
{
    float glass[3] = { 0.93f, 0.93f, 0.92f };
    // Dust on the glass: a few dark specks.
    const double gx = x / 0.004;
    const double gy = y / 0.004;
    if (unit(hash(std::int32_t(std::floor(gx)), std::int32_t(std::floor(gy)), 11)) < 0.0015f)
        for (float& g : glass)
            g *= 0.35f;

    if (x < kLabelRight) {
        // Frosted glass scatters most of the light; pencil strokes block the rest.
        const float frost = 0.28f + 0.06f * valueNoise(x / 0.002, y / 0.002, 12);
        const double u = (x - 0.08) / 0.18;
        const double v = (y - 0.25) / 0.45;
        bool pencil = false;
        if (u > 0 && u < 1 && v > 0 && v < 1) {
            // Three handwritten lines of marks.
            const double line = std::fmod(v * 3, 1.0);
            const double stroke = valueNoise(u * 14, std::floor(v * 3) * 5, 13);
            pencil = line > 0.3 && line < 0.55 && stroke > 0.45;
        }
        for (int c = 0; c < 3; ++c)
            rgb[c] = glass[c] * frost * (pencil ? 0.3f : 1.0f);
        return;
    }

    const bool covered = x >= kCoverLeft && x < kCoverRight && y >= kCoverTop && y < kCoverBottom;
    if (!covered) {
        for (int c = 0; c < 3; ++c)
            rgb[c] = glass[c];
        return;
    }
    const double edge = std::min({ x - kCoverLeft, kCoverRight - x, y - kCoverTop, kCoverBottom - y });
    // The mounting medium under the cover slip is faintly yellow.
    const float medium[3] = { 0.99f, 0.98f, 0.93f };
    float eosin = 0;
    float hematoxylin = 0;
    stains(x, y, &eosin, &hematoxylin);
    // Beer-Lambert: eosin takes green and some blue, hematoxylin red and green.
    constexpr float kEosin[3] = { 0.10f, 1.05f, 0.40f };
    constexpr float kHematoxylin[3] = { 0.95f, 1.00f, 0.30f };
    for (int c = 0; c < 3; ++c) {
        const float density = eosin * kEosin[c] + hematoxylin * kHematoxylin[c];
        rgb[c] = glass[c] * medium[c] * std::exp(-density) * (edge < kCoverEdge ? 0.7f : 1.0f);
    }
}

void renderSlideScene(int width, int height, int dpi, std::uint16_t* samples)
{
    using namespace layout;
    for (int y = 0; y < height; ++y) {
        const double cy = (y + 0.5) / dpi;
        const double ny = (cy - kWindowHeight / 2) / (kWindowHeight / 2);
        std::uint16_t* out = samples + std::size_t(y) * width * 3;
        for (int x = 0; x < width; ++x, out += 3) {
            const double cx = (x + 0.5) / dpi;
            float t[3] = { FilmModel::kHolder, FilmModel::kHolder, FilmModel::kHolder };
            if (cx >= kOpeningLeft && cx < kOpeningRight && cy >= kOpeningTop && cy < kOpeningBottom)
                slideTransmittance(cx, cy, t);
            const double nx = (cx - kWindowWidth / 2) / (kWindowWidth / 2);
            const float lamp = float(1.0 - 0.04 * (nx * nx + ny * ny) / 2);
            for (int c = 0; c < 3; ++c) {
                const float value = t[c] * lamp * 65535.0f + 0.5f;
                out[c] = std::uint16_t(std::min(65535.0f, std::max(0.0f, value)));
            }
        }
    }
}

} // namespace sim
