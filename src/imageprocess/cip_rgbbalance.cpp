#include "cip_rgbbalance.h"

#include "cip_greysearch.h"
#include "cip_imageprocess.h"
#include "cip_rawimg.h"
#include "ipinireader.h"
#include "ipmodelfiles.h"

#include <algorithm>
#include <cmath>

namespace
{

// A value of the editable file held to the range the balance can use: a level or adjustment
// beyond it would overflow the integer arithmetic of the black, white and middle points.
// Not a number gives the default.
float bounded(float value, float low, float high, float fallback)
{
    if (std::isnan(value))
        return fallback;
    return std::clamp(value, low, high);
}

} // namespace

void CIP_RgbBalanceParams::read(int modelIndex, int filmCode)
{
    shadowShare = 0.2f;
    highlightShare = 0.2f;
    const bool positive = filmCode == FilmTypes::kCodePositive;
    const char* section = FilmTypes::parameterSection(filmCode, "RGB_BALANCE_V2_P", "RGB_BALANCE_V2_N");
    if (!section)
        return;
    const IPString file = IPParamFilePath(IPParamFile::RgbBalance, modelIndex);
    const char* path = file.text();
    IPParamFileReadable(path);
    const auto f = [&](const char* key, float fallback, float low, float high) {
        return bounded(IPReadIniFloat(section, key, fallback, path), low, high, fallback);
    };
    // Percentages of the level range or of full scale; the factors are percentages that
    // multiply, so any size up to a thousand percent stays harmless.
    extendLevel = f("IDC_EXTEND_LEVEL", 1.0f, 0.0f, 100.0f);
    maxContrastLevel = f("IDC_MAX_CONTRAST_LEVEL", 85.0f, 0.0f, 100.0f);
    midtoneMaxSaturationPercent = f("IDC_MIDTONE_MAX_SATURATION_PERCENT", 20.0f, 0.0f, 100.0f);
    midtoneTolBrightPercent = f("IDC_MIDTONE_TOL_BRIGHT_PERCENT", 10.0f, 0.0f, 100.0f);
    allMidtoneAdjust = f("IDC_ALL_MIDTONE_ADJUST", 0.0f, -100.0f, 100.0f);
    colorEnhanceFactor = f("IDC_COLOR_ENHANCE_FACTOR", positive ? 17.0f : 10.0f, 0.0f, 1000.0f);
    colorEnhanceMulti = f("IDC_COLOR_ENHANCE_MULTI", 50.0f, 0.0f, 1000.0f);
    const char* modifyKeys[3] = { "IDC_MAX_MODIFY_R", "IDC_MAX_MODIFY_G", "IDC_MAX_MODIFY_B" };
    const char* adjustKeys[3] = { "IDC_ADJUST_R", "IDC_ADJUST_G", "IDC_ADJUST_B" };
    for (int c = 0; c < 3; ++c) {
        maxModify[c] = f(modifyKeys[c], 10.0f, 0.0f, 100.0f);
        adjust[c] = f(adjustKeys[c], 0.0f, -100.0f, 100.0f);
    }
    autoLevelFactor = f("IDC_AUTO_LEVEL_FACTOR", 100.0f, 0.0f, 1000.0f);
}

namespace
{

// The straight level map of a channel's black and white points.
double levelMap(double x, int blackIn, int blackOut, int whiteIn, int whiteOut)
{
    if (whiteIn <= blackIn)
        return x;
    return blackOut + (x - blackIn) * double(whiteOut - blackOut) / double(whiteIn - blackIn);
}

// Whether the quadratic through the three points rises all the way from x0 to x2: its
// derivative is linear, so both ends suffice.
bool risesThroughout(double x0, double y0, double x1, double y1, double x2, double y2)
{
    if (!(x0 < x1 && x1 < x2))
        return false;
    const double s01 = (y1 - y0) / (x1 - x0);
    const double s12 = (y2 - y1) / (x2 - x1);
    const double a = (s12 - s01) / (x2 - x0);
    return s01 - a * (x1 - x0) >= 0.0 && s01 + a * (2.0 * x2 - x0 - x1) >= 0.0;
}

} // namespace

// Middle points of RGB balance.
//
// Aim: the near-grey pixels come out neutral, by no more than their cast, without bending any
// curve backwards, and a neutral image stays neutral.
// 1. Each channel's grey mean is first taken through the channel's own black and white points
//    (the straight level map L_c); g_c is where the grey lands without a middle point.
// 2. The target grey T is the mean of the three g_c, so the correction moves the channels
//    toward each other and keeps the grey's brightness.
// 3. The correction of a channel is f * (T - g_c), with f = IDC_AUTO_LEVEL_FACTOR / 100 capped
//    at 1 (never past neutral: no overshoot). When the grey mean colour is more saturated than
//    IDC_MIDTONE_MAX_SATURATION_PERCENT it is more likely the subject's colour than a cast, so
//    f shrinks by the ratio of that limit to the saturation.
// 4. IDC_ADJUST_R/G/B (percent of full scale) are added as the user's own bias, and the sum is
//    limited to the channel's modification limit (IDC_MAX_MODIFY_*, already raised fourfold when
//    the image is dominated by the cast's hue).
// 5. IDC_COLOR_ENHANCE_FACTOR x IDC_COLOR_ENHANCE_MULTI (both percent) of the gap between T and
//    mid-scale is added to all three channels alike: a gentle midtone normalisation that cannot
//    tint anything.
// 6. The middle input is the grey mean, kept IDC_MIDTONE_TOL_BRIGHT_PERCENT of the black-white
//    span away from both ends (a quadratic through a point hugging an end swings wildly); the
//    middle output is L_c there plus the correction. When the curve would not rise throughout,
//    the correction is halved until it does.
// 7. Inputs and outputs are clamped to 1 ... max, so every channel is corrected.
void CIP_RgbBalance::middlePoints(const CIP_RgbBalanceParams& p, const MiddleInput& in, Middle out[3])
{
    double g[3];
    for (int c = 0; c < 3; ++c) {
        g[c] = std::clamp(
            levelMap(in.greyMean[c], in.blackIn[c], in.blackOut[c], in.whiteIn[c], in.whiteOut[c]), 0.0,
            double(in.max));
    }
    const double target = (g[0] + g[1] + g[2]) / 3.0;
    double f = std::clamp(p.autoLevelFactor / 100.0, 0.0, 1.0);
    const double saturationPercent = in.castSaturation * 100.0;
    if (p.midtoneMaxSaturationPercent > 0.0f && saturationPercent > p.midtoneMaxSaturationPercent)
        f *= p.midtoneMaxSaturationPercent / saturationPercent;
    const double enhance = std::clamp(p.colorEnhanceFactor / 100.0 * p.colorEnhanceMulti / 100.0, 0.0, 1.0);
    const double lift = enhance * (in.max / 2.0 - target);
    const double tol = std::clamp(p.midtoneTolBrightPercent / 100.0, 0.0, 0.45);

    for (int c = 0; c < 3; ++c) {
        const int b0 = in.blackIn[c], b1 = in.blackOut[c], w0 = in.whiteIn[c], w1 = in.whiteOut[c];
        const double limit = std::max(0.0, in.modifyLimit[c]) * in.max;
        double shift = f * (target - g[c]) + p.adjust[c] / 100.0 * in.max;
        shift = std::clamp(shift, -limit, limit) + lift;
        double x = in.greyMean[c];
        if (w0 > b0)
            x = std::clamp(x, b0 + tol * (w0 - b0), w0 - tol * (w0 - b0));
        x = std::floor(x);
        const double base = levelMap(x, b0, b1, w0, w1);
        double y = base + shift;
        for (int i = 0; i < 30 && !risesThroughout(b0, b1, x, y, w0, w1) && std::fabs(y - base) > 0.5; ++i)
            y = base + (y - base) * 0.5;
        out[c].midIn = std::clamp(int(x), 1, in.max);
        out[c].midOut = std::clamp(int(std::lround(y)), 1, in.max);
    }
}

int CIP_RgbBalance::run(CIP_ImageProcess& process, CIP_RawImg& image, int filmCode, bool skipCrop)
{
    if (!skipCrop) {
        std::vector<CIP_Rect> crops;
        process.autoCrop(image, 0, filmCode, 0, &crops);
    }
    CIP_RgbBalanceParams& p = process.balanceParams;
    p.read(process.modelIndex, filmCode);
    const int max = image.maxValue();
    const int levels = image.levels();
    const CIP_Rect rect = process.analysisRect(image.width, image.height);
    if (rect.isEmpty())
        return CIP_ImageProcess::kNoPixels;

    CIP_CurveRecord* rec = process.records;
    for (int c = 0; c < 4; ++c)
        rec[c] = CIP_CurveRecord { 0, 0, max / 2, max / 2, max, max };

    // Black and white points from the clipped ends of the histograms.
    const int histResult = image.ChannelHistogram(
        rect.left, rect.top, rect.right, rect.bottom, false, nullptr, nullptr, CIP_RawImg::kPositive);
    if (histResult != CIP_ImageProcess::kOk)
        return histResult;
    const long long n = rect.area();
    const long long cs = (long long)(n * p.shadowShare / 100.0);
    const long long ch = (long long)(n * p.highlightShare / 100.0);
    const int e = int(levels * p.extendLevel / 100.0);
    const int contrastLimit = int(levels * p.maxContrastLevel / 100.0);
    for (int c = 0; c < 3; ++c) {
        const std::uint32_t* h = image.channelHist + std::size_t(c) * levels;
        CIP_CurveRecord& r = rec[c];
        long long limit = cs;
        long long sum = 0;
        bool clipped = false;
        int i = 0;
        for (; i < max; ++i) {
            sum += h[i];
            if (sum > limit) {
                if (i > 0)
                    break;
                clipped = true;
                limit = h[0];
                sum = 0;
            }
        }
        if (clipped) {
            r.blackIn = 0;
            r.blackOut = std::max(0, i - e);
        } else {
            r.blackIn = std::max(0, i - e);
            r.blackOut = 0;
        }
        limit = ch;
        sum = 0;
        clipped = false;
        i = max;
        for (; i > 0; --i) {
            sum += h[i];
            if (sum > limit) {
                if (i < max)
                    break;
                clipped = true;
                limit = h[max];
                sum = 0;
            }
        }
        if (clipped) {
            r.whiteIn = max;
            r.whiteOut = i < 2 * levels / 3 ? max : std::min(i + e, max);
        } else {
            r.whiteOut = max;
            r.whiteIn = std::min(i + e, max);
        }
    }
    const int largestBlack = std::max({ rec[0].blackIn, rec[1].blackIn, rec[2].blackIn });
    if (largestBlack > contrastLimit && largestBlack > 0) {
        for (int c = 0; c < 3; ++c)
            rec[c].blackIn = int((long long)rec[c].blackIn * contrastLimit / largestBlack);
    }
    const int largestCut = std::max({ max - rec[0].whiteIn, max - rec[1].whiteIn, max - rec[2].whiteIn });
    if (largestCut > contrastLimit && largestCut > 0) {
        for (int c = 0; c < 3; ++c)
            rec[c].whiteIn = int(max - double(max - rec[c].whiteIn) * contrastLimit / largestCut);
    }

    // Middle points.
    rec[3] = CIP_CurveRecord { 0, 0, int((max / 2) * (1.0 + p.allMidtoneAdjust / 100.0)), max / 2, max, max };
    CIP_GreySearch grey(image, rect);
    CIP_GreySearch::Limits l { 0.25, 0.5, 1.0, 215.0, 165.0 };
    float castHue = 215.0f, castSat = 0.0f, castValue = 0.0f;
    if (grey.search(l) > 0.0) {
        const double* m = grey.means();
        CIP_RawImg::RGBtoHSV(float(m[0]), float(m[1]), float(m[2]), image.bits, castHue, castSat, castValue);
    }
    double modifyLimit[3];
    for (int c = 0; c < 3; ++c)
        modifyLimit[c] = p.maxModify[c] / 100.0;
    if (grey.search({ 1.0, 0.5, 1.0, castHue, 50.0 }) > 0.95) {
        for (double& m : modifyLimit)
            m *= 4.0;
    }
    double lo, hi, mid;
    grey.lightnessRange(lo, hi, mid);
    const double b = (lo + hi) / 2.0;
    double smax = std::clamp(double(castSat), 0.1, 0.4);
    int means[3] = { 0, 0, 0 };
    bool found = false;
    for (int repetition = 0; repetition < 10; ++repetition) {
        const double share = grey.search({ smax, b, 0.1, castHue, 80.0 });
        for (int c = 0; c < 3; ++c)
            means[c] = int(grey.means()[c]);
        found = means[0] && means[1] && means[2] && share >= 0.01;
        if (found || (filmCode == CIP_ImageProcess::kPositive && smax >= 0.3))
            break;
        if (smax < 0.4)
            smax += share < 0.0025 ? 0.04 : 0.02;
    }
    found = means[0] && means[1] && means[2];
    if (filmCode == CIP_ImageProcess::kPositive) {
        for (int c = 0; c < 3; ++c) {
            rec[c].whiteOut = max;
            rec[c].blackOut = 0;
        }
    }
    if (found) {
        MiddleInput in;
        for (int c = 0; c < 3; ++c) {
            // Storage order of the records; the means are in colour order.
            const int s = image.channelOrder == 1 ? 2 - c : c;
            in.greyMean[c] = means[c];
            in.blackIn[c] = rec[s].blackIn;
            in.blackOut[c] = rec[s].blackOut;
            in.whiteIn[c] = rec[s].whiteIn;
            in.whiteOut[c] = rec[s].whiteOut;
            in.modifyLimit[c] = modifyLimit[c];
        }
        float h, s, v;
        CIP_RawImg::RGBtoHSV(float(means[0]), float(means[1]), float(means[2]), image.bits, h, s, v);
        in.castSaturation = s;
        in.max = max;
        Middle out[3];
        middlePoints(p, in, out);
        for (int c = 0; c < 3; ++c) {
            const int st = image.channelOrder == 1 ? 2 - c : c;
            rec[st].midIn = out[c].midIn;
            rec[st].midOut = out[c].midOut;
        }
    }

    if (rec[0].midIn > 50 && rec[1].midIn > 50 && rec[2].midIn > 50) {
        const int shift = rec[3].midIn - rec[3].midOut;
        for (int c = 0; c < 3; ++c)
            rec[c].midIn = std::clamp(rec[c].midIn + shift, 1, max);
    }
    for (int c = 0; c < 4; ++c)
        process.records16[c] = image.is16Bit() ? rec[c] : CIP_ImageProcess::to16(rec[c]);
    process.buildAndApply(image, CIP_ToneCurve::Kind::ThreePoint);
    return CIP_ImageProcess::kOk;
}
