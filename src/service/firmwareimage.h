#pragma once

#include <QByteArray>
#include <QString>

// What the firmware dialog needs to know about a chosen firmware file before it is
// sent to the scanner. Plain functions, so the rules are tested without a window.
namespace FirmwareImage
{

// Files shorter than this cannot hold the version characters.
constexpr int kMinimumSize = 1024;

enum class Verdict {
    Usable,
    TooShort, // under kMinimumSize bytes (or no file chosen)
    TooLarge, // over the device's firmware block: it would be cut on the way
    NotFirmware, // the version characters are not printable
};

// The four characters at the version offset, each byte taken as one character;
// empty for a file under kMinimumSize bytes.
QString version(const QByteArray& bytes);

Verdict check(const QByteArray& bytes);

// The largest file the device takes whole.
int maximumSize();

} // namespace FirmwareImage
