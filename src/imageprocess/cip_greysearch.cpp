#include "cip_greysearch.h"

#include "cip_rawimg.h"

#include <cmath>

CIP_GreySearch::CIP_GreySearch(const CIP_RawImg& image, const CIP_Rect& rect)
{
    if (rect.isEmpty() || !image.pixels)
        return;
    const std::size_t n = std::size_t(rect.area());
    m_data.reset(new float[6 * n]);
    m_count = n;
    m_hue = m_data.get();
    m_saturation = m_hue + n;
    m_value = m_saturation + n;
    m_red = m_value + n;
    m_green = m_red + n;
    m_blue = m_green + n;
    const bool wide = image.is16Bit();
    const int top = image.maxValue();
    const int channels = image.channels;
    const bool blueFirst = image.channelOrder == 1;
    // Row pointers instead of CIP_RawImg::rgb() per pixel; the samples are read as sample()
    // reads them (16-bit words low byte first, clamped to the depth's maximum).
    const auto read = [wide, top](const unsigned char* row, std::size_t index) {
        if (!wide)
            return int(row[index]);
        const int v = int(row[index * 2]) | (int(row[index * 2 + 1]) << 8);
        return v > top ? top : v;
    };
    std::size_t i = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
        const unsigned char* row = image.pixels
            + std::size_t(y) * std::size_t(image.width) * std::size_t(channels) * (wide ? 2 : 1);
        for (int x = rect.left; x < rect.right; ++x, ++i) {
            const std::size_t index = std::size_t(x) * std::size_t(channels);
            const int s0 = read(row, index);
            const int s1 = read(row, index + 1);
            const int s2 = read(row, index + 2);
            const int ri = blueFirst ? s2 : s0;
            const int bi = blueFirst ? s0 : s2;
            m_red[i] = float(ri);
            m_green[i] = float(s1);
            m_blue[i] = float(bi);
            float r = float(ri), g = float(s1), b = float(bi);
            if (wide) {
                r = float(ri >> 8);
                g = float(s1 >> 8);
                b = float(bi >> 8);
            }
            CIP_RawImg::RGBtoHSV(r, g, b, 8, m_hue[i], m_saturation[i], m_value[i]);
        }
    }
}

bool CIP_GreySearch::lightnessRange(double& lo, double& hi, double& mid)
{
    const std::size_t n = m_count;
    m_means[0] = m_means[1] = m_means[2] = 0.0;
    m_kept = 0;
    if (n == 0) {
        lo = hi = mid = 0.0;
        return false;
    }
    float smallest = m_value[0];
    float largest = 0.0f;
    double sum[3] = { 0, 0, 0 };
    for (std::size_t i = 0; i < n; ++i) {
        smallest = std::min(smallest, m_value[i]);
        if (m_saturation[i] < 0.4f)
            largest = std::max(largest, m_value[i]);
        sum[0] += m_red[i];
        sum[1] += m_green[i];
        sum[2] += m_blue[i];
    }
    for (int c = 0; c < 3; ++c)
        m_means[c] = sum[c] / double(n);
    m_kept = int(n);
    lo = smallest + 0.01;
    hi = largest - 0.01;
    mid = lo + (hi - lo) / 2.0;
    return true;
}

double CIP_GreySearch::search(const Limits& l)
{
    const std::size_t n = m_count;
    double sum[3] = { 0, 0, 0 };
    int kept = 0;
    const float maxSat = float(l.maxSaturation);
    const float low = float(l.brightness - l.tolerance);
    const float high = float(l.brightness + l.tolerance);
    const float hue = float(l.hue);
    const float hueTol = float(l.hueTolerance);
    for (std::size_t i = 0; i < n; ++i) {
        if (m_saturation[i] > maxSat || m_value[i] < low || m_value[i] > high)
            continue;
        float d = std::fabs(m_hue[i] - hue);
        if (d > 180.0f)
            d = 360.0f - d;
        if (d > hueTol)
            continue;
        ++kept;
        sum[0] += m_red[i];
        sum[1] += m_green[i];
        sum[2] += m_blue[i];
    }
    m_kept = kept;
    for (int c = 0; c < 3; ++c)
        m_means[c] = kept ? sum[c] / kept : 0.0;
    return n ? double(kept) / double(n) : 0.0;
}
