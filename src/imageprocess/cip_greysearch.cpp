#include "cip_greysearch.h"

#include "cip_rawimg.h"

#include <cmath>

CIP_GreySearch::CIP_GreySearch(const CIP_RawImg &image, const CIP_Rect &rect)
{
    if (rect.isEmpty() || !image.pixels)
        return;
    const std::size_t n = std::size_t(rect.area());
    m_hue.reserve(n);
    m_saturation.reserve(n);
    m_value.reserve(n);
    m_red.reserve(n);
    m_green.reserve(n);
    m_blue.reserve(n);
    const bool wide = image.is16Bit();
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            float r, g, b;
            image.rgb(x, y, r, g, b);
            m_red.push_back(r);
            m_green.push_back(g);
            m_blue.push_back(b);
            if (wide) {
                r = float(int(r) >> 8);
                g = float(int(g) >> 8);
                b = float(int(b) >> 8);
            }
            float h, s, v;
            CIP_RawImg::RGBtoHSV(r, g, b, 8, h, s, v);
            m_hue.push_back(h);
            m_saturation.push_back(s);
            m_value.push_back(v);
        }
    }
}

bool CIP_GreySearch::lightnessRange(double &lo, double &hi, double &mid)
{
    const std::size_t n = m_value.size();
    m_means[0] = m_means[1] = m_means[2] = 0.0;
    m_kept = 0;
    if (n == 0) {
        lo = hi = mid = 0.0;
        return false;
    }
    float smallest = m_value[0];
    float largest = 0.0f;
    double sum[3] = {0, 0, 0};
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

double CIP_GreySearch::search(const Limits &l)
{
    const std::size_t n = m_value.size();
    double sum[3] = {0, 0, 0};
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
