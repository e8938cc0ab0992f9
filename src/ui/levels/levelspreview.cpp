#include "levelspreview.h"

#include <algorithm>

void LevelsPreview::setSource(const STImage& beforeLevels)
{
    m_source = beforeLevels;
    m_sourceHistogram = ToneHistogram::of(m_source);
    const int bits = m_source.bitsPerSample() == 8 ? 8 : 16;
    if (m_tables.bitsPerSample() != bits)
        m_tables = LevelsTables(m_tables.settings(), bits, &m_tables);
    refresh();
}

void LevelsPreview::setLevels(const LevelsSettings& levels)
{
    const LevelsSettings wanted = levels.normalised();
    if (wanted == m_tables.settings())
        return;
    m_tables = LevelsTables(wanted, m_source.bitsPerSample() == 8 ? 8 : 16, &m_tables);
    refresh();
}

void LevelsPreview::refresh()
{
    if (m_tables.isNeutral()) {
        m_shown = STImage();
        m_histogram = m_sourceHistogram;
        return;
    }
    // Assigned into the kept buffer when sizes match, so a drag allocates nothing.
    if (m_shown.byteCount() == m_source.byteCount() && m_shown.width() == m_source.width())
        std::copy_n(m_source.data(), m_source.byteCount(), m_shown.data());
    else
        m_shown = m_source;
    m_tables.apply(m_shown);
    m_histogram = ToneHistogram::of(m_shown);
}

STImage LevelsPreview::clippingImage(Clipping clipping) const
{
    const STImage& image = shown();
    if (clipping == NoClipping || image.isNull() || image.channels() < 3
        || (image.bitsPerSample() != 8 && image.bitsPerSample() != 16))
        return image;
    STImage result = STImage::zeroed(image.width(), image.height(), 8, 3);
    const std::size_t pixels = std::size_t(image.width()) * image.height();
    const bool wide = image.bitsPerSample() == 16;
    const unsigned full = wide ? 0xFFFFu : 0xFFu;
    const auto* bytes = image.data();
    const auto* words = reinterpret_cast<const quint16*>(image.data());
    std::uint8_t* out = result.data();
    const int step = image.channels();
    for (std::size_t p = 0; p < pixels; ++p) {
        for (int c = 0; c < 3; ++c) {
            const std::size_t i = p * std::size_t(step) + std::size_t(c);
            const unsigned v = wide ? words[i] : bytes[i];
            // A channel at the edge shows its colour; the picture's rest is flat.
            const bool clipped = clipping == BlackClipping ? v == 0 : v == full;
            out[p * 3 + std::size_t(c)] = (clipping == BlackClipping) != clipped ? 0xFF : 0;
        }
    }
    return result;
}
