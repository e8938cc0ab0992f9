#include "cip_autocrop.h"

#include "cip_rawimg.h"
#include "ipinireader.h"
#include "ipmodelfiles.h"

#include <filmtype.h>

#include <algorithm>
#include <cmath>

void CIP_AutoCropParams::read(int modelIndex, int filmFormat, int filmCode)
{
    const char* section = FilmTypes::parameterSection(filmCode, "AUTOCROP_POS", "AUTOCROP_NEG");
    if (!section)
        return;
    const IPString file = IPParamFilePath(IPParamFile::AutoCrop, modelIndex, filmFormat);
    const char* path = file.text();
    IPParamFileReadable(path);
    const auto f = [&](const char* key, float def) { return IPReadIniFloat(section, key, def, path); };
    const auto i = [&](const char* key, int def) { return IPReadIniInt(section, key, def, path); };
    cropLeft = f("IDC_CROP_LEFT", 0);
    cropTop = f("IDC_CROP_TOP", 0);
    cropRight = f("IDC_CROP_RIGHT", 100);
    cropBottom = f("IDC_CROP_BOTTOM", 100);
    borderLeft = f("IDC_BORDER_LEFT", 0);
    borderTop = f("IDC_BORDER_TOP", 0);
    borderRight = f("IDC_BORDER_RIGHT", 100);
    borderBottom = f("IDC_BORDER_BOTTOM", 100);
    minLeft = i("IDC_MIN_LEFT", 0);
    minTop = i("IDC_MIN_TOP", 0);
    minRight = i("IDC_MIN_RIGHT", 0);
    minBottom = i("IDC_MIN_BOTTOM", 0);
    filmHoleType = i("IDC_FILMHOLE_TYPE", 0);
    skipFilmHolePercent = f("IDC_SKIP_FILMHOLE_PERCENT", 0);
    refPercentBright = f("IDC_BORDER_REF_PERCENT_BRIGHT", 10);
    refPercentDark = f("IDC_BORDER_REF_PERCENT_DARK", 20);
    ifExistPercentBright = f("IDC_BORDER_IFEXIST_PERCENT_BRIGHT", 5);
    ifExistPercentDark = f("IDC_BORDER_IFEXIST_PERCENT_DARK", 5);
    defaultPercentBright = f("IDC_BORDER_DEFAULT_PERCENT_BRIGHT", 95);
    defaultPercentDark = f("IDC_BORDER_DEFAULT_PERCENT_DARK", 10);
    tolBright = f("IDC_BORDER_TOL_BRIGHT", 2);
    tolDark = f("IDC_BORDER_TOL_DARK", 2);
    refImgPercentWidth = f("IDF_REF_IMG_PERCENT_WIDTH", 70);
    refImgPercentHeight = f("IDF_REF_IMG_PERCENT_HEIGHT", 70);
    deflateLeft = f("IDC_DEFLATE_LEFT", 1);
    deflateTop = f("IDC_DEFLATE_TOP", 1);
    deflateRight = f("IDC_DEFLATE_RIGHT", 1);
    deflateBottom = f("IDC_DEFLATE_BOTTOM", 1);
    minPercentImg = f("IDF_MIN_PERCENT_IMG", 30);
    minPercentBorder = f("IDF_MIN_PERCENT_BORDER", 1);
}

CIP_AutoCrop::Plane CIP_AutoCrop::valuePlane(const CIP_RawImg& image)
{
    Plane plane;
    plane.width = image.width;
    plane.height = image.height;
    plane.percent.resize(std::size_t(std::max(0, image.width)) * std::max(0, image.height));
    if (plane.percent.empty() || !image.pixels || image.channels < 3)
        return plane;
    // The HSV value is the largest channel over full scale in every branch of RGBtoHSV, so
    // only that is formed, with the same float operations; row pointers instead of
    // sample() per channel, samples read as sample() reads them.
    const float full = image.bits == 8 ? 255.0f
        : image.bits == 16             ? 65535.0f
                                       : float(std::ldexp(1.0, image.bits) - 1.0);
    const bool wide = image.is16Bit();
    const int top = image.maxValue();
    const std::size_t channels = std::size_t(image.channels);
    const std::size_t rowBytes = std::size_t(image.width) * channels * (wide ? 2 : 1);
    float* out = plane.percent.data();
    for (int y = 0; y < image.height; ++y) {
        const unsigned char* row = image.pixels + std::size_t(y) * rowBytes;
        if (wide) {
            for (int x = 0; x < image.width; ++x, row += 2 * channels) {
                int m = std::max({ int(row[0]) | (int(row[1]) << 8), int(row[2]) | (int(row[3]) << 8),
                    int(row[4]) | (int(row[5]) << 8) });
                m = std::min(m, top);
                *out++ = float(m) / full * 100.0f;
            }
        } else {
            for (int x = 0; x < image.width; ++x, row += channels)
                *out++ = float(std::max({ row[0], row[1], row[2] })) / full * 100.0f;
        }
    }
    return plane;
}

float CIP_AutoCrop::level(
    const Plane& plane, const CIP_Rect& area, Mode mode, float reference, float presence, bool* present)
{
    const CIP_Rect a = area.clipped(plane.width, plane.height);
    long long selected = 0;
    double sum = 0.0;
    for (int y = a.top; y < a.bottom; ++y) {
        const float* row = plane.percent.data() + std::size_t(y) * plane.width;
        for (int x = a.left; x < a.right; ++x) {
            const float p = row[x];
            if ((mode == Mode::Dark && !(p < reference)) || (mode == Mode::Bright && !(p > reference)))
                continue;
            ++selected;
            sum += std::floor(p + 0.5f);
        }
    }
    const long long all = a.area();
    if (present)
        *present = all > 0 && double(selected * 100 / all) >= presence;
    return selected ? float(sum / double(selected)) : 0.0f;
}

namespace
{

struct Search {
    const CIP_AutoCrop::Plane& plane;
    const CIP_AutoCropParams& p;
    double darkThreshold, wideDark, brightThreshold, wideBright;
    int sprocketFirst = 0, sprocketEnd = 0; // rows [first, end) in the sprocket area

    bool isBorder(const CIP_Rect& line, bool sprocket) const
    {
        using M = CIP_AutoCrop::Mode;
        if (sprocket) {
            bool brightPresent = false, darkPresent = false;
            float bright = CIP_AutoCrop::level(
                plane, line, M::Bright, 100.0f - p.refPercentBright, p.ifExistPercentBright, &brightPresent);
            float dark = CIP_AutoCrop::level(
                plane, line, M::Dark, p.refPercentDark, p.ifExistPercentDark, &darkPresent);
            if (!brightPresent)
                bright = 1.0f;
            if (!darkPresent)
                dark = 99.0f;
            return bright > wideBright || dark < wideDark;
        }
        const double l = CIP_AutoCrop::level(plane, line, M::Plain, 0.0f, 0.0f) + 0.5;
        return l > brightThreshold || l < darkThreshold;
    }
};

// Pixels of a percentage of extent. The percentages come from an editable file: anything
// outside 0-100 (or not a number) would overflow the conversion to int or point outside
// the image, so it is held to the image.
int percentOf(int extent, float percent)
{
    const float share = percent >= 0.0f ? std::min(percent, 100.0f) : 0.0f; // NaN gives 0
    return int(extent * share / 100.0f);
}

// A minimum size in pixels from two edges of the file; held to a range whose sums cannot
// overflow (anything as large already exceeds every image).
int minimumSpan(int from, int to)
{
    constexpr long long kLargest = 1 << 28;
    return int(std::clamp((long long)to - (long long)from, 0LL, kLargest));
}

// Centre a length-long span about centre inside [low, lastIndex].
int centredStart(int centre, int length, int lastIndex)
{
    int start = centre - length / 2;
    if (start + length > lastIndex + 1)
        start = lastIndex + 1 - length;
    return std::max(start, 0);
}

} // namespace

int CIP_AutoCrop::search(const CIP_RawImg& image, const CIP_AutoCropParams& p, CIP_Rect& crop)
{
    const int width = image.width;
    const int height = image.height;
    crop = CIP_Rect {};
    if (image.channels < 3)
        return 2;

    const int minW = minimumSpan(p.minLeft, p.minRight);
    const int minH = minimumSpan(p.minTop, p.minBottom);
    const int a = percentOf(width, p.cropLeft);
    const int rightLimit = std::min(width - 1, percentOf(width, p.cropRight) - 1);
    const int firstRow = percentOf(height, p.cropTop);
    const int lastRow = std::min(height - 1, percentOf(height, p.cropBottom) - 1);

    const auto centred = [&](int top, int bottom) {
        const int rowStart = centredStart((top + bottom) / 2, minH, lastRow);
        const int colStart = centredStart((a + rightLimit) / 2, minW, rightLimit);
        return CIP_Rect { colStart, rowStart, colStart + minW, rowStart + minH };
    };
    if (minW >= width || minH >= height) {
        crop = centred(0, 0);
        return 3;
    }
    if (width <= 0 || height <= 0 || rightLimit < a || lastRow < firstRow) {
        crop = centred(0, 0);
        return 0;
    }

    const Plane plane = valuePlane(image);

    // Thresholds from the border reference area.
    const CIP_Rect borderArea { percentOf(width, p.borderLeft), percentOf(height, p.borderTop),
        percentOf(width, p.borderRight), percentOf(height, p.borderBottom) };
    bool present = false;
    double darkLevel
        = level(plane, borderArea, Mode::Dark, p.refPercentDark, p.ifExistPercentDark, &present) + 0.5;
    if (!present)
        darkLevel = p.defaultPercentDark;
    double darkThreshold = std::max(1.0, std::trunc(darkLevel) + p.tolDark);
    double wideDark = std::max(0.0, 2.0 * p.tolDark + darkThreshold);
    double brightLevel = level(plane, borderArea, Mode::Bright, 100.0f - p.refPercentBright,
                             p.ifExistPercentBright, &present)
        + 0.5;
    if (!present)
        brightLevel = p.defaultPercentBright;
    double brightThreshold = std::min(99.0, std::trunc(brightLevel) - p.tolBright);
    double wideBright = std::min(100.0, 2.0 * p.tolBright + brightThreshold);

    Search s { plane, p, darkThreshold, wideDark, brightThreshold, wideBright };
    const int sprocketDepth = percentOf(height, p.skipFilmHolePercent);
    if (p.filmHoleType == 1) {
        s.sprocketFirst = 0;
        s.sprocketEnd = sprocketDepth;
    } else if (p.filmHoleType == 2) {
        s.sprocketFirst = lastRow + 1 - sprocketDepth;
        s.sprocketEnd = lastRow + 1;
    }

    const int deflateLeft = percentOf(width, p.deflateLeft);
    const int deflateTop = percentOf(width, p.deflateTop);
    const int deflateRight = percentOf(width, p.deflateRight);
    const int deflateBottom = percentOf(width, p.deflateBottom);
    const int pictureRun = percentOf(width, p.minPercentImg) / 3;
    const int borderRun = percentOf(width, p.minPercentBorder);

    const int searchWidth = rightLimit - a + 1;
    const int stripWidth = std::max(1, percentOf(searchWidth, p.refImgPercentWidth));
    const int stripLeft = a + (searchWidth - stripWidth) / 2;
    const auto rowIsBorder = [&](int y) {
        return s.isBorder(CIP_Rect { stripLeft, y, stripLeft + stripWidth, y + 1 },
            y >= s.sprocketFirst && y < s.sprocketEnd);
    };
    std::vector<signed char> rowBorder(std::size_t(height), -1);
    const auto rowBorderCached = [&](int y) {
        if (rowBorder[y] < 0)
            rowBorder[y] = rowIsBorder(y) ? 1 : 0;
        return rowBorder[y] == 1;
    };

    // Top: the first run of picture rows longer than the picture run.
    int top = -1;
    for (int y = firstRow, run = 0; y <= lastRow; ++y) {
        if (rowBorderCached(y)) {
            run = 0;
            continue;
        }
        if (++run > pictureRun) {
            top = y - run + 1 + 1 + deflateTop;
            break;
        }
    }
    if (top < 0) {
        crop = centred(0, 0);
        return 0;
    }

    // Bottom: border rows counted from the minimum height on.
    int bottom = lastRow + 1;
    {
        int count = 0;
        int y = top + minH;
        for (; y <= lastRow; ++y) {
            if (rowBorderCached(y) && ++count > borderRun)
                break;
        }
        bottom = y - count - deflateBottom;
    }
    if (bottom - top < minH) {
        const int middle = (top + bottom) / 2;
        if (middle < minH / 2) {
            bottom = top + minH;
        } else {
            top = centredStart(middle, minH, lastRow);
            bottom = top + minH;
        }
    }
    if (bottom <= top) {
        crop = centred(top, top);
        return 0;
    }

    // Columns, classified over the central part of the rows found.
    const int spanHeight = bottom - top;
    const int stripHeight = std::max(1, percentOf(spanHeight, p.refImgPercentHeight));
    const int stripTop = top + (spanHeight - stripHeight) / 2;
    std::vector<signed char> colBorder(std::size_t(width), -1);
    const auto colIsBorder = [&](int x) {
        if (colBorder[x] < 0)
            colBorder[x] = s.isBorder(CIP_Rect { x, stripTop, x + 1, stripTop + stripHeight }, false) ? 1 : 0;
        return colBorder[x] == 1;
    };
    int left = -1;
    for (int x = a, run = 0; x <= rightLimit; ++x) {
        if (colIsBorder(x)) {
            run = 0;
            continue;
        }
        if (++run > pictureRun) {
            left = std::max(x - run + 1 + 1, borderRun) + deflateLeft;
            break;
        }
    }
    if (left < 0) {
        const CIP_Rect c = centred(top, bottom);
        crop = CIP_Rect { c.left, c.top, c.right, c.bottom };
        return 0;
    }
    int right;
    {
        int count = 0;
        int x = left + minW;
        for (; x <= rightLimit; ++x) {
            if (colIsBorder(x) && ++count > borderRun)
                break;
        }
        right = x - count - deflateRight;
    }
    if (right - left < minW) {
        left = centredStart((a + rightLimit) / 2, minW, rightLimit);
        right = left + minW;
    }
    crop = CIP_Rect { left, top, std::max(left, right), bottom };
    return 0;
}
