#pragma once

#include <cstdint>

namespace sim
{

// The microscope-slide holder: a glass slide across the whole opening, its frosted
// label end on the left with pencil marks, and under a cover slip a stained tissue
// section (eosin pink with hematoxylin-blue nuclei, lobules parted by darker septa,
// vessels whose open lumens let the light through). Detail is generated per pixel from
// fixed noise, so the same window always gives the same light.
//
// Fills width x height pixels of linear transmittance at dpi (65535 = all light),
// interleaved R, G, B, before the lamp's fall-off.
void renderSlideScene(int width, int height, int dpi, std::uint16_t* samples);

// Transmittance (0 to 1 per channel) of the slide at a point in inches from the top
// left of the window; the holder mask is not included.
void slideTransmittance(double x, double y, float* rgb);

} // namespace sim
