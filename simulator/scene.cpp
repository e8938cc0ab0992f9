#include "scene.h"

#include "pictureraster.h"
#include "scenelayout.h"
#include "slidescene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sim
{

namespace
{

enum class Region { Holder, Hole, Border, Picture };

// Where one coordinate of a sample lies, worked out once per row and per column
// of samples, so that classifying a sample is a few lookups.
struct Span {
    bool opening; // inside the holder's opening
    bool picture; // inside the picture's extent
    bool hole; // inside the holes' extent
    double corner; // distance into a hole's rounded corner, 0 outside the corners
};

Span columnSpan(double x)
{
    using namespace layout;
    Span span { x >= kOpeningLeft && x < kOpeningRight, x >= kPictureLeft && x < kPictureRight, false, 0.0 };
    const double offset = x - kHoleFirstLeft;
    if (span.opening && offset >= 0) {
        const double inHole = std::fmod(offset, kHolePitch);
        span.hole = inHole < kHoleWidth;
        span.corner
            = std::max({ 0.0, kHoleCornerRadius - inHole, inHole - (kHoleWidth - kHoleCornerRadius) });
    }
    return span;
}

Span rowSpan(double y)
{
    using namespace layout;
    return { y >= kOpeningTop && y < kOpeningBottom, y >= kPictureTop && y < kPictureBottom,
        y >= kHoleTop && y < kHoleBottom,
        std::max({ 0.0, kHoleTop + kHoleCornerRadius - y, y - (kHoleBottom - kHoleCornerRadius) }) };
}

Region regionAt(const Span& column, const Span& row)
{
    if (!column.opening || !row.opening)
        return Region::Holder;
    // Rounded corners, as punched.
    if (column.hole && row.hole
        && column.corner * column.corner + row.corner * row.corner
            <= layout::kHoleCornerRadius * layout::kHoleCornerRadius)
        return Region::Hole;
    if (column.picture && row.picture)
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

Scene::Scene(FilmModel::Media media, const QString& imagePath, bool slideHolder)
    : m_media(media)
    , m_imagePath(imagePath)
    , m_slideHolder(slideHolder)
    , m_width(int(std::ceil(layout::kWindowWidth * kDpi)))
    , m_height(int(std::ceil(layout::kWindowHeight * kDpi)))
    , m_samples(std::size_t(m_width) * m_height * 3)
{
    if (slideHolder) {
        renderSlideScene(m_width, m_height, kDpi, m_samples.data());
        return;
    }
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
            std::fprintf(stderr,
                "TQ4100 simulator: cannot use the picture %s (%s); scanning the built-in scene\n",
                qPrintable(imagePath), qPrintable(error));
            picture = PictureRaster();
        }
    }
    if (picture.width != pictureWidth || picture.height != pictureHeight)
        picture = renderBuiltinPicture(pictureWidth, pictureHeight);

    // The film's response sampled finely once, instead of logarithms and powers per pixel.
    constexpr int kSteps = 4096;
    std::vector<float> response(std::size_t(kSteps + 1) * 3);
    for (int i = 0; i <= kSteps; ++i)
        for (int c = 0; c < 3; ++c)
            response[std::size_t(i) * 3 + c] = film.response(c, float(i) / kSteps);
    auto develop = [&](const float* radiance, float* t) {
        float in[3] = { radiance[0], radiance[1], radiance[2] };
        if (film.monochrome())
            in[0] = in[1] = in[2] = 0.2126f * radiance[0] + 0.7152f * radiance[1] + 0.0722f * radiance[2];
        for (int c = 0; c < 3; ++c) {
            const float position = std::min(1.0f, std::max(0.0f, in[c])) * kSteps;
            const int i = std::min(kSteps - 1, int(position));
            const float f = position - float(i);
            const float a = response[std::size_t(i) * 3 + c];
            const float b = response[std::size_t(i + 1) * 3 + c];
            t[c] = a + (b - a) * f;
        }
    };

    const FilmModel::Rgb border = film.unexposedBorder();
    // Two samples across and down each pixel, at a quarter pixel from its centre.
    std::vector<Span> columns(std::size_t(m_width) * 2);
    for (int i = 0; i < m_width * 2; ++i)
        columns[std::size_t(i)] = columnSpan((i / 2 + ((i & 1) ? 0.75 : 0.25)) / kDpi);
    for (int y = 0; y < m_height; ++y) {
        std::uint16_t* out = m_samples.data() + std::size_t(y) * m_width * 3;
        const double cy = (y + 0.5) / kDpi;
        const double ny = (cy - kWindowHeight / 2) / (kWindowHeight / 2);
        const int py = std::min(pictureHeight - 1, std::max(0, y - pictureTop));
        const Span rows[2] = { rowSpan((y + 0.25) / kDpi), rowSpan((y + 0.75) / kDpi) };
        for (int x = 0; x < m_width; ++x, out += 3) {
            const double cx = (x + 0.5) / kDpi;
            // Four samples per pixel smooth the edges of the holder, frame and holes.
            Region regions[4];
            for (int s = 0; s < 4; ++s)
                regions[s] = regionAt(columns[std::size_t(2 * x + (s & 1))], rows[s >> 1]);
            float picturePart[3] = { 0, 0, 0 };
            if (std::find(regions, regions + 4, Region::Picture) != regions + 4) {
                const int px = std::min(pictureWidth - 1, std::max(0, x - pictureLeft));
                develop(picture.pixel(px, py), picturePart);
            }
            float t[3] = { 0, 0, 0 };
            for (const Region region : regions) {
                for (int c = 0; c < 3; ++c) {
                    switch (region) {
                    case Region::Holder:
                        t[c] += 0.25f * FilmModel::kHolder;
                        break;
                    case Region::Hole:
                        t[c] += 0.25f * FilmModel::kHole;
                        break;
                    case Region::Border:
                        t[c] += 0.25f * border[std::size_t(c)];
                        break;
                    case Region::Picture:
                        t[c] += 0.25f * picturePart[c];
                        break;
                    }
                }
            }
            const bool onFilm = regions[0] >= Region::Border;
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
