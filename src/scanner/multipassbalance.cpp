#include "multipassbalance.h"

#include <algorithm>

MultipassBalance MultipassBalance::compute(const std::array<quint16, 3>& balance, int filmType, int modelCode)
{
    double factor = 4.0;
    if (filmType == 1 || filmType == 3)
        factor = 1.5;
    else if (modelCode == 82 || modelCode == 83)
        factor = 3.0;
    // The device works with the single-precision 0.8 (0.800000011920929), which
    // decides the truncation of values such as 137 * 0.8.
    const double shadowFactor = double(0.8f);

    MultipassBalance result;
    for (int c = 0; c < 3; ++c) {
        // A record field is 16 bits wide; a measured balance beyond 65535 / 4 would
        // otherwise wrap into a tiny highlight.
        const double highlight = std::min(factor * balance[c], 65535.0);
        result.highlight[c] = quint16(highlight); // truncates toward zero
        result.shadow[c] = quint16(balance[c] * shadowFactor);
    }
    return result;
}
