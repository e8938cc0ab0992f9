#pragma once

#include <QtGlobal>

#include <array>

// The highlight and shadow balances of a multipass scan, derived from the device
// colour balance. Shared by the prescan and the final scan.
struct MultipassBalance {
    std::array<quint16, 3> highlight { { 100, 100, 100 } }; // red, green, blue
    std::array<quint16, 3> shadow { { 100, 100, 100 } };

    // filmType is the profile's film type (0-3; 1 and 3 are negatives), modelCode the
    // device's. Highlights are the balance times 1.5 (negatives), 3.0 (models 82 and
    // 83) or 4.0; shadows the balance times 0.8; both truncated toward zero.
    static MultipassBalance compute(const std::array<quint16, 3>& balance, int filmType, int modelCode);
};
