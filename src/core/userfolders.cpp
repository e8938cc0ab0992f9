#include "userfolders.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

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

QString unusableFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        return QStringLiteral("Documents");
    const QString korvane = documents + QStringLiteral("/Korvane");
    const QStringList folders { korvane, korvane + QStringLiteral("/Pictures"),
        korvane + QStringLiteral("/Data") };
    for (const QString& folder : folders) {
        // Only a file really made there proves the folder writable: permission bits
        // say nothing on a read-only mount or for root.
        QTemporaryFile probe(folder + QStringLiteral("/.korvane-probe-XXXXXX"));
        if (!QDir().mkpath(folder) || !probe.open())
            return folder;
    }
    return QString();
}

} // namespace UserFolders
