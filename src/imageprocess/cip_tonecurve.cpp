#include "cip_tonecurve.h"

#include <algorithm>
#include <cmath>

namespace
{

// CIP_ToneCurve::curveValue, inlined into the table loops.
inline uint16_t entryValue(double v, int max, bool invert)
{
    if (v > max)
        return static_cast<uint16_t>(invert ? 0 : max);
    if (v < 0.0)
        return static_cast<uint16_t>(invert ? max : 0);
    // 0 <= v <= max here, so truncation is the floor (and cheaper than calling it).
    const int rounded0 = static_cast<int>(v);
    const double whole = rounded0;
    int rounded = rounded0;
    if (v - whole > 0.5)
        ++rounded;
    return static_cast<uint16_t>(invert ? max - rounded : rounded);
}

struct Point {
    double x;
    double y;
};

// Lagrange form through N points with distinct x, in floating point: enough to judge how far a
// cubic swings and for points too far out for the exact form below, but a value that is
// exactly k + 0.5 can come out a hair off it. Each basis is num / den with both products
// formed the same way, so at a node it is exactly 1 and the curve passes exactly through it.
template <int N> struct Lagrange {
    Point points[N];
    double den[N];

    explicit Lagrange(const Point* p)
    {
        for (int j = 0; j < N; ++j)
            points[j] = p[j];
        for (int j = 0; j < N; ++j) {
            double d = 1.0;
            for (int m = 0; m < N; ++m) {
                if (m != j)
                    d *= points[j].x - points[m].x;
            }
            den[j] = d;
        }
    }

    // Unrolled, the m != j tests vanish; the operations and their order stay.
    double operator()(double x) const
    {
        double sum = 0.0;
#pragma GCC unroll 4
        for (int j = 0; j < N; ++j) {
            double num = 1.0;
#pragma GCC unroll 4
            for (int m = 0; m < N; ++m) {
                if (m != j)
                    num *= x - points[m].x;
            }
            sum += points[j].y * (num / den[j]);
        }
        return sum;
    }
};

// The same curve in exact integer arithmetic, which the tables use: P(x) = numerator(x) / den
// with integer coefficients, so a half stays a half and rounds down. den is the
// product of the differences x[m] - x[j] (j < m), which every basis denominator divides.
// With x in [0, kExactLimit] and |y| <= kExactLimit every value below, including the
// differences of the cubic's numerator, stays inside 125 bits.
__extension__ typedef __int128 Wide;
constexpr int kExactLimit = 1 << 17;

// q + r / den with 0 <= r < den.
struct Mixed {
    Wide q;
    Wide r;
};

template <int N> struct ExactLagrange {
    int64_t x[N];
    Wide weight[N]; // y[j] * den / (product of x[j] - x[m], m != j)
    Wide den = 1; // > 0

    explicit ExactLagrange(const Point* p)
    {
        for (int j = 0; j < N; ++j)
            x[j] = int64_t(p[j].x);
        for (int j = 0; j < N; ++j) {
            for (int m = j + 1; m < N; ++m)
                den *= x[m] - x[j];
        }
        for (int j = 0; j < N; ++j) {
            Wide basis = 1;
            for (int m = 0; m < N; ++m) {
                if (m != j)
                    basis *= x[j] - x[m];
            }
            weight[j] = Wide(int64_t(p[j].y)) * (den / basis);
        }
        if (den < 0) {
            den = -den;
            for (int j = 0; j < N; ++j)
                weight[j] = -weight[j];
        }
    }

    Wide numerator(int64_t at) const
    {
        Wide sum = 0;
        for (int j = 0; j < N; ++j) {
            Wide term = weight[j];
            for (int m = 0; m < N; ++m) {
                if (m != j)
                    term *= at - x[m];
            }
            sum += term;
        }
        return sum;
    }

    Mixed split(Wide n) const
    {
        Mixed v { n / den, n % den };
        if (v.r < 0) {
            v.r += den;
            --v.q;
        }
        return v;
    }

    // Entries [0, end) by forward differences of the numerator: one division per difference
    // up front, then only additions (a division per entry would make the table several times
    // slower to build).
    void fill(int end, int max, bool invert, uint16_t* table) const
    {
        Wide values[N];
        for (int k = 0; k < N; ++k)
            values[k] = numerator(k);
        for (int k = 1; k < N; ++k) {
            for (int j = N - 1; j >= k; --j)
                values[j] -= values[j - 1];
        }
        Mixed diff[N]; // the numerator at i and its differences, over den
        for (int k = 0; k < N; ++k)
            diff[k] = split(values[k]);
        for (int i = 0; i < end; ++i) {
            const Mixed& v = diff[0];
            if (v.q > max || (v.q == max && v.r > 0)) {
                table[i] = static_cast<uint16_t>(invert ? 0 : max);
            } else if (v.q < 0) {
                table[i] = static_cast<uint16_t>(invert ? max : 0);
            } else {
                // Up only above a half: an exact half rounds down.
                const int rounded = int(v.q) + (2 * v.r > den ? 1 : 0);
                table[i] = static_cast<uint16_t>(invert ? max - rounded : rounded);
            }
            for (int k = 0; k + 1 < N; ++k) {
                diff[k].q += diff[k + 1].q;
                diff[k].r += diff[k + 1].r;
                if (diff[k].r >= den) {
                    diff[k].r -= den;
                    ++diff[k].q;
                }
            }
        }
    }
};

bool exactlyRepresentable(const Point* points, int n)
{
    for (int i = 0; i < n; ++i) {
        if (points[i].x < 0.0 || points[i].x > kExactLimit || std::fabs(points[i].y) > kExactLimit)
            return false;
    }
    return true;
}

template <int N> void fillLagrange(const Point* points, int end, int max, bool invert, uint16_t* table)
{
    if (exactlyRepresentable(points, N)) {
        ExactLagrange<N>(points).fill(end, max, invert, table);
        return;
    }
    // Records this far out come from no analysis; floating point is close enough for them.
    const Lagrange<N> curve(points);
    for (int i = 0; i < end; ++i)
        table[i] = entryValue(curve(i), max, invert);
}

bool distinct(const Point* points, int n, double x)
{
    for (int i = 0; i < n; ++i) {
        if (points[i].x == x)
            return false;
    }
    return true;
}

// Whether the cubic through the four points (sorted by x, from (0, 0) to (max, max)) stays
// within an eighth of the range around [0, max]. A slight overshoot only clips a few levels
// at an end, as any of these curves may; a far swing clips much of the picture. Sampled at up
// to 1024 inputs, between which a cubic cannot swing unseen by that much.
bool staysNearRange(const Point* points, int max)
{
    const Lagrange<4> curve(points);
    const double margin = max / 8.0;
    const int step = std::max(1, max / 1024);
    for (int x = 0; x <= max; x += step) {
        const double v = curve(x);
        if (v < -margin || v > max + margin)
            return false;
    }
    return true;
}

// Entries [0, end) from the curve through the points (1 point: constant).
void fillCurve(const Point* points, int n, int end, int max, bool invert, uint16_t* table)
{
    switch (n) {
    case 1:
        for (int i = 0; i < end; ++i)
            table[i] = entryValue(points[0].y, max, invert);
        break;
    case 2:
        fillLagrange<2>(points, end, max, invert, table);
        break;
    case 3:
        fillLagrange<3>(points, end, max, invert, table);
        break;
    default:
        fillLagrange<4>(points, end, max, invert, table);
        break;
    }
}

bool sameRecord(const CIP_CurveRecord& a, const CIP_CurveRecord& b)
{
    return a.blackIn == b.blackIn && a.blackOut == b.blackOut && a.midIn == b.midIn && a.midOut == b.midOut
        && a.whiteIn == b.whiteIn && a.whiteOut == b.whiteOut;
}

} // namespace

uint16_t CIP_ToneCurve::curveValue(double v, int max, bool invert)
{
    return entryValue(v, max, invert);
}

void CIP_ToneCurve::buildIdentity(int max, uint16_t* table)
{
    for (int i = 0; i <= max; ++i)
        table[i] = static_cast<uint16_t>(i);
}

void CIP_ToneCurve::buildThreePoint(const CIP_CurveRecord& record, int max, bool invert, uint16_t* table)
{
    // A record whose points share an x value has no quadratic; the straight line through
    // black and white is the nearest sound curve (a constant when those coincide too).
    Point points[3];
    int n = 0;
    const Point candidates[3] = { { double(record.blackIn), double(record.blackOut) },
        { double(record.midIn), double(record.midOut) },
        { double(record.whiteIn), double(record.whiteOut) } };
    const bool degenerate = record.blackIn == record.midIn || record.midIn == record.whiteIn
        || record.blackIn == record.whiteIn;
    if (!degenerate) {
        std::copy(candidates, candidates + 3, points);
        n = 3;
    } else {
        points[n++] = candidates[0];
        if (distinct(points, n, candidates[2].x))
            points[n++] = candidates[2];
    }

    const int whiteIn = std::clamp(record.whiteIn, 0, max + 1);
    fillCurve(points, n, whiteIn, max, invert, table);
    const int whiteOut = std::clamp(record.whiteOut, 0, max);
    for (int i = whiteIn; i <= max; ++i)
        table[i] = static_cast<uint16_t>(invert ? max - whiteOut : whiteOut);
    if (record.blackIn >= 1 && record.blackOut == 0) {
        const int end = std::min(record.blackIn, max + 1);
        for (int i = 0; i < end; ++i)
            table[i] = static_cast<uint16_t>(invert ? max : 0);
    }
}

void CIP_ToneCurve::buildFourPoint(const CIP_CurveRecord& record, int max, bool invert, uint16_t* table)
{
    // The end points always stay; the middle point (which carries the gamma) is preferred
    // over the black point when x values coincide.
    Point points[4];
    int n = 0;
    points[n++] = { 0.0, 0.0 };
    points[n++] = { double(max), double(max) };
    if (distinct(points, n, record.midIn))
        points[n++] = { double(record.midIn), double(record.midOut) };
    if (distinct(points, n, record.blackIn))
        points[n++] = { double(record.blackIn), double(record.blackOut) };
    std::sort(points, points + n, [](const Point& a, const Point& b) { return a.x < b.x; });

    // A black point close to the middle point makes the cubic swing far outside the
    // output range and back, clipping much of the picture: the black point is then
    // dropped as if the two coincided.
    if (n == 4 && !staysNearRange(points, max)) {
        const Point kept[3]
            = { { 0.0, 0.0 }, { double(record.midIn), double(record.midOut) }, { double(max), double(max) } };
        std::copy(kept, kept + 3, points);
        n = 3;
    }

    fillCurve(points, n, max, max, invert, table);
    table[max] = static_cast<uint16_t>(invert ? 0 : max);
}

void CIP_ToneCurve::buildTables(
    const CIP_CurveRecord records[4], int bits, Kind kind, uint16_t* const tables[3])
{
    const int max = (1 << bits) - 1;
    const bool invert = records[3].blackIn == 0 && records[3].blackOut == max;
    for (int c = 0; c < 3; ++c) {
        const CIP_CurveRecord& record = records[c];
        const bool builds = record.blackOut == -1
            || (record.midIn > 0 && record.midIn <= max && record.midOut > 0 && record.midOut <= max);
        if (!builds)
            continue; // left as it was
        // Most analyses give two or three channels the same curve: a table is a function of
        // its record alone, so an earlier channel's table is copied rather than rebuilt.
        int same = -1;
        for (int e = 0; e < c && same < 0; ++e) {
            if (sameRecord(records[e], record))
                same = e;
        }
        if (same >= 0) {
            if (tables[same] != tables[c])
                std::copy(tables[same], tables[same] + max + 1, tables[c]);
            continue;
        }
        if (record.blackOut == -1) {
            buildIdentity(max, tables[c]);
        } else if (record.midIn > 0 && record.midIn <= max && record.midOut > 0 && record.midOut <= max) {
            if (kind == Kind::ThreePoint)
                buildThreePoint(record, max, invert, tables[c]);
            else
                buildFourPoint(record, max, invert, tables[c]);
        }
    }
}
