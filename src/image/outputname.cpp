#include "outputname.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace OutputName
{

QString candidate(const QString& folder, const QString& prefix, int number, const QString& extension)
{
    return folder + QLatin1Char('/') + prefix + QStringLiteral("%1").arg(number, 4, 10, QLatin1Char('0'))
        + extension;
}

QString nextFreeAmong(
    const QSet<QString>& taken, const QString& folder, const QString& prefix, const QString& extension)
{
    for (int n = kFirstNumber; n <= kLastNumber; ++n) {
        const QString path = candidate(folder, prefix, n, extension);
        const QString name = path.mid(folder.size() + 1);
        // A prefix with a folder in it names files the listing does not show.
        const bool exists = name.contains(QLatin1Char('/'))
            ? QFileInfo::exists(path) || QFileInfo(path).isSymLink()
            : taken.contains(name);
        if (!exists)
            return path;
    }
    return QString();
}

QString nextFree(const QString& folder, const QString& prefix, const QString& extension)
{
    // One listing instead of up to 9998 look-ups; every kind of entry takes a name,
    // a dangling link included. A name taken after this is caught when the file is
    // put in place (OutputCommit), never overwritten.
    const QDir dir(folder);
    if (!dir.exists())
        return candidate(folder, prefix, kFirstNumber, extension); // the write will report the folder
    const QStringList listed
        = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    return nextFreeAmong(QSet<QString>(listed.cbegin(), listed.cend()), folder, prefix, extension);
}

} // namespace OutputName
