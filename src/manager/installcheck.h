#pragma once

#include <QCoreApplication>
#include <QStringList>

// What the program folder must hold besides the film terms (the manager reports those
// as it loads them): the parameter files of every supported model, the TIFF templates
// and the user manual. A missing one is not fatal, but the user is told which file and
// what they lose, once at start-up, instead of a scan or Help quietly doing less.
class InstallCheck
{
    Q_DECLARE_TR_FUNCTIONS(InstallCheck)

public:
    // One translated sentence per missing or damaged file, in a fixed order.
    static QStringList problems(const QString& applicationFolder);

    // The manual beside the program, as Help opens it.
    static QString manualPath(const QString& applicationFolder);
};
