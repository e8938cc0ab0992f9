#include "userfolders.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

namespace
{

QString created(const QString& path)
{
    QDir().mkpath(path);
    return path;
}

QString korvaneFolder()
{
    return UserFolders::userFolder(QStringLiteral("Korvane"));
}

} // namespace

namespace UserFolders
{

QString userFolder(const QString& name)
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return created(documents + QLatin1Char('/') + name);
}

QString picturesFolder()
{
    return created(korvaneFolder() + QStringLiteral("/Pictures"));
}

QString dataFolder()
{
    return created(korvaneFolder() + QStringLiteral("/Data"));
}

QString debugFolder()
{
    const QString hour = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-M-dd_hh"));
    return created(korvaneFolder() + QStringLiteral("/Debug/") + hour);
}

QString rawImageFolder()
{
    return korvaneFolder() + QStringLiteral("/RAW image");
}

} // namespace UserFolders
