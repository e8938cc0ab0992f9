#include "scene.h"

#include "pictureraster.h"
#include "scenelayout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sim {

namespace {

enum class Region { Holder, Hole, Border, Picture };

bool insideHole(double x, double y)
{
    using namespace layout;
    if (y < kHoleTop || y >= kHoleBottom || x < kOpeningLeft || x >= kOpeningRight)
        return false;
    const double offset = x - kHoleFirstLeft;
    if (offset < 0)
        return false;
    const double inHole = std::fmod(offset, kHolePitch);
    if (inHole >= kHoleWidth)
        return false;
    // Rounded corners, as punched.
    const double dx = std::max({0.0, kHoleCornerRadius - inHole, inHole - (kHoleWidth - kHoleCornerRadius)});
    const double dy = std::max({0.0, kHoleTop + kHoleCornerRadius - y, y - (kHoleBottom - kHoleCornerRadius)});
    return dx * dx + dy * dy <= kHoleCornerRadius * kHoleCornerRadius;
}

Region regionAt(double x, double y)
{
    using namespace layout;
    if (x < kOpeningLeft || x >= kOpeningRight || y < kOpeningTop || y >= kOpeningBottom)
        return Region::Holder;
    if (insideHole(x, y))
        return Region::Hole;
    if (x >= kPictureLeft && x < kPictureRight && y >= kPictureTop && y < kPictureBottom)
        return Region::Picture;
    return Region::Border;
}

// Film grain: a fixed pattern per scene pixel, so repeated scans agree.
float grain(int x, int y)
{
    std::uint32_t h = std::uint32_t(x) * 2654435761u ^ (std::uint32_t(y) + 0x9E3779B9u) * 2246822519u;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    // The sum of two uniform values is close enough to the grain's bell shape.
    const float a = float(h & 0xFFFF) / 65535.0f;
    const float b = float(h >> 16) / 65535.0f;
    return (a + b - 1.0f);
}

} // namespace

Scene::Scene(FilmModel::Media media, const QString& imagePath)
    : m_media(media)
    , m_imagePath(imagePath)
    , m_width(int(std::ceil(layout::kWindowWidth * kDpi)))
    , m_height(int(std::ceil(layout::kWindowHeight * kDpi)))
    , m_samples(std::size_t(m_width) * m_height * 3)
{
    using namespace layout;
    const FilmModel film(media);
    const int pictureLeft = int(std::floor(kPictureLeft * kDpi));
    const int pictureTop = int(std::floor(kPictureTop * kDpi));
    const int pictureWidth = int(std::ceil(kPictureRight * kDpi)) - pictureLeft;
    const int pictureHeight = int(std::ceil(kPictureBottom * kDpi)) - pictureTop;

    PictureRaster picture;
    if (!imagePath.isEmpty()) {
        QString error;
        if (!loadPicture(imagePath, pictureWidth, pictureHeight, &picture, &error)) {
            std::fprintf(stderr, "TQ4100 simulator: cannot use the picture %s (%s); scanning the built-in scene\n",
                         qPrintable(imagePath), qPrintable(error));
            picture = PictureRaster();
        }
    }
    if (picture.width != pictureWidth || picture.height != pictureHeight)
        picture = renderBuiltinPicture(pictureWidth, pictureHeight);

    const FilmModel::Rgb border = film.unexposedBorder();
    const double quarter = 0.25 / kDpi;
    for (int y = 0; y < m_height; ++y) {
        std::uint16_t* out = m_samples.data() + std::size_t(y) * m_width * 3;
        const double cy = (y + 0.5) / kDpi;
        const double ny = (cy - kWindowHeight / 2) / (kWindowHeight / 2);
        for (int x = 0; x < m_width; ++x, out += 3) {
            const double cx = (x + 0.5) / kDpi;
            // Four samples per pixel smooth the edges of the holder, frame and holes.
            float t[3] = {0, 0, 0};
            for (int s = 0; s < 4; ++s) {
                const double sx = cx + ((s & 1) ? quarter : -quarter);
                const double sy = cy + ((s & 2) ? quarter : -quarter);
                FilmModel::Rgb sample{};
                switch (regionAt(sx, sy)) {
                case Region::Holder: sample = {FilmModel::kHolder, FilmModel::kHolder, FilmModel::kHolder}; break;
                case Region::Hole: sample = {FilmModel::kHole, FilmModel::kHole, FilmModel::kHole}; break;
                case Region::Border: sample = border; break;
                case Region::Picture: {
                    const int px = std::min(pictureWidth - 1, std::max(0, x - pictureLeft));
                    const int py = std::min(pictureHeight - 1, std::max(0, y - pictureTop));
                    const float* radiance = picture.pixel(px, py);
                    sample = film.picture({radiance[0], radiance[1], radiance[2]});
                    break;
                }
                }
                for (int c = 0; c < 3; ++c)
                    t[c] += 0.25f * sample[c];
            }
            const bool onFilm = regionAt(cx, cy) >= Region::Border;
            const float grainFactor = onFilm ? 1.0f + 0.02f * grain(x, y) : 1.0f;
            // The lamp lights the middle of the window a little more than its corners.
            const double nx = (cx - kWindowWidth / 2) / (kWindowWidth / 2);
            const float lamp = float(1.0 - 0.04 * (nx * nx + ny * ny) / 2);
            for (int c = 0; c < 3; ++c) {
                const float value = t[c] * grainFactor * lamp * 65535.0f + 0.5f;
                out[c] = std::uint16_t(std::min(65535.0f, std::max(0.0f, value)));
            }
        }
    }
}

} // namespace sim
