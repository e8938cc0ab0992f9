#include "scanparameterrecord.h"

#include <devicerecord.h>

namespace
{

constexpr int kExposureLow = 0;
constexpr int kExposureHigh = 23;
constexpr int kGain = 12;
constexpr int kLightness = 15;

} // namespace

ScanParameterRecord::ScanParameterRecord(const QByteArray& bytes)
    : m_bytes(bytes.left(DeviceRecord::scanParameterSize()))
{
    if (m_bytes.size() < DeviceRecord::scanParameterSize())
        m_bytes.append(QByteArray(DeviceRecord::scanParameterSize() - m_bytes.size(), '\0'));
}

quint16 ScanParameterRecord::word(int offset) const
{
    const auto low = static_cast<quint8>(m_bytes.at(offset));
    const auto high = static_cast<quint8>(m_bytes.at(offset + 1));
    return static_cast<quint16>(low | (high << 8));
}

void ScanParameterRecord::setWord(int offset, quint16 value)
{
    m_bytes[offset] = static_cast<char>(value & 0xFF);
    m_bytes[offset + 1] = static_cast<char>(value >> 8);
}

quint32 ScanParameterRecord::exposure(Channel channel) const
{
    return (quint32(word(kExposureHigh + 2 * channel)) << 16) | word(kExposureLow + 2 * channel);
}

void ScanParameterRecord::setExposure(Channel channel, quint32 time)
{
    setWord(kExposureLow + 2 * channel, static_cast<quint16>(time & 0xFFFF));
    setWord(kExposureHigh + 2 * channel, static_cast<quint16>(time >> 16));
}

int ScanParameterRecord::gain(Channel channel) const
{
    return static_cast<quint8>(m_bytes.at(kGain + channel));
}

void ScanParameterRecord::setGain(Channel channel, int gain)
{
    m_bytes[kGain + channel] = static_cast<char>(gain & 0xFF);
}

int ScanParameterRecord::lightness() const
{
    return static_cast<quint8>(m_bytes.at(kLightness));
}

void ScanParameterRecord::setLightness(int lightness)
{
    m_bytes[kLightness] = static_cast<char>(lightness & 0xFF);
}
