#pragma once

#include <cstddef>

// The brightness and saturation steps. Their samples are defined by QColor: a pixel goes to
// QColor as fractions of full scale, is read back with the integer getHsv()/getHsl() (hue in
// whole degrees, the rest on 0-255), has its value or saturation moved, is set again with
// setHsv()/setHsl() and comes back through toRgb() as fractions of full scale, rounded to the
// nearest sample.
//
// The fast route repeats QColor's own double arithmetic step by step (same operations in the
// same order, so the same roundings) without building QColor objects; tests compare it with
// QColor on every 8-bit triple, on ten million random 16-bit triples and on the whole domain
// of the back conversion. The reference route calls QColor for every pixel.
//
// Pure functions over caller-owned buffers: callable from any thread.
class CIP_HsvAdjust
{
public:
    // QColor's integer reading: hue -1 (achromatic) or 0..360, the other two 0..255.
    struct Triple {
        int hue;
        int saturation;
        int third; // value (HSV) or lightness (HSL)
    };

    // Conversions on QColor's 16-bit channel scale (0..65535).
    static Triple toHsv(int r16, int g16, int b16);
    static Triple toHsl(int r16, int g16, int b16);
    static void fromHsv(const Triple& hsv, int rgb16[3]);
    static void fromHsl(const Triple& hsl, int rgb16[3]);

    // value = clamp(value + offset, 0, 255) on every pixel (always converted, also for 0).
    static void brightness(
        void* pixels, std::size_t pixelCount, int bits, int channels, int offset, int threads = 0);
    // saturation = clamp(saturation + offset, 0, 255); nothing happens for offset 0.
    static void saturation(
        void* pixels, std::size_t pixelCount, int bits, int channels, int offset, int threads = 0);

    // Per-pixel QColor versions: the oracle of the tests and the benchmark's baseline.
    static void brightnessReference(void* pixels, std::size_t pixelCount, int bits, int channels, int offset);
    static void saturationReference(void* pixels, std::size_t pixelCount, int bits, int channels, int offset);
};
