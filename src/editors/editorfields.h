#pragma once

#include <initializer_list>

class QAbstractButton;
class QLineEdit;
class QSlider;

// Rules shared by the fields of the profile editors and the preferences dialog.
namespace EditorFields
{

// The longest file description the profile editors take.
constexpr int kDescriptionLength = 22;

// Refuses, as they are typed, the characters that the output file name cannot hold.
void installPrefixValidator(QLineEdit* field);

// The slider's tool tip follows its value, shown at once while the mouse is over it.
void showSliderValue(QSlider* slider, int value);

// The position of the checked button among buttons (a target's code), -1 when none is.
int checkedIndex(std::initializer_list<const QAbstractButton*> buttons);

} // namespace EditorFields
