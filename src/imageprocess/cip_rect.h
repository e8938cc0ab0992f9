#pragma once

#include <algorithm>

// A pixel rectangle of an analysed image; right and bottom are exclusive.
struct CIP_Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    long long area() const { return isEmpty() ? 0 : (long long)width() * height(); }

    // The part inside a width x height image (empty when nothing of it is).
    CIP_Rect clipped(int imageWidth, int imageHeight) const
    {
        CIP_Rect r { std::max(left, 0), std::max(top, 0), std::min(right, imageWidth),
            std::min(bottom, imageHeight) };
        if (r.isEmpty())
            return CIP_Rect { 0, 0, 0, 0 };
        return r;
    }

    bool operator==(const CIP_Rect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};
