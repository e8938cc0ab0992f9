#pragma once

#include <cstdint>
#include <vector>

class STImage;

namespace bench
{

// A 16-bit RGB image, samples interleaved R, G, B, rows without padding.
struct Image16 {
    int width = 0;
    int height = 0;
    std::vector<std::uint16_t> samples;

    std::size_t bytes() const { return samples.size() * sizeof(std::uint16_t); }
};

// The standard test images: a whole-window scan at 3600 dpi (5173 x 3445) and at
// 5000 dpi (7185 x 4785). Built once, on first use, always the same.
const Image16& standardImage3600();
const Image16& standardImage5000();

// The preview's prescan: makeTestImage(431, 287, 7) as a 16-bit STImage, built once.
const STImage& standardPrescan();

// A realistic test image of any size: smooth colour fields, hard-edged shapes and
// sensor-like noise, never a constant. The same size and seed give the same image.
Image16 makeTestImage(int width, int height, std::uint32_t seed = 1);

} // namespace bench
