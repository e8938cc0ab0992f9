#include "scanplan.h"

#include <algorithm>
#include <cmath>

namespace sanedev
{

namespace
{

constexpr double kMmPerInch = 25.4;

} // namespace

double pickResolution(const ResolutionOffer& offer, double asked, bool atLeast)
{
    std::vector<double> candidates;
    if (offer.isRange) {
        if (offer.max < offer.min || offer.max <= 0)
            return 0;
        if (asked <= offer.min)
            return offer.min;
        if (asked >= offer.max)
            return offer.max;
        if (offer.quant <= 0)
            return asked;
        // The two steps either side of asked.
        const double below = offer.min + std::floor((asked - offer.min) / offer.quant) * offer.quant;
        candidates = { below, std::min(offer.max, below + offer.quant) };
    } else {
        for (double value : offer.list) {
            if (value > 0)
                candidates.push_back(value);
        }
    }
    if (candidates.empty())
        return 0;
    std::sort(candidates.begin(), candidates.end());
    if (atLeast) {
        const auto it = std::lower_bound(candidates.begin(), candidates.end(), asked - 1e-9);
        return it == candidates.end() ? candidates.back() : *it;
    }
    double best = candidates.front();
    for (double value : candidates) {
        // Ties go to the higher resolution: it loses no detail.
        if (std::abs(value - asked) <= std::abs(best - asked))
            best = value;
    }
    return best;
}

bool mapArea(
    double left, double top, double right, double bottom, const Extent& x, const Extent& y, AreaMm* area)
{
    if (!std::isfinite(left) || !std::isfinite(top) || !std::isfinite(right) || !std::isfinite(bottom)
        || left >= right || top >= bottom)
        return false;
    AreaMm mapped { x.min + left * kMmPerInch, y.min + top * kMmPerInch, x.min + right * kMmPerInch,
        y.min + bottom * kMmPerInch };
    mapped.left = std::max(mapped.left, x.min);
    mapped.top = std::max(mapped.top, y.min);
    mapped.right = std::min(mapped.right, x.max);
    mapped.bottom = std::min(mapped.bottom, y.max);
    if (mapped.left >= mapped.right || mapped.top >= mapped.bottom)
        return false;
    *area = mapped;
    return true;
}

} // namespace sanedev
