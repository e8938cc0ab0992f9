#pragma once

#include <levelssettings.h>

// The three handles under a histogram, on its 0-255 level scale, and what dragging one
// does to a channel's levels. No widgets: the view converts pixels to levels.
namespace LevelsHandles
{

enum Handle { None = -1, Black = 0, Gamma = 1, White = 2 };

// Where a handle sits. The gamma handle marks the input that the levels send to half
// scale: black + (white - black) * 0.5^gamma.
double position(const LevelsChannel& levels, Handle handle);

// The levels with one handle moved to level (0-255). Black and white stop kMinRange
// short of each other; the gamma handle stays strictly between them and sets the gamma
// that sends its input to half scale, within the gamma limits.
LevelsChannel moved(const LevelsChannel& levels, Handle handle, double level);

// The handle nearest to level within reach levels, None when none is that close;
// black and white win over the gamma where they overlap.
Handle handleAt(const LevelsChannel& levels, double level, double reach);

} // namespace LevelsHandles
