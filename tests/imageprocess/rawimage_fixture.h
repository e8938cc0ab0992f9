#pragma once

#include "cip_rawimg.h"

#include <cstdint>
#include <cstring>
#include <vector>

// A CIP_RawImg over a buffer the test owns (the pixel pointer is taken back before the view
// dies, as the processing steps do).
struct RawImageFixture {
    std::vector<uint8_t> bytes;
    CIP_RawImg view;

    RawImageFixture(int width, int height, int bits)
        : bytes(std::size_t(width) * height * 3 * (bits > 8 ? 2 : 1))
    {
        view.width = width;
        view.height = height;
        view.bits = bits;
        view.channels = 3;
        view.pixels = bytes.data();
    }
    ~RawImageFixture() { view.pixels = nullptr; }

    void set(int x, int y, int r, int g, int b)
    {
        view.setSample(x, y, 0, r);
        view.setSample(x, y, 1, g);
        view.setSample(x, y, 2, b);
    }
    void fill(int r, int g, int b)
    {
        for (int y = 0; y < view.height; ++y)
            for (int x = 0; x < view.width; ++x)
                set(x, y, r, g, b);
    }
    int at(int x, int y, int c) const { return view.sample(x, y, c); }
};
