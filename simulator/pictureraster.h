#pragma once

#include <QString>
#include <vector>

namespace sim
{

// The picture that was photographed onto the film, as linear scene radiance
// (0 to 1, interleaved R, G, B floats), already sized to the frame.
struct PictureRaster {
    int width = 0;
    int height = 0;
    std::vector<float> rgb;

    const float* pixel(int x, int y) const { return rgb.data() + (std::size_t(y) * width + x) * 3; }
};

// The built-in landscape: sky with sun, mountains, a barn, a tree, a lake and a
// meadow, so that there are smooth fields, hard edges and fine texture.
PictureRaster renderBuiltinPicture(int width, int height);

// A TIFF, PNG or JPEG file scaled to cover width by height (centred, cut to fit),
// its encoded values turned into linear radiance. False with a reason on failure.
bool loadPicture(const QString& path, int width, int height, PictureRaster* picture, QString* error);

} // namespace sim
