#include "cip_autocolor.h"

#include "cip_greysearch.h"
#include "cip_imageprocess.h"
#include "cip_rawimg.h"
#include "ipinireader.h"
#include "ipmodelfiles.h"

#include <algorithm>
#include <cmath>

namespace
{

double foldedDistance(double a, double b)
{
    double d = std::fabs(a - b);
    if (d > 180.0)
        d = 360.0 - d;
    return d;
}

struct Cast {
    float hue = 0.0f;
    float saturation = 0.0f;
    float value = 0.0f;
};

Cast castOf(const double* means, int bits)
{
    Cast c;
    CIP_RawImg::RGBtoHSV(
        float(means[0]), float(means[1]), float(means[2]), bits, c.hue, c.saturation, c.value);
    return c;
}

void startPoints(CIP_ImageProcess& process, int max)
{
    for (int c = 0; c < 4; ++c)
        process.records[c] = CIP_CurveRecord { 0, 0, max / 2, max / 2, max, max };
}

} // namespace

void CIP_AutoColorParams::read(int modelIndex, int filmCode)
{
    const char* section = FilmTypes::parameterSection(filmCode, "AUTO_COLOR_P", "AUTO_COLOR_N");
    if (!section)
        return;
    const IPString path = IPParamFilePath(IPParamFile::AutoColor, modelIndex);
    IPParamFileReadable(path.text());
    saturationWeightM = IPReadIniFloat(section, "IDC_SATURATION_WEIGHT_M", 40.0f, path.text());
    hueTol = IPReadIniFloat(section, "IDC_HUE_TOL", 50.0f, path.text());
    hueYellowMin = IPReadIniFloat(section, "IDC_HUE_YELLOW_MIN", 30.0f, path.text());
    hueYellowMax = IPReadIniFloat(section, "IDC_HUE_YELLOW_MAX", 80.0f, path.text());
    hueYellowMulti = IPReadIniFloat(section, "IDC_HUE_YELLOW_MULTI", 2.0f, path.text());
}

int CIP_AutoColor::run(CIP_ImageProcess& process, CIP_RawImg& image, int filmCode, bool applyToImage)
{
    CIP_AutoColorParams& p = process.autoColorParams;
    p.read(process.modelIndex, filmCode);
    const int max = image.maxValue();
    const CIP_Rect rect = process.analysisRect(image.width, image.height);
    if (rect.isEmpty())
        return CIP_ImageProcess::kNoPixels;

    startPoints(process, max);
    const auto finish = [&](int result) {
        for (int c = 0; c < 4; ++c)
            process.records16[c]
                = image.is16Bit() ? process.records[c] : CIP_ImageProcess::to16(process.records[c]);
        process.buildAndApply(image, CIP_ToneCurve::Kind::ThreePoint, applyToImage);
        return result;
    };

    CIP_GreySearch grey(image, rect);
    double lo, hi, mid;
    grey.lightnessRange(lo, hi, mid);

    CIP_GreySearch::Limits l { 0.5, (mid + hi) / 2.0, 0.2, 215.0, 165.0 };
    Cast cast;
    int mark = 0;
    double rangeMin = 0.0, rangeMax = 0.0, dist = 0.0;
    for (int n = 1; n <= 2; ++n) {
        double share = grey.search(l);
        bool widened = false;
        for (int i = 0; i < 5 / n && share < 0.0001 * n; ++i) {
            l.maxSaturation += 0.05;
            if (n == 1 && i == 0)
                l.brightness -= 0.1;
            widened = true;
            share = grey.search(l);
        }
        if (share < 0.0001 * n) {
            startPoints(process, max);
            return finish(CIP_ImageProcess::kNoGrey);
        }
        cast = castOf(grey.means(), image.bits);

        // Yellow centre taken round the circle from the range's start.
        double span = p.hueYellowMax - p.hueYellowMin;
        if (span < 0.0)
            span += 360.0;
        double yellow = p.hueYellowMin + span / 2.0;
        if (yellow > 360.0)
            yellow -= 360.0;
        const double dy = foldedDistance(cast.hue, yellow);
        const double db = foldedDistance(cast.hue, 260.0);
        if (db > dy) {
            rangeMin = p.hueYellowMin;
            rangeMax = p.hueYellowMax;
            dist = dy;
        } else {
            rangeMin = 240.0;
            rangeMax = 280.0;
            dist = db;
        }
        if (n == 2)
            break;
        const double castShare = grey.search({ 0.5, l.brightness, 1.0, cast.hue, 165.0 });
        const bool inside = cast.hue > rangeMin && cast.hue < rangeMax;
        if ((inside || rangeMax - rangeMin > dist) && !widened && castShare > 0.3) {
            mark = inside ? 2 : 1;
            break;
        }
        l = CIP_GreySearch::Limits { 0.15, cast.value, 0.1, 215.0, 165.0 };
    }

    // Final search around the cast's hue.
    const double hueTol0 = cast.saturation < 0.05f ? 180.0 : p.hueTol;
    double b = l.brightness;
    // When this search keeps no pixel its means are all 0, which read literally give a
    // saturation of 0 and so the narrowest limit below; the cast's saturation measured by the
    // earlier search is the better estimate and is kept instead.
    double s = cast.saturation;
    if (grey.search({ 0.5, b, 0.1, cast.hue, hueTol0 }) > 0.0)
        s = castOf(grey.means(), image.bits).saturation;
    const double half = (rangeMax - rangeMin) / 2.0;
    if (mark == 1 && half > 0.0) {
        const double k = (half - (dist - half)) / half;
        s = s * (k * (p.hueYellowMulti - 1.0) + 1.0);
        b = b + k * 0.35 + 0.15;
    } else if (mark == 2) {
        s = s * p.hueYellowMulti;
        b = b + 0.5;
    }
    const double smax = std::clamp(p.saturationWeightM * s / 100.0, 0.1, 0.4);
    b = std::min(b, 0.9 * hi);
    grey.search({ smax, b, 0.1, cast.hue, hueTol0 });

    const double* m = grey.means();
    if (grey.kept() == 0 || m[0] == 0.0 || m[1] == 0.0 || m[2] == 0.0) {
        startPoints(process, max);
        return finish(CIP_ImageProcess::kNoGrey);
    }
    const double k = (m[0] + m[1] + m[2]) / 3.0;
    for (int c = 0; c < 3; ++c) {
        CIP_CurveRecord& r = process.records[c];
        r.midIn = int(r.blackIn + (r.whiteIn - r.blackIn) * 0.5 + (m[c] - k));
    }
    if (image.channelOrder == 1)
        std::swap(process.records[0], process.records[2]);
    return finish(CIP_ImageProcess::kOk);
}
