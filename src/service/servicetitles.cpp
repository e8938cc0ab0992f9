#include "servicetitles.h"

#include <QVariant>
#include <QWidget>

namespace
{
// Which title a window shows, kept on the window so that every copy of it has its own.
constexpr char kTitleProperty[] = "korvaneServiceTitle";
} // namespace

QString ServiceTitles::text(Title title)
{
    switch (title) {
    case RawMode:
        return tr("Korvane - RAW mode");
    case EngineerMode:
        return tr("Korvane - Engineer mode");
    case RawAndEngineerMode:
        return tr("Korvane - RAW&Engineer mode");
    case Plain:
        break;
    }
    return tr("Korvane");
}

void ServiceTitles::setFor(QWidget* widget, Title title)
{
    if (!widget)
        return;
    QWidget* window = widget->window();
    window->setProperty(kTitleProperty, int(title));
    window->setWindowTitle(text(title));
}

void ServiceTitles::retranslate(QWidget* window)
{
    if (window)
        window->setWindowTitle(text(Title(window->property(kTitleProperty).toInt())));
}
