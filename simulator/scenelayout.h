#pragma once

// Where things lie in the scanning window, in inches from its top left corner.
// The window shows one frame of a film strip in its holder: the holder's dark
// mask all round, the film's unexposed border around the picture and a row of
// sprocket holes along the bottom long edge.
namespace sim::layout
{

constexpr double kWindowWidth = 1.437;
constexpr double kWindowHeight = 0.957;

// Opening of the holder mask; outside it the holder blocks the light.
constexpr double kOpeningLeft = 0.040;
constexpr double kOpeningTop = 0.030;
constexpr double kOpeningRight = 1.397;
constexpr double kOpeningBottom = 0.927;

// The exposed picture.
constexpr double kPictureLeft = 0.115;
constexpr double kPictureTop = 0.070;
constexpr double kPictureRight = 1.322;
constexpr double kPictureBottom = 0.765;

// Sprocket holes: 35 mm film's pitch of 4.75 mm, holes of 2 by 2.8 mm.
constexpr double kHoleTop = 0.800;
constexpr double kHoleBottom = 0.895;
constexpr double kHoleFirstLeft = 0.075;
constexpr double kHoleWidth = 0.078;
constexpr double kHolePitch = 0.187;
constexpr double kHoleCornerRadius = 0.012;

} // namespace sim::layout
