#pragma once

// What exiftool (Debian's libimage-exiftool-perl) reads from a picture: the reader
// photo managers and archives rely on, so the metadata tests ask it rather than
// re-reading our own bytes with our own assumptions. Header only.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace ExifTool
{

inline QString program()
{
    return QStandardPaths::findExecutable(QStringLiteral("exiftool"));
}

// Every tag of path as "Group:Name" -> value, numbers as numbers (-n), with exiftool's
// structural check ("ExifTool:Validate", "errors warnings minor") and its warnings;
// empty when exiftool is missing or fails.
inline QJsonObject tags(const QString& path)
{
    QProcess tool;
    tool.start(program(),
        { QStringLiteral("-json"), QStringLiteral("-n"), QStringLiteral("-G0"), QStringLiteral("-a"),
            QStringLiteral("-All"), QStringLiteral("-validate"), QStringLiteral("-warning"),
            QStringLiteral("-error"), path });
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit)
        return QJsonObject();
    const QJsonArray files = QJsonDocument::fromJson(tool.readAllStandardOutput()).array();
    return files.isEmpty() ? QJsonObject() : files.at(0).toObject();
}

// The first value of tag name in any of the groups, as text; empty when absent.
inline QString value(const QJsonObject& tags, const QString& name, const QStringList& groups)
{
    for (const QString& group : groups) {
        const QJsonValue found = tags.value(group + QLatin1Char(':') + name);
        if (!found.isUndefined())
            return found.isDouble() ? QString::number(found.toDouble()) : found.toVariant().toString();
    }
    return QString();
}

} // namespace ExifTool
