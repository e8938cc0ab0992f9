#include "devicerecord.h"

#include "devicerecords.h"

#include <cstdint>

namespace DeviceRecord
{

int infoSize()
{
    return static_cast<int>(device::kDeviceInfoSize);
}

QByteArray fittedInfo(const QByteArray& record)
{
    QByteArray fitted = record.left(infoSize());
    fitted.append(infoSize() - fitted.size(), '\0');
    return fitted;
}

int modelCode(const QByteArray& info)
{
    if (info.size() < infoSize())
        return -1;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(info.constData());
    // Little-endian 16-bit, as the device writes it.
    return bytes[device::kDeviceInfoModelOffset] | (bytes[device::kDeviceInfoModelOffset + 1] << 8);
}

QString firmwareVersion(const QByteArray& info)
{
    if (info.size() < infoSize())
        return QString();
    return QString::fromLatin1(info.constData() + device::kDeviceInfoFirmwareOffset,
        int(sizeof(device::DeviceInfoRecord::firmwareVersion)));
}

int scanParameterSize()
{
    return static_cast<int>(device::kScanParameterSize);
}

int firmwareBlockSize()
{
    return static_cast<int>(device::kFirmwareBlockSize);
}

int firmwareVersionOffset()
{
    return static_cast<int>(device::kFirmwareVersionOffset);
}

} // namespace DeviceRecord
