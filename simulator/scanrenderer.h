#pragma once

#include "exposure.h"
#include "scene.h"

#include <cstdint>
#include <vector>

namespace sim
{

// Turns the scene into the lines of one scan: the requested area sampled at the
// scan's resolution (bilinear where it is finer than the scene, averaged where it
// is coarser), exposed and given the CCD's noise, as 16-bit R, G, B. It renders
// block by block, so it never holds more than the caller's block.
class ScanRenderer
{
public:
    // Area in inches within the window; width and height are the pixels to deliver.
    ScanRenderer(const Scene& scene, const Exposure& exposure, double left, double top, int dpi, int width,
        int height);

    // Writes rows first .. first + count - 1 into out (width * 3 samples each).
    void render(int first, int count, std::uint16_t* out);

private:
    void renderFine(int y, std::uint16_t* out);
    void renderCoarse(int y, std::uint16_t* out);

    const Scene& m_scene;
    const Exposure& m_exposure;
    double m_top;
    int m_dpi;
    int m_width;
    int m_height;
    bool m_coarse;
    // Fine sampling: per output column the left scene column (times 3) and its weight of 256.
    std::vector<std::int32_t> m_column;
    std::vector<std::int32_t> m_weight;
    // Coarse sampling: per output column its first and last-plus-one scene column.
    std::vector<std::int32_t> m_spanBegin;
    std::vector<std::int32_t> m_spanEnd;
    std::vector<std::int64_t> m_rowSums; // scene row, summed over the output row's scene rows, then prefixed
    std::vector<std::int32_t> m_transmittance; // one output row before exposure
};

} // namespace sim
