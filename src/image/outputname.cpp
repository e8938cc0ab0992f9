#include "outputname.h"

#include <QFileInfo>

namespace OutputName {

QString candidate(const QString& folder, const QString& prefix, int number, const QString& extension)
{
    return folder + QLatin1Char('/') + prefix + QStringLiteral("%1").arg(number, 4, 10, QLatin1Char('0'))
        + extension;
}

QString nextFree(const QString& folder, const QString& prefix, const QString& extension)
{
    for (int n = kFirstNumber; n <= kLastNumber; ++n) {
        const QString path = candidate(folder, prefix, n, extension);
        // A dangling link still takes the name.
        if (!QFileInfo(path).exists() && !QFileInfo(path).isSymLink())
            return path;
    }
    return QString();
}

} // namespace OutputName
