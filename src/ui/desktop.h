#pragma once

#include <QString>
#include <QUrl>

class QObject;

// The few things the program asks of the desktop: show a folder in the file manager
// and open a document with its default viewer. Linux goes through the desktop's URL
// handlers; Windows starts the file manager itself and opens "file:///" URLs.
// Threads: main thread.
namespace Desktop
{

// Shows folder in the file manager without waiting for it. A started process is a
// child of owner. False when the folder does not exist or nothing could be started.
bool openFolder(const QString& folder, QObject* owner);

// Opens the document with its default viewer; false when the file does not exist or
// the desktop refused it.
bool openDocument(const QString& path);

// The URL a document is handed over as.
QUrl documentUrl(const QString& path);

} // namespace Desktop
