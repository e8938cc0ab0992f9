#pragma once

#include <vector>

namespace sanedev
{

// The resolutions a device offers: a range (min to max in steps of quant; quant 0
// means any value) or a list.
struct ResolutionOffer {
    bool isRange = true;
    double min = 0;
    double max = 0;
    double quant = 0;
    std::vector<double> list;
};

// The offered resolution nearest to asked; with atLeast the lowest one at or above
// it (the highest of all when none is). 0 when nothing is offered.
double pickResolution(const ResolutionOffer& offer, double asked, bool atLeast);

// One axis of the device's scan area in millimetres.
struct Extent {
    double min = 0;
    double max = 0;
};

struct AreaMm {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

// Places an area given in inches from the window's top left corner onto the device's
// area, whose top left corner the window's is, and clips it to the device. False when
// nothing of it lies on the device.
bool mapArea(
    double left, double top, double right, double bottom, const Extent& x, const Extent& y, AreaMm* area);

} // namespace sanedev
