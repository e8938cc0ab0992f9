#include "scanrenderer.h"

#include "noisetable.h"

#include <algorithm>
#include <cmath>

namespace sim
{

namespace
{

// Coarser than this the scene is averaged rather than interpolated, so that a
// prescan shows the mean of the film's grain and not an aliased sample of it.
constexpr double kCoarseFootprint = 1.5;

std::uint32_t rowNoiseOffset(int y)
{
    std::uint32_t h = std::uint32_t(y) * 0x9E3779B1u + 0x7F4A7C15u;
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    return h;
}

inline std::uint16_t exposeSample(const std::uint32_t* table, std::uint32_t t, std::int32_t noise)
{
    const std::uint32_t entry = table[t];
    const std::int32_t mean = std::int32_t(entry & 0xFFFF);
    const std::int32_t spread = std::int32_t(entry >> 16);
    // Arithmetic shift: the noise table holds values times 256.
    const std::int32_t value = mean + ((spread * noise) >> 8);
    return std::uint16_t(std::min<std::int32_t>(65535, std::max<std::int32_t>(0, value)));
}

} // namespace

ScanRenderer::ScanRenderer(
    const Scene& scene, const Exposure& exposure, double left, double top, int dpi, int width, int height)
    : m_scene(scene)
    , m_exposure(exposure)
    , m_top(top)
    , m_dpi(dpi)
    , m_width(width)
    , m_height(height)
    , m_coarse(double(Scene::kDpi) / dpi > kCoarseFootprint)
{
    const double scale = double(Scene::kDpi) / dpi;
    const int sceneWidth = scene.width();
    if (m_coarse) {
        m_spanBegin.resize(std::size_t(width));
        m_spanEnd.resize(std::size_t(width));
        for (int x = 0; x < width; ++x) {
            const int begin
                = std::min(sceneWidth - 1, std::max(0, int(std::floor((left * dpi + x) * scale))));
            const int end
                = std::min(sceneWidth, std::max(begin + 1, int(std::floor((left * dpi + x + 1) * scale))));
            m_spanBegin[std::size_t(x)] = begin;
            m_spanEnd[std::size_t(x)] = end;
        }
        m_rowSums.resize(std::size_t(sceneWidth + 1) * 3);
    } else {
        m_column.resize(std::size_t(width));
        m_weight.resize(std::size_t(width));
        for (int x = 0; x < width; ++x) {
            const double sx = (left + (x + 0.5) / dpi) * Scene::kDpi - 0.5;
            int x0 = int(std::floor(sx));
            int w = int(std::lround((sx - x0) * 256.0));
            if (w == 256) {
                ++x0;
                w = 0;
            }
            if (x0 < 0) {
                x0 = 0;
                w = 0;
            } else if (x0 >= sceneWidth - 1) {
                x0 = sceneWidth - 2;
                w = 256;
            }
            m_column[std::size_t(x)] = x0 * 3;
            m_weight[std::size_t(x)] = w;
        }
        m_transmittance.resize(std::size_t(sceneWidth) * 3); // the vertically interpolated scene row
    }
}

void ScanRenderer::render(int first, int count, std::uint16_t* out)
{
    for (int y = first; y < first + count && y < m_height; ++y, out += std::size_t(m_width) * 3) {
        if (m_coarse)
            renderCoarse(y, out);
        else
            renderFine(y, out);
    }
}

void ScanRenderer::renderFine(int y, std::uint16_t* out)
{
    const double sy = (m_top + (y + 0.5) / m_dpi) * Scene::kDpi - 0.5;
    int y0 = int(std::floor(sy));
    int wy = int(std::lround((sy - y0) * 256.0));
    if (y0 < 0) {
        y0 = 0;
        wy = 0;
    }
    const int y1 = std::min(m_scene.height() - 1, y0 + 1);
    y0 = std::min(y0, m_scene.height() - 1);
    const std::uint16_t* r0 = m_scene.row(y0);
    const std::uint16_t* r1 = m_scene.row(y1);
    const std::size_t samples = std::size_t(m_scene.width()) * 3;
    std::int32_t* vertical = m_transmittance.data();
    // Only the scene columns that this area uses would be enough; the whole row is
    // a few thousand samples, small beside the output row.
    for (std::size_t i = 0; i < samples; ++i)
        vertical[i]
            = (std::int32_t(r0[i]) * 256 + (std::int32_t(r1[i]) - std::int32_t(r0[i])) * wy + 128) >> 8;

    const std::uint32_t* tables[3] = { m_exposure.table(0), m_exposure.table(1), m_exposure.table(2) };
    const std::int16_t* noise = noiseTable();
    const std::uint32_t mask = kNoiseTableSize - 1;
    std::uint32_t n = rowNoiseOffset(y);
    const std::int32_t* column = m_column.data();
    const std::int32_t* weight = m_weight.data();
    for (int x = 0; x < m_width; ++x, out += 3) {
        const std::int32_t* a = vertical + column[x];
        const std::int32_t w = weight[x];
        for (int c = 0; c < 3; ++c, ++n) {
            const std::int32_t t = (a[c] * 256 + (a[c + 3] - a[c]) * w + 128) >> 8;
            out[c] = exposeSample(tables[c], std::uint32_t(t), noise[n & mask]);
        }
    }
}

void ScanRenderer::renderCoarse(int y, std::uint16_t* out)
{
    const double scale = double(Scene::kDpi) / m_dpi;
    const int sceneHeight = m_scene.height();
    const int begin = std::min(sceneHeight - 1, std::max(0, int(std::floor((m_top * m_dpi + y) * scale))));
    const int end
        = std::min(sceneHeight, std::max(begin + 1, int(std::floor((m_top * m_dpi + y + 1) * scale))));
    const std::size_t samples = std::size_t(m_scene.width()) * 3;
    std::int64_t* sums = m_rowSums.data();
    std::fill(sums, sums + samples + 3, 0);
    for (int row = begin; row < end; ++row) {
        const std::uint16_t* in = m_scene.row(row);
        for (std::size_t i = 0; i < samples; ++i)
            sums[i + 3] += in[i];
    }
    // Running sums along the row make each output pixel's box two loads.
    for (std::size_t i = 3; i < samples + 3; ++i)
        sums[i] += sums[i - 3];

    const std::int64_t rows = end - begin;
    const std::uint32_t* tables[3] = { m_exposure.table(0), m_exposure.table(1), m_exposure.table(2) };
    const std::int16_t* noise = noiseTable();
    const std::uint32_t mask = kNoiseTableSize - 1;
    std::uint32_t n = rowNoiseOffset(y);
    for (int x = 0; x < m_width; ++x, out += 3) {
        const std::int64_t first = m_spanBegin[std::size_t(x)];
        const std::int64_t last = m_spanEnd[std::size_t(x)];
        const std::int64_t count = (last - first) * rows;
        for (int c = 0; c < 3; ++c, ++n) {
            const std::int64_t sum = sums[std::size_t(last * 3 + c)] - sums[std::size_t(first * 3 + c)];
            // Rounded to the nearest count.
            const std::uint32_t t = std::uint32_t((sum + count / 2) / count);
            out[c] = exposeSample(tables[c], t, noise[n & mask]);
        }
    }
}

} // namespace sim
