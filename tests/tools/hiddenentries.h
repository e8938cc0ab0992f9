#pragma once

#include <QDir>
#include <QRegularExpression>
#include <QStringList>

// The hidden entries of folder: where an interrupted write would leave its temporary.
inline QStringList hiddenEntries(const QString& folder)
{
    return QDir(folder)
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
        .filter(QRegularExpression(QStringLiteral("^\\.")));
}
