#include "servicetitles.h"

#include <QWidget>

QString ServiceTitles::plain()
{
    return tr("Korvane");
}

QString ServiceTitles::rawMode()
{
    return tr("Korvane - RAW mode");
}

QString ServiceTitles::engineerMode()
{
    return tr("Korvane - Engineer mode");
}

QString ServiceTitles::rawAndEngineerMode()
{
    return tr("Korvane - RAW&Engineer mode");
}

void ServiceTitles::setFor(QWidget* widget, const QString& title)
{
    if (widget)
        widget->window()->setWindowTitle(title);
}
