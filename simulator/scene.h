#pragma once

#include "filmmodel.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace sim
{

// The light that the whole scanning window lets through, as the CCD would see it
// with a perfectly even exposure: linear transmittance (65535 = all light) per
// channel, at kDpi. Built once per film type and picture, then only read, so
// several scans may share one.
class Scene
{
public:
    static constexpr int kDpi = 1200;

    // imagePath empty: the built-in picture. A picture that does not load gives the
    // built-in one and a message on standard error. A slide holder shows its slide,
    // whatever the media and picture.
    Scene(FilmModel::Media media, const QString& imagePath, bool slideHolder = false);

    FilmModel::Media media() const { return m_media; }
    bool slideHolder() const { return m_slideHolder; }
    const QString& imagePath() const { return m_imagePath; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    // Interleaved R, G, B of row y (0 <= y < height()).
    const std::uint16_t* row(int y) const { return m_samples.data() + std::size_t(y) * m_width * 3; }

private:
    FilmModel::Media m_media;
    QString m_imagePath;
    bool m_slideHolder;
    int m_width;
    int m_height;
    std::vector<std::uint16_t> m_samples;
};

} // namespace sim
