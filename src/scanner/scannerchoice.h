#pragma once

#include <QString>

// The scanner the user chose, kept in "scanner.ini" (key "Scanner") in the user's
// Korvane folder beside lang.ini. Without a stored choice Korvane links the
// simulated scanner. Threads: main thread.
namespace ScannerChoice
{

QString filePath();
// Whether a choice was ever stored: a start without one may ask for it.
bool isStored();
// The stored scanner name, "simulator" when none is stored or the key is empty.
QString stored();
// False when the file could not be written.
bool store(const QString& name);

} // namespace ScannerChoice
