#include "tonehistogram.h"

#include <stimage.h>

#include <QImage>

#include <algorithm>
#include <cmath>

namespace
{

// The luminance weights of the brightness histogram, in thousandths, integer arithmetic.
inline unsigned luminance(unsigned red, unsigned green, unsigned blue)
{
    return (299 * red + 587 * green + 114 * blue) / 1000;
}

} // namespace

template <typename Sample, int Shift>
void ToneHistogram::count(const Sample* samples, std::size_t pixels, int stride)
{
    constexpr Sample full = Sample(~Sample(0));
    quint32* red = m_counts[Red].data();
    quint32* green = m_counts[Green].data();
    quint32* blue = m_counts[Blue].data();
    quint32* lum = m_counts[Luminance].data();
    quint64 black[4] = {}, white[4] = {};
    for (const Sample* s = samples; s != samples + pixels * std::size_t(stride); s += stride) {
        const unsigned r = s[0], g = s[1], b = s[2];
        ++red[r >> Shift];
        ++green[g >> Shift];
        ++blue[b >> Shift];
        ++lum[luminance(r >> Shift, g >> Shift, b >> Shift)];
        // Branch-free: most pixels clip nowhere.
        black[0] += r == 0;
        black[1] += g == 0;
        black[2] += b == 0;
        black[3] += (r | g | b) == 0;
        white[0] += r == full;
        white[1] += g == full;
        white[2] += b == full;
        white[3] += (r & g & b) == full;
    }
    for (int c = 0; c < kChannels; ++c) {
        m_black[std::size_t(c)] += black[c];
        m_white[std::size_t(c)] += white[c];
    }
    m_pixels += pixels;
}

ToneHistogram ToneHistogram::of(const QImage& image)
{
    ToneHistogram result;
    if (image.isNull())
        return result;
    const QImage rgb
        = image.format() == QImage::Format_RGB888 ? image : image.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < rgb.height(); ++y)
        result.count<uchar, 0>(rgb.constScanLine(y), std::size_t(rgb.width()), 3);
    return result;
}

ToneHistogram ToneHistogram::of(const STImage& image)
{
    ToneHistogram result;
    if (image.isNull() || image.channels() < 3)
        return result;
    const std::size_t pixels = std::size_t(image.width()) * image.height();
    if (image.bitsPerSample() == 8)
        result.count<uchar, 0>(image.data(), pixels, image.channels());
    else if (image.bitsPerSample() == 16)
        result.count<quint16, 8>(reinterpret_cast<const quint16*>(image.data()), pixels, image.channels());
    return result;
}

double ToneHistogram::clippedBlack(Channel channel) const
{
    return m_pixels == 0 ? 0.0 : double(m_black[channel]) / double(m_pixels);
}

double ToneHistogram::clippedWhite(Channel channel) const
{
    return m_pixels == 0 ? 0.0 : double(m_white[channel]) / double(m_pixels);
}

std::array<double, ToneHistogram::kBins> ToneHistogram::heights(Channel channel, Scale scale) const
{
    std::array<double, kBins> result {};
    // The end bins hold the clipped pixels, often a spike that would flatten every other
    // bar; the marks and numbers show those, so the scale ignores them unless they are all.
    quint32 tallest = 0;
    for (const Counts& counts : m_counts)
        tallest = std::max(tallest, *std::max_element(counts.begin() + 1, counts.end() - 1));
    if (tallest == 0) {
        for (const Counts& counts : m_counts)
            tallest = std::max({ tallest, counts.front(), counts.back() });
    }
    if (tallest == 0)
        return result;
    const Counts& counts = m_counts[channel];
    const double top = scale == Logarithmic ? std::log1p(double(tallest)) : double(tallest);
    for (int i = 0; i < kBins; ++i) {
        const double count = counts[std::size_t(i)];
        const double value = scale == Logarithmic ? std::log1p(count) : count;
        result[std::size_t(i)] = std::min(1.0, value / top);
    }
    return result;
}

int ToneHistogram::blackPoint(Channel channel, double share) const
{
    // A black point b sends bins 0 ... b to black: the highest b whose count so far
    // stays within the share.
    const double allowed = std::max(0.0, share) * double(m_pixels);
    const Counts& counts = m_counts[channel];
    quint64 sum = 0;
    int point = 0;
    for (int b = 0; b < kBins; ++b) {
        sum += counts[std::size_t(b)];
        if (double(sum) > allowed)
            break;
        point = b;
    }
    return point;
}

int ToneHistogram::whitePoint(Channel channel, double share) const
{
    const double allowed = std::max(0.0, share) * double(m_pixels);
    const Counts& counts = m_counts[channel];
    quint64 sum = 0;
    int point = kBins - 1;
    for (int w = kBins - 1; w >= 0; --w) {
        sum += counts[std::size_t(w)];
        if (double(sum) > allowed)
            break;
        point = w;
    }
    return point;
}

LevelsSettings ToneHistogram::autoLevels(double share, const LevelsSettings& current) const
{
    LevelsSettings result = current;
    result[LevelsSettings::All] = LevelsChannel();
    if (m_pixels == 0)
        return result;
    for (int c = 0; c < 3; ++c) {
        LevelsChannel& levels = result.channels[std::size_t(c + 1)];
        const int black = blackPoint(Channel(c), share);
        const int white = whitePoint(Channel(c), share);
        if (white - black < LevelsChannel::kMinRange)
            continue;
        levels.black = black;
        levels.white = white;
    }
    return result;
}
