#pragma once

// The resolutions of a final scan by scanner model code and the profile's resolution
// choice (0 Quality, 1 Normal):
//   82, 83: 3600 / 1800 dpi, scanned as such;
//   84:     10000 / 5000 dpi, always scanned at 5000 (10000 is the scan doubled).
namespace ScanResolution {

int output(int modelCode, int resolutionChoice); // dpi of the file
int device(int modelCode, int resolutionChoice); // nDPI of the scan option record

} // namespace ScanResolution
