#pragma once

#include <QCoreApplication>
#include <QString>

class QWidget;

// The main window's titles that tell which service mode is on. The dialogs set them
// as they open and close, each by its own rule (the engineer dialog's close always
// gives the plain title, the adjust dialog's keeps RAW mode in it).
class ServiceTitles
{
    Q_DECLARE_TR_FUNCTIONS(ServiceTitles)

public:
    static QString plain();
    static QString rawMode();
    static QString engineerMode();
    static QString rawAndEngineerMode();

    // Sets the title of the window that holds widget (the main window of a service
    // dialog); nothing when there is none.
    static void setFor(QWidget* widget, const QString& title);
};
