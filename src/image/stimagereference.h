#pragma once

#include "stimage.h"

// The whole-image operations written pixel by pixel through the bounds-checked
// accessors, exactly as the operations are defined. Slow; kept so that a test can
// hold the row-loop versions of STImage against them.
namespace STImageReference
{

STImage to8Bit(const STImage& image);
STImage scaled(const STImage& image, std::uint32_t newWidth, std::uint32_t newHeight);
STImage rotatedRight(const STImage& image);
STImage mirrored(const STImage& image);
STImage flipped(const STImage& image);
QImage toQImage(const STImage& image);

} // namespace STImageReference
