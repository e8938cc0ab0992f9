#include "cip_hsvadjust.h"

#include "cip_parallel.h"

#include <QColor>
#include <QtGlobal>

#include <algorithm>
#include <cstdint>

namespace
{

constexpr double kFull = 65535.0;
constexpr std::size_t kPixelsPerRow = 4096;

// QColor's integer reading of a 16-bit component: x / 257 rounded to nearest.
inline int div257(int x)
{
    return (x + 128 - ((x + 128) >> 8)) >> 8;
}

// Distinct 16-bit channels differ by at least 1/65535, so QColor's fuzzy comparisons of
// channels (relative 1e-12) and its fuzzy zero test of their difference are plain equality
// on the integers; the branches below test the integers.
struct Unit {
    double r, g, b, max, min;
};

// What QColor computes again and again, tabulated: each entry is formed by the very operations
// QColor performs on that input, so a lookup gives the same double without the division's
// latency. x / 65535 for every 16-bit channel; hue / 60 (as hundredths / 6000) and hue / 360
// (as hundredths / 36000) for every whole degree; s, v or l / 255 (as x * 0x101 / 65535) for
// every 8-bit component. For HSL, each whole degree also fixes every channel's branch in
// setHsl() and the factor that branch multiplies by.
struct Quotients {
    enum Branch : unsigned char { Rising, Top, Falling, Bottom };

    double unit[65536];
    double hueSector[360];
    double component[256];
    Branch hslBranch[360][3];
    double hslFactor[360][3]; // 6 * temp3 when rising, 2/3 - temp3 when falling

    Quotients()
    {
        for (int x = 0; x < 65536; ++x)
            unit[x] = x / kFull;
        for (int c = 0; c < 256; ++c)
            component[c] = (c * 0x101) / kFull;
        for (int hue = 0; hue < 360; ++hue) {
            const int hue16 = hue * 100;
            hueSector[hue] = hue16 / 6000.0;
            const double h = hue16 / 36000.0;
            double temp3[3] = { h + (1.0 / 3.0), h, h - (1.0 / 3.0) };
            for (int c = 0; c < 3; ++c) {
                if (temp3[c] < 0.0)
                    temp3[c] += 1.0;
                else if (temp3[c] > 1.0)
                    temp3[c] -= 1.0;
                const double sixtemp3 = temp3[c] * 6.0;
                if (sixtemp3 < 1.0) {
                    hslBranch[hue][c] = Rising;
                    hslFactor[hue][c] = sixtemp3;
                } else if ((temp3[c] * 2.0) < 1.0) {
                    hslBranch[hue][c] = Top;
                    hslFactor[hue][c] = 0.0;
                } else if ((temp3[c] * 3.0) < 2.0) {
                    hslBranch[hue][c] = Falling;
                    hslFactor[hue][c] = 2.0 / 3.0 - temp3[c];
                } else {
                    hslBranch[hue][c] = Bottom;
                    hslFactor[hue][c] = 0.0;
                }
            }
        }
    }
};

const Quotients& quotients()
{
    static const Quotients q;
    return q;
}

// Callers of the public conversions may pass anything: outside the tables, divide as QColor.
// The pixel loops pass samples (always 0..65535) and clamped components, and skip the test.
template <bool kChecked> inline double unitOf(const Quotients& q, int x16)
{
    return !kChecked || unsigned(x16) < 65536u ? q.unit[x16] : x16 / kFull;
}

inline double componentOf(const Quotients& q, int x)
{
    return unsigned(x) < 256u ? q.component[x] : (x * 0x101) / kFull;
}

// hue % 360 without the division for the hues QColor gives (0..360).
inline int degreeOf(int hue)
{
    return unsigned(hue) < 360u ? hue : hue % 360;
}

template <bool kChecked> inline Unit unit(const Quotients& q, int r16, int g16, int b16, int max16, int min16)
{
    Unit u;
    u.r = unitOf<kChecked>(q, r16);
    u.g = unitOf<kChecked>(q, g16);
    u.b = unitOf<kChecked>(q, b16);
    u.max = unitOf<kChecked>(q, max16);
    u.min = unitOf<kChecked>(q, min16);
    return u;
}

// Hue in hundredths of a degree as QColor stores it.
inline int hue100(const Unit& u, double delta, int r16, int g16, int max16)
{
    double hue;
    if (r16 == max16)
        hue = (u.g - u.b) / delta;
    else if (g16 == max16)
        hue = 2.0 + (u.b - u.r) / delta;
    else
        hue = 4.0 + (u.r - u.g) / delta;
    hue *= 60.0;
    if (hue < 0.0)
        hue += 360.0;
    return qRound(hue * 100);
}

inline int max3(int a, int b, int c)
{
    return a > b ? (a > c ? a : c) : (b > c ? b : c);
}

inline int min3(int a, int b, int c)
{
    return a < b ? (a < c ? a : c) : (b < c ? b : c);
}

template <bool kChecked> inline CIP_HsvAdjust::Triple toHsvWith(const Quotients& q, int r16, int g16, int b16)
{
    const int max16 = max3(r16, g16, b16);
    const int min16 = min3(r16, g16, b16);
    const Unit u = unit<kChecked>(q, r16, g16, b16, max16, min16);
    const double delta = u.max - u.min;
    const int value16 = qRound(u.max * kFull);
    if (max16 == min16)
        return { -1, 0, div257(value16) };
    const int saturation16 = qRound((delta / u.max) * kFull);
    return { hue100(u, delta, r16, g16, max16) / 100, div257(saturation16), div257(value16) };
}

template <bool kChecked> inline CIP_HsvAdjust::Triple toHslWith(const Quotients& q, int r16, int g16, int b16)
{
    const int max16 = max3(r16, g16, b16);
    const int min16 = min3(r16, g16, b16);
    const Unit u = unit<kChecked>(q, r16, g16, b16, max16, min16);
    const double delta = u.max - u.min;
    const double delta2 = u.max + u.min;
    const double lightness = 0.5 * delta2;
    const int lightness16 = qRound(lightness * kFull);
    if (max16 == min16)
        return { -1, 0, div257(lightness16) };
    const int saturation16
        = lightness < 0.5 ? qRound((delta / delta2) * kFull) : qRound((delta / (2.0 - delta2)) * kFull);
    return { hue100(u, delta, r16, g16, max16) / 100, div257(saturation16), div257(lightness16) };
}

inline void fromHsvWith(const Quotients& q, const CIP_HsvAdjust::Triple& hsv, int rgb16[3])
{
    const int degree = degreeOf(hsv.hue);
    const int hue16 = hsv.hue == -1 ? 65535 : degree * 100;
    const int saturation16 = hsv.saturation * 0x101;
    const int value16 = hsv.third * 0x101;
    if (saturation16 == 0 || hue16 == 65535) {
        rgb16[0] = rgb16[1] = rgb16[2] = value16;
        return;
    }
    const double h = degree >= 0 ? q.hueSector[degree] : hue16 / 6000.0;
    const double s = componentOf(q, hsv.saturation);
    const double v = componentOf(q, hsv.third);
    const int i = int(h);
    const double f = h - i;
    const double p = v * (1.0 - s);
    double r, g, b;
    if (i & 1) {
        const double qv = v * (1.0 - (s * f));
        switch (i) {
        case 1:
            r = qv;
            g = v;
            b = p;
            break;
        case 3:
            r = p;
            g = qv;
            b = v;
            break;
        default:
            r = v;
            g = p;
            b = qv;
            break;
        }
    } else {
        const double t = v * (1.0 - (s * (1.0 - f)));
        switch (i) {
        case 0:
            r = v;
            g = t;
            b = p;
            break;
        case 2:
            r = p;
            g = v;
            b = t;
            break;
        default:
            r = t;
            g = p;
            b = v;
            break;
        }
    }
    rgb16[0] = qRound(r * kFull);
    rgb16[1] = qRound(g * kFull);
    rgb16[2] = qRound(b * kFull);
}

// setHsl()'s channel formula for a hue outside 0..359, where no table entry exists.
inline double hslChannelDirect(double temp1, double temp2, double t)
{
    if (t < 0.0)
        t += 1.0;
    else if (t > 1.0)
        t -= 1.0;
    const double sixtemp3 = t * 6.0;
    if (sixtemp3 < 1.0)
        return temp1 + (temp2 - temp1) * sixtemp3;
    if ((t * 2.0) < 1.0)
        return temp2;
    if ((t * 3.0) < 2.0)
        return temp1 + (temp2 - temp1) * (2.0 / 3.0 - t) * 6.0;
    return temp1;
}

inline void fromHslWith(const Quotients& q, const CIP_HsvAdjust::Triple& hsl, int rgb16[3])
{
    const int degree = degreeOf(hsl.hue);
    const int hue16 = hsl.hue == -1 ? 65535 : degree * 100;
    const int saturation16 = hsl.saturation * 0x101;
    const int lightness16 = hsl.third * 0x101;
    if (saturation16 == 0 || hue16 == 65535) {
        rgb16[0] = rgb16[1] = rgb16[2] = lightness16;
        return;
    }
    if (lightness16 == 0) {
        rgb16[0] = rgb16[1] = rgb16[2] = 0;
        return;
    }
    const double s = componentOf(q, hsl.saturation);
    const double l = componentOf(q, hsl.third);
    const double temp2 = l < 0.5 ? l * (1.0 + s) : l + s - (l * s);
    const double temp1 = (2.0 * l) - temp2;
    if (degree < 0) {
        const double h = hue16 / 36000.0;
        const double temp3[3] = { h + (1.0 / 3.0), h, h - (1.0 / 3.0) };
        for (int c = 0; c < 3; ++c)
            rgb16[c] = qRound(hslChannelDirect(temp1, temp2, temp3[c]) * kFull);
    } else {
        // The same expressions as setHsl() with the hue's branch and factor looked up.
        const double rise = temp2 - temp1;
        for (int c = 0; c < 3; ++c) {
            const double k = q.hslFactor[degree][c];
            double x;
            switch (q.hslBranch[degree][c]) {
            case Quotients::Rising:
                x = temp1 + rise * k;
                break;
            case Quotients::Top:
                x = temp2;
                break;
            case Quotients::Falling:
                x = temp1 + rise * k * 6.0;
                break;
            default:
                x = temp1;
                break;
            }
            rgb16[c] = qRound(x * kFull);
        }
    }
    for (int c = 0; c < 3; ++c) {
        if (rgb16[c] == 1)
            rgb16[c] = 0;
    }
}

// Sample <-> QColor 16-bit scale. An 8-bit sample s as the fraction s / 255 becomes s * 257;
// back, the fraction x / 65535 of 255 rounds to (x + 128) / 257 (no exact halves occur).
inline int to16(int sample, bool wide)
{
    return wide ? sample : sample * 257;
}

inline int fromWide(int x16, bool wide)
{
    return wide ? x16 : (x16 + 128) / 257;
}

// Forward conversions of a batch, then back conversions: each loop's iterations are short
// and independent, so the processor overlaps many pixels' division latencies instead of
// working through one long chain per pixel.
constexpr std::size_t kBatch = 128;

template <typename Sample, typename Forward, typename Back>
void adjustRange(
    Sample* pixels, std::size_t first, std::size_t end, int channels, bool wide, Forward forward, Back back)
{
    const Quotients& q = quotients();
    CIP_HsvAdjust::Triple batch[kBatch];
    for (std::size_t p0 = first; p0 < end; p0 += kBatch) {
        const std::size_t count = std::min(kBatch, end - p0);
        for (std::size_t k = 0; k < count; ++k) {
            const Sample* s = pixels + (p0 + k) * channels;
            batch[k] = forward(q, to16(s[0], wide), to16(s[1], wide), to16(s[2], wide));
        }
        for (std::size_t k = 0; k < count; ++k) {
            Sample* s = pixels + (p0 + k) * channels;
            int rgb[3];
            back(q, batch[k], rgb);
            s[0] = static_cast<Sample>(fromWide(rgb[0], wide));
            s[1] = static_cast<Sample>(fromWide(rgb[1], wide));
            s[2] = static_cast<Sample>(fromWide(rgb[2], wide));
        }
    }
}

template <typename Forward, typename Back>
void adjustParallel(
    void* pixels, std::size_t pixelCount, int bits, int channels, int threads, Forward forward, Back back)
{
    if (pixelCount == 0 || channels < 3)
        return;
    const std::size_t rows = (pixelCount + kPixelsPerRow - 1) / kPixelsPerRow;
    const bool wide = bits > 8;
    CIP_Parallel::run(rows, kPixelsPerRow * 16, threads, [&](std::size_t firstRow, std::size_t endRow) {
        const std::size_t first = firstRow * kPixelsPerRow;
        const std::size_t end = std::min(pixelCount, endRow * kPixelsPerRow);
        if (wide)
            adjustRange(static_cast<uint16_t*>(pixels), first, end, channels, wide, forward, back);
        else
            adjustRange(static_cast<uint8_t*>(pixels), first, end, channels, wide, forward, back);
    });
}

template <typename Adjust>
void referenceLoop(void* pixels, std::size_t pixelCount, int bits, int channels, Adjust adjust)
{
    if (channels < 3)
        return;
    const bool wide = bits > 8;
    const double max = wide ? 65535.0 : 255.0;
    for (std::size_t p = 0; p < pixelCount; ++p) {
        int s[3];
        for (int c = 0; c < 3; ++c) {
            const std::size_t i = p * channels + c;
            s[c] = wide ? static_cast<uint16_t*>(pixels)[i] : static_cast<uint8_t*>(pixels)[i];
        }
        QColor color = QColor::fromRgbF(s[0] / max, s[1] / max, s[2] / max);
        adjust(color);
        const QColor rgb = color.toRgb();
        const int out[3]
            = { qRound(rgb.redF() * max), qRound(rgb.greenF() * max), qRound(rgb.blueF() * max) };
        for (int c = 0; c < 3; ++c) {
            const std::size_t i = p * channels + c;
            if (wide)
                static_cast<uint16_t*>(pixels)[i] = static_cast<uint16_t>(out[c]);
            else
                static_cast<uint8_t*>(pixels)[i] = static_cast<uint8_t>(out[c]);
        }
    }
}

} // namespace

CIP_HsvAdjust::Triple CIP_HsvAdjust::toHsv(int r16, int g16, int b16)
{
    return toHsvWith<true>(quotients(), r16, g16, b16);
}

CIP_HsvAdjust::Triple CIP_HsvAdjust::toHsl(int r16, int g16, int b16)
{
    return toHslWith<true>(quotients(), r16, g16, b16);
}

void CIP_HsvAdjust::fromHsv(const Triple& hsv, int rgb16[3])
{
    fromHsvWith(quotients(), hsv, rgb16);
}

void CIP_HsvAdjust::fromHsl(const Triple& hsl, int rgb16[3])
{
    fromHslWith(quotients(), hsl, rgb16);
}

void CIP_HsvAdjust::brightness(
    void* pixels, std::size_t pixelCount, int bits, int channels, int offset, int threads)
{
    adjustParallel(
        pixels, pixelCount, bits, channels, threads,
        [offset](const Quotients& q, int r, int g, int b) {
            Triple hsv = toHsvWith<false>(q, r, g, b);
            hsv.third = qBound(0, hsv.third + offset, 255);
            return hsv;
        },
        [](const Quotients& q, const Triple& hsv, int rgb[3]) { fromHsvWith(q, hsv, rgb); });
}

void CIP_HsvAdjust::saturation(
    void* pixels, std::size_t pixelCount, int bits, int channels, int offset, int threads)
{
    if (offset == 0)
        return;
    adjustParallel(
        pixels, pixelCount, bits, channels, threads,
        [offset](const Quotients& q, int r, int g, int b) {
            Triple hsl = toHslWith<false>(q, r, g, b);
            hsl.saturation = qBound(0, hsl.saturation + offset, 255);
            return hsl;
        },
        [](const Quotients& q, const Triple& hsl, int rgb[3]) { fromHslWith(q, hsl, rgb); });
}

void CIP_HsvAdjust::brightnessReference(
    void* pixels, std::size_t pixelCount, int bits, int channels, int offset)
{
    referenceLoop(pixels, pixelCount, bits, channels, [offset](QColor& color) {
        int h, s, v;
        color.getHsv(&h, &s, &v);
        color.setHsv(h, s, qBound(0, v + offset, 255));
    });
}

void CIP_HsvAdjust::saturationReference(
    void* pixels, std::size_t pixelCount, int bits, int channels, int offset)
{
    if (offset == 0)
        return;
    referenceLoop(pixels, pixelCount, bits, channels, [offset](QColor& color) {
        int h, s, l;
        color.getHsl(&h, &s, &l);
        color.setHsl(h, qBound(0, s + offset, 255), l);
    });
}
