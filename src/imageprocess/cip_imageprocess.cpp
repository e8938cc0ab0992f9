#include "cip_imageprocess.h"

#include "cip_hsvadjust.h"
#include "cip_median.h"
#include "cip_rawimg.h"
#include "cip_tonetable.h"

#include <scannermodels.h>

#include <algorithm>
#include <cstring>

CIP_ImageProcess::CIP_ImageProcess()
    : m_tables(new uint16_t[6 * kTableSize])
{
    resetTables();
}

CIP_ImageProcess::~CIP_ImageProcess() = default;

void CIP_ImageProcess::resetTables()
{
    // One identity built, five copied: the copy is the cheaper loop.
    CIP_ToneCurve::buildIdentity(kTableSize - 1, m_tables.get());
    for (int t = 1; t < 6; ++t)
        std::memcpy(m_tables.get() + t * kTableSize, m_tables.get(), sizeof(uint16_t) * kTableSize);
}

CIP_Rect CIP_ImageProcess::defaultRect(int width, int height)
{
    // Floating point, then truncated.
    return CIP_Rect { int(width * 25.0 / 100.0), int(height * 25.0 / 100.0), int(width * 75.0 / 100.0),
        int(height * 75.0 / 100.0) };
}

CIP_Rect CIP_ImageProcess::inset(const CIP_Rect& r)
{
    // Integer steps with truncating division, each using the value just computed.
    CIP_Rect i;
    i.left = r.left + (r.right - r.left) * 8 / 100;
    i.top = r.top + (r.bottom - r.top) * 8 / 100;
    i.right = r.right + (i.left - r.right) * 8 / 100;
    i.bottom = r.bottom + (i.top - r.bottom) * 8 / 100;
    return i;
}

CIP_Rect CIP_ImageProcess::analysisRect(int width, int height)
{
    if (rect.right == 0 && rect.bottom == 0)
        rect = defaultRect(width, height);
    return inset(rect).clipped(width, height);
}

CIP_CurveRecord CIP_ImageProcess::to16(const CIP_CurveRecord& r)
{
    const auto widen = [](int v) { return v == 255 ? 65535 : v * 256; };
    CIP_CurveRecord w;
    w.blackIn = widen(r.blackIn);
    w.blackOut = r.blackOut == -1 ? -1 : widen(r.blackOut);
    w.midIn = widen(r.midIn);
    w.midOut = widen(r.midOut);
    w.whiteIn = widen(r.whiteIn);
    w.whiteOut = widen(r.whiteOut);
    return w;
}

void CIP_ImageProcess::buildAndApply(CIP_RawImg& image, CIP_ToneCurve::Kind kind, bool applyToImage)
{
    // Every analysis starts from identity tables: a channel whose curve cannot be built
    // must not inherit the previous image's correction.
    resetTables();
    uint16_t* const wide[3] = { table16(0), table16(1), table16(2) };
    CIP_ToneCurve::buildTables(records16, 16, kind, wide);
    uint16_t* const working[3] = { table(0), table(1), table(2) };
    bool sameAs16 = image.is16Bit();
    for (int c = 0; c < 4 && sameAs16; ++c)
        sameAs16 = std::memcmp(&records[c], &records16[c], sizeof(CIP_CurveRecord)) == 0;
    if (sameAs16) {
        // The tables are a function of the records and the depth alone: building the same
        // 16-bit records twice would give the same entries.
        std::memcpy(table(0), table16(0), sizeof(uint16_t) * 3 * kTableSize);
    } else if (image.is16Bit())
        CIP_ToneCurve::buildTables(records, 16, kind, working);
    else
        CIP_ToneCurve::buildTables(records, 8, kind, working);
    if (applyToImage)
        applyTables(image);
}

void CIP_ImageProcess::applyTables(CIP_RawImg& image) const
{
    const uint16_t* const working[3] = { table(0), table(1), table(2) };
    applyTables(image, working);
}

void CIP_ImageProcess::applyTables(CIP_RawImg& image, const uint16_t* const tables[3])
{
    if (!image.pixels || image.width <= 0 || image.height <= 0)
        return;
    CIP_ToneTable::apply(image.pixels, image.pixels, std::size_t(image.width) * image.height, image.bits,
        image.channels, tables);
}

void CIP_ImageProcess::brightness(CIP_RawImg& image, int offset)
{
    if (!image.pixels || image.width <= 0 || image.height <= 0)
        return;
    CIP_HsvAdjust::brightness(
        image.pixels, std::size_t(image.width) * image.height, image.bits, image.channels, offset);
}

void CIP_ImageProcess::saturation(CIP_RawImg& image, int offset)
{
    if (!image.pixels || image.width <= 0 || image.height <= 0)
        return;
    CIP_HsvAdjust::saturation(
        image.pixels, std::size_t(image.width) * image.height, image.bits, image.channels, offset);
}

bool CIP_ImageProcess::noiseReduction(CIP_RawImg& image, int k)
{
    if (!image.pixels || image.width <= 0 || image.height <= 0)
        return true;
    return CIP_Median::apply(image.pixels, image.width, image.height, image.bits, image.channels, k);
}

int CIP_ImageProcess::filmTermTable(FilmTermStep step, int modelIndex)
{
    switch (step) {
    case FilmTermStep::SlideFilm:
        return 0;
    case FilmTermStep::SlideFilm2:
        return 1;
    default:
        break;
    }
    return ScannerModels::filmTermTable(modelIndex, int(step) - int(FilmTermStep::PositiveFilm));
}

int CIP_ImageProcess::autoCrop(
    CIP_RawImg& image, int filmFormat, int filmCode, int optionFlag, std::vector<CIP_Rect>* cropList)
{
    (void)optionFlag; // no model of this system gives it a meaning
    cropParams.read(modelIndex, filmFormat, filmCode);
    CIP_Rect found;
    const int result = CIP_AutoCrop::search(image, cropParams, found);
    if (slideMode)
        found = CIP_Rect { image.width * 5 / 100, image.height * 5 / 100, image.width * 95 / 100,
            image.height * 95 / 100 };
    if (result != kOk)
        found = CIP_Rect { 0, 0, image.width * 40 / 100, image.height * 40 / 100 };
    if (cropList)
        cropList->push_back(found);
    rect = found;
    return result;
}

int CIP_ImageProcess::autoColor(CIP_RawImg& image, int filmCode, bool applyToImage)
{
    return CIP_AutoColor::run(*this, image, filmCode, applyToImage);
}

int CIP_ImageProcess::rgbBalance(CIP_RawImg& image, int filmCode, bool skipCrop)
{
    return CIP_RgbBalance::run(*this, image, filmCode, skipCrop);
}

int CIP_ImageProcess::gammaCurve(CIP_RawImg& image, int filmCode, bool invert)
{
    int d = 128;
    int e = 128;
    if (!slideMode) {
        const CIP_Rect r = analysisRect(image.width, image.height);
        if (r.isEmpty())
            return kNoPixels;
        const int result = image.BrightnessHistogram(r.left, r.top, r.right, r.bottom, false, 0, false);
        if (result != kOk)
            return result;
        d = e = int(image.mean[3]);
        if (image.is16Bit()) {
            d /= 256;
            e /= 256;
        }
        const bool flip = filmCode != kPositive && invert;
        if (flip)
            d = 256 - d;
        // Percentages with truncating integer division.
        const auto less = [&d](int percent) { d = d - d * percent / 100; };
        if (filmCode == kColourNegative || filmCode == kBlackWhiteNegative) {
            const bool bw = filmCode == kBlackWhiteNegative;
            if (d >= 170)
                less(bw ? 33 : 30);
            else if (d >= 130)
                less(bw ? 28 : 25);
            else if (d >= 120)
                less(bw ? 22 : 20);
            else if (d >= 100)
                less(bw ? 10 : 8);
        } else {
            if (d <= 180)
                d = d * 140 / 100;
            if (d >= 255)
                d = 255;
        }
        if (flip)
            d = 256 - d;
    }

    if (filmCode == kPositive) {
        for (int c = 0; c < 4; ++c) {
            records[c] = CIP_CurveRecord { 0, 0, e, d, 255, 255 };
            records16[c] = CIP_CurveRecord { 0, 0, e == 255 ? 65535 : e * 256, d == 255 ? 65535 : d * 256,
                65535, 65535 };
            if (image.is16Bit()) {
                // Values above 65280 come out as 65280.
                records[c] = CIP_CurveRecord { 0, 0, e * 256, d * 256, 65280, 65280 };
                records16[c] = records[c];
            }
        }
        buildAndApply(image, CIP_ToneCurve::Kind::ThreePoint);
        return kOk;
    }

    // Negatives: the provisional positive curve's value at 50 sets the first point.
    std::vector<uint16_t> provisional(256);
    CIP_ToneCurve::buildThreePoint(CIP_CurveRecord { 0, 0, e, d, 255, 255 }, 255, false, provisional.data());
    const int k = provisional[50];
    int t;
    if (k >= 25)
        t = int(k * 1.2);
    else if (k >= 20)
        t = int(k * 1.4);
    else if (k >= 15)
        t = int(k * 1.7);
    else if (k < 5)
        t = 12;
    else
        t = k * 2;
    CIP_CurveRecord r8 { 50, t, e, d, 255, 255 };
    if (e == d) {
        r8.blackIn = 5;
        r8.blackOut = 5;
    }
    for (int c = 0; c < 4; ++c) {
        records16[c] = to16(r8);
        records[c] = image.is16Bit() ? records16[c] : r8;
    }
    buildAndApply(image, CIP_ToneCurve::Kind::FourPoint);
    return kOk;
}

int CIP_ImageProcess::autoContrast(CIP_RawImg& image, int filmCode)
{
    if (rect.right == 0 && rect.bottom == 0) {
        std::vector<CIP_Rect> crops;
        autoCrop(image, 0, filmCode, 0, &crops);
    }
    if (image.width <= 0 || image.height <= 0)
        return kNoPixels;
    const int result = image.ChannelHistogram(
        0, 0, image.width, image.height, false, nullptr, nullptr, CIP_RawImg::kPositive);
    if (result != kOk)
        return result;

    const long long n = image.pixelsCounted;
    const int levels = image.levels();
    const int max = levels - 1;
    const std::uint32_t* hist = image.channelHist;
    const int v = int((image.mean[0] + image.mean[1] + image.mean[2]) / 3.0f);
    const int start = int(v * 0.05);

    // Low point: red's index stands unless green or blue stop lower.
    const auto lowPoint = [&](long long share) {
        int a = 0;
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t* h = hist + std::size_t(c) * levels;
            long long sum = 0;
            int found = -1;
            for (int i = std::max(start, 0); i <= max; ++i) {
                if (sum >= share) {
                    found = i;
                    break;
                }
                sum += h[i];
            }
            if (c == 0)
                a = found < 0 ? 0 : found;
            else if (found >= 0 && found < a)
                a = found;
        }
        return a;
    };
    const auto highPoint = [&](long long share) {
        int g = 0;
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t* h = hist + std::size_t(c) * levels;
            long long sum = 0;
            for (int i = max; i >= 0; --i) {
                sum += h[i];
                if (sum >= share) {
                    g = std::max(g, i - 1);
                    break;
                }
            }
        }
        return g;
    };

    uint16_t* red = table(0);
    const long long s = (long long)(n * 0.005 / 100.0);
    int a = lowPoint(s);
    const int g = highPoint(s);
    bool stretched = false;
    if (a < g) {
        const double h = double(v - a) / double(g - a);
        double c = 0.4 - (h - (1.0 - h)) * 0.399;
        if (c > 0.07)
            c = std::max(c - 0.07, 0.006);
        else
            c = 0.006;
        const long long lowShare = (long long)(n * (h < 0.5 ? 0.4 : c) / 100.0);
        const long long highShare = (long long)(n * (h < 0.5 ? c : 0.4) / 100.0);
        a = lowPoint(lowShare);
        const int top = highPoint(highShare);
        if (a < top) {
            for (int i = 0; i < a; ++i)
                red[i] = 0;
            for (int i = a; i < top; ++i)
                red[i] = uint16_t((long long)max * (i - a) / (top - a));
            for (int i = top; i <= max; ++i)
                red[i] = uint16_t(max);
            stretched = true;
        }
    }
    if (!stretched) {
        // Also when the clipped ends cross: the fixed table rather than a half-built one.
        const int knee = image.is16Bit() ? 28159 : 109;
        for (int i = 0; i <= max; ++i)
            red[i] = uint16_t(i > knee ? max : i);
    }
    for (int c = 1; c < 3; ++c)
        std::memcpy(table(c), red, sizeof(uint16_t) * levels);
    for (int c = 0; c < 3; ++c)
        std::memcpy(table16(c), red, sizeof(uint16_t) * levels);
    applyTables(image);
    return kOk;
}
