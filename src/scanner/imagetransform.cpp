#include "imagetransform.h"

#include <algorithm>

void ImageTransform::reset()
{
    *this = ImageTransform();
}

int ImageTransform::quarterTurns() const
{
    // A turn to the left is three to the right, and whole turns change nothing.
    return ((m_rotation / 90) % 4 + 4) % 4;
}

STImage ImageTransform::apply(const STImage& image) const
{
    STImage result = image;
    for (int i = 0; i < quarterTurns(); ++i)
        result = result.rotatedRight();
    if (m_mirror)
        result = result.mirrored();
    if (m_flip)
        result = result.flipped();
    if (m_scale != 1.0) {
        // Truncation of both products; the width is the turned image's.
        // Held to the 32-bit range, where the conversion is defined.
        auto held = [](double size) {
            return static_cast<std::uint32_t>(std::min(4294967295.0, std::max(0.0, size)));
        };
        const std::uint32_t width = held(result.width() * m_scale);
        const std::uint32_t height = held(m_scale * result.height());
        result = result.scaled(width, height);
    }
    return result;
}
