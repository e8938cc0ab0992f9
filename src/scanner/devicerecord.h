#pragma once

#include <QByteArray>
#include <QString>

// The device's records as the libraries above the scanner library read them: sizes
// and fields by accessor, so that no layout of the device library reaches them.
namespace DeviceRecord
{

// The device information record (173 bytes).
int infoSize();
// record cut or zero-padded to infoSize(): a short one is never read past its end.
QByteArray fittedInfo(const QByteArray& record);
// The model code; -1 for a record shorter than infoSize().
int modelCode(const QByteArray& info);
// The four firmware-version characters; empty for a record shorter than infoSize().
QString firmwareVersion(const QByteArray& info);

// The scan parameter record the device reads and writes (53 bytes).
int scanParameterSize();
// The firmware block the device takes, and where an image keeps its four version
// characters.
int firmwareBlockSize();
int firmwareVersionOffset();

} // namespace DeviceRecord
