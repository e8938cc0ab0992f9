#pragma once

#include <QSet>
#include <QString>

// The numbered names of the output files: folder + "/" + prefix + four-digit
// counter + extension, counting 1 to 9998.
namespace OutputName
{

constexpr int kFirstNumber = 1;
constexpr int kLastNumber = 9998;

QString candidate(const QString& folder, const QString& prefix, int number, const QString& extension);

// The first candidate that does not exist, or empty when all 9998 do.
QString nextFree(const QString& folder, const QString& prefix, const QString& extension);

// The same choice among the names (without folder) listed in taken.
QString nextFreeAmong(
    const QSet<QString>& taken, const QString& folder, const QString& prefix, const QString& extension);

} // namespace OutputName
