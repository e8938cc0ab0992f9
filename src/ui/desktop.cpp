#include "desktop.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace Desktop
{

bool openFolder(const QString& folder, QObject* owner)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
#ifdef Q_OS_WIN
    auto* explorer = new QProcess(owner);
    // The process object goes with its owner; until then it is reclaimed once done.
    QObject::connect(
        explorer, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), explorer, &QObject::deleteLater);
    explorer->start(
        QStringLiteral("explorer.exe"), { QStringLiteral("/e,"), QDir::toNativeSeparators(folder) });
    return explorer->waitForStarted(3000);
#else
    Q_UNUSED(owner)
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
#endif
}

QUrl documentUrl(const QString& path)
{
#ifdef Q_OS_WIN
    return QUrl(QStringLiteral("file:///") + path, QUrl::TolerantMode);
#else
    return QUrl::fromLocalFile(path);
#endif
}

bool openDocument(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return false;
    return QDesktopServices::openUrl(documentUrl(path));
}

} // namespace Desktop
