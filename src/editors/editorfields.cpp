#include "editorfields.h"

#include "scanprofile.h"

#include <QAbstractButton>
#include <QCursor>
#include <QLineEdit>
#include <QRegExpValidator>
#include <QSlider>
#include <QToolTip>

namespace EditorFields
{

void installPrefixValidator(QLineEdit* field)
{
    field->setValidator(new QRegExpValidator(QRegExp(ScanProfile::prefixPattern()), field));
}

void showSliderValue(QSlider* slider, int value)
{
    const QString text = QString::number(value);
    slider->setToolTip(text);
    if (slider->underMouse())
        QToolTip::showText(QCursor::pos(), text, slider);
}

int checkedIndex(std::initializer_list<const QAbstractButton*> buttons)
{
    int index = 0;
    for (const QAbstractButton* button : buttons) {
        if (button->isChecked())
            return index;
        ++index;
    }
    return -1;
}

} // namespace EditorFields
