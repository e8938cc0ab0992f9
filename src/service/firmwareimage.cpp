#include "firmwareimage.h"

#include <devicerecord.h>

namespace FirmwareImage
{

QString version(const QByteArray& bytes)
{
    if (bytes.size() < kMinimumSize)
        return QString();
    return QString::fromLatin1(bytes.constData() + DeviceRecord::firmwareVersionOffset(), 4);
}

Verdict check(const QByteArray& bytes)
{
    if (bytes.size() < kMinimumSize)
        return Verdict::TooShort;
    if (bytes.size() > maximumSize())
        return Verdict::TooLarge;
    const char* characters = bytes.constData() + DeviceRecord::firmwareVersionOffset();
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<unsigned char>(characters[i]);
        // A zero-filled or binary header is no firmware image of this scanner.
        if (c < 0x20 || c > 0x7E)
            return Verdict::NotFirmware;
    }
    return Verdict::Usable;
}

int maximumSize()
{
    return DeviceRecord::firmwareBlockSize();
}

} // namespace FirmwareImage
