#pragma once

#include "devicerecords.h"

#include <filmtype.h>
#include <scannermodels.h>

#include <QString>

#include <array>
#include <cstdint>

// Fillings of the scan option record (command 32) for the film-base, prescan and
// final scans, and its text dump. Every fill starts from an all-zero record.
//
// Threads: plain functions on values; the worker calls them on its own thread.
namespace ScanOptionRecords
{

using Triple = ScannerModels::Balance; // red, green, blue

constexpr int kPrescanDpi = 300;
constexpr float kWindowWidthInches = 1.437f;
constexpr float kWindowHeightInches = 0.957f;
constexpr Triple kFilmBaseBalance = ScannerModels::kDefaultBalance;

// The constant fields every scan sends, with the given colour balance, film type
// code (16, 32 or 48) and line callback; type 0, bPrescan 0, gains 0.
device::ScanOptionRecord baseRecord(const Triple& balance, int filmTypeCode, device::LineCallback callback);

// Film-base (Dmin) scan: type 8, 300 dpi over the whole window, the device's default balance.
device::ScanOptionRecord filmBaseRecord(int filmTypeCode, device::LineCallback callback);

// Prescan: type 0, 300 dpi over the whole window, the device colour balance, gains 100.
device::ScanOptionRecord prescanRecord(
    const Triple& deviceBalance, int filmTypeCode, device::LineCallback callback);

// Final scan of an area in inches at the device resolution; gains 0.
device::ScanOptionRecord finalRecord(int deviceDpi, double left, double top, double width, double height,
    const Triple& deviceBalance, int filmTypeCode, device::LineCallback callback);

struct Multipass {
    Triple balance;
    Triple highlights;
    Triple shadows;
};

// Highlights = trunc(factor x balance), factor 1.5 for negative film, else the
// model's multipass highlight factor (scannermodels.h); shadows = trunc(balance x
// 0.8f). Values past 16 bits are held at 65535.
Multipass multipassBalance(const Triple& deviceBalance, FilmType filmType, int modelCode);
// Type 4 with the balance, highlights and shadows.
void applyMultipass(device::ScanOptionRecord& record, const Multipass& multipass);
// Engineer mode: the device's own lightness control and the engineer's gains.
void applyEngineer(device::ScanOptionRecord& record, const Triple& gains);

// The file the dump of a record of this name goes to: the dated debug folder, or
// in RAW mode the "RAW image" folder, created when missing.
QString dumpPath(const QString& name);

} // namespace ScanOptionRecords

// Writes name + "_option.txt" (see dumpPath) with one line per field. False when
// the file cannot be written.
bool dumpOptionRecord(const QString& name, const device::ScanOptionRecord& record);
