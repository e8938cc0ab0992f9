#pragma once

#include <QFont>

// What every window of the program shares.
namespace FormLook
{

// The forms place their texts at fixed positions made for this font size, in pixels.
constexpr int kFontPixelSize = 12;

// The dots of the wait and service dialogs step this often.
constexpr int kTickMilliseconds = 500;

// base at the forms' size.
inline QFont formFont(QFont base)
{
    base.setPixelSize(kFontPixelSize);
    return base;
}

} // namespace FormLook
