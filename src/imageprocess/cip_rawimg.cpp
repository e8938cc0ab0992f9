#include "cip_rawimg.h"

#include <cmath>
#include <new>

CIP_RawImg::CIP_RawImg() = default;

CIP_RawImg::~CIP_RawImg()
{
    delete[] pixels;
    delete[] channelHist;
    delete[] brightnessHist;
    delete[] borderStats;
}

int CIP_RawImg::levels() const
{
    if (bits <= 8)
        return 256;
    return bits >= 16 ? 65536 : (1 << bits);
}

int CIP_RawImg::sample(int x, int y, int c) const
{
    const std::size_t index = sampleOffset(x, y, c);
    if (!is16Bit())
        return pixels[index];
    const unsigned char* p = pixels + index * 2;
    const int value = int(p[0]) | (int(p[1]) << 8);
    const int top = maxValue();
    return value > top ? top : value;
}

void CIP_RawImg::setSample(int x, int y, int c, int value)
{
    const std::size_t index = sampleOffset(x, y, c);
    if (!is16Bit()) {
        pixels[index] = static_cast<unsigned char>(value);
        return;
    }
    unsigned char* p = pixels + index * 2;
    p[0] = static_cast<unsigned char>(value & 0xff);
    p[1] = static_cast<unsigned char>((value >> 8) & 0xff);
}

void CIP_RawImg::rgb(int x, int y, float& r, float& g, float& b) const
{
    r = float(sample(x, y, 0));
    g = float(sample(x, y, 1));
    b = float(sample(x, y, 2));
    if (channelOrder == 1) {
        const float t = r;
        r = b;
        b = t;
    }
}

void CIP_RawImg::RGBtoHSV(float r, float g, float b, int nBits, float& hue, float& saturation, float& value)
{
    // The two depths of this system without the library call; the same value either way.
    const float full = nBits == 8 ? 255.0f : nBits == 16 ? 65535.0f : float(std::ldexp(1.0, nBits) - 1.0);
    float maximum;
    float minimum;
    if (g <= r && r >= b) {
        minimum = g < b ? g : b;
        if (r == minimum) {
            hue = 0.0f;
            saturation = 0.0f;
            value = r / full;
            return;
        }
        hue = 60.0f * (g - b) / (r - minimum);
        if (hue < 0.0f)
            hue += 360.0f;
        maximum = r;
    } else if (r <= b && g <= b) {
        minimum = r < g ? r : g;
        hue = 60.0f * ((r - g) / (b - minimum) + 4.0f);
        if (hue < 0.0f)
            hue += 360.0f;
        maximum = b;
    } else {
        minimum = r < b ? r : b;
        hue = 60.0f * ((b - r) / (g - minimum) + 2.0f);
        maximum = g;
    }
    saturation = (maximum - minimum) / maximum;
    value = maximum / full;
}

void CIP_RawImg::RGBtoHSVRedDistance(float r, float g, float b, float& hue, float& saturation, float& value)
{
    RGBtoHSV(r, g, b, 8, hue, saturation, value);
    if (hue > 180.0f)
        hue = 360.0f - hue;
    hue /= 180.0f;
}

bool CIP_RawImg::colourFilterSet() const
{
    return hueMin != -1 || hueMax != -1 || satMin != -1.0f || satMax != -1.0f || refHue != -1.0f;
}

bool CIP_RawImg::passesColourFilter(float r, float g, float b) const
{
    float hue;
    float saturation;
    float value;
    RGBtoHSV(r, g, b, bits, hue, saturation, value);

    float weight = 1.0f;
    if (refHue != -1.0f) {
        const float d = std::fabs(hue - refHue);
        // A tolerance of 0 or less leaves no window around the reference hue.
        if (d <= hueTol && hueTol > 0.0f)
            weight = (hueTol - d) / hueTol * (hueWeight - 1.0f) + 1.0f;
    }
    // Each bound of a window applies on its own; -1 leaves that side open, so a window
    // with one bound set does not drop every pixel.
    if (hueMin != -1 && hue < float(hueMin))
        return false;
    if (hueMax != -1 && hue > float(hueMax))
        return false;
    if (satMin != -1.0f && saturation < weight * satMin)
        return false;
    if (satMax != -1.0f && saturation > weight * satMax)
        return false;
    return true;
}

bool CIP_RawImg::allocChannelHist(std::size_t entries)
{
    delete[] channelHist;
    channelHist = new (std::nothrow) std::uint32_t[entries]();
    return channelHist != nullptr;
}

bool CIP_RawImg::allocBrightnessHist(std::size_t entries)
{
    delete[] brightnessHist;
    brightnessHist = new (std::nothrow) std::uint32_t[entries]();
    return brightnessHist != nullptr;
}
