#pragma once

#include <QtGlobal>

#include <array>

namespace device {
struct ScanOptionRecord;
}

// The scan option records of the prescan, its film-base measurement and the final
// scan. Every fill starts from an all-zero record; the constant fields are the same
// in all three (colour mode 7, image quality 3, threshold 128, 255 lines, status 1).
// Used by the worker's scanning handlers only (worker thread).
namespace AcquisitionRecords {

using Balance = std::array<quint16, 3>;

// The film base ("Dmin") of a negative: type 8, the whole window at 300 dpi, balance
// 137, 139, 133, gains 0.
void fillFilmBase(device::ScanOptionRecord& record, int filmTypeCode);
// The prescan: type 0, the whole window at 300 dpi, the device balance, gains 100.
void fillPrescan(device::ScanOptionRecord& record, const Balance& balance, int filmTypeCode);
// The final scan: type 0, the area in inches (left, top, right, bottom), gains 0.
void fillFinal(device::ScanOptionRecord& record, int dpi, float left, float top, float right, float bottom,
               const Balance& balance, int filmTypeCode);
// Multipass: type 4 with the balance, highlights and shadows.
void setMultipass(device::ScanOptionRecord& record, const Balance& balance, const Balance& highlight,
                  const Balance& shadow);

} // namespace AcquisitionRecords
