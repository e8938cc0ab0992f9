#pragma once

#include <QByteArray>

// The scan parameter record as the engineer dialog reads and writes it: exposure
// time, gain and lightness. Every other byte is kept exactly as the scanner sent it,
// so writing the record back changes only these fields.
//
// Layout (little-endian): exposure low halves at 0, 2, 4 and high halves at 23, 25,
// 27 (red, green, blue); gains at 12, 13, 14; lightness at 15.
class ScanParameterRecord
{
public:
    enum Channel { Red = 0, Green = 1, Blue = 2 };

    // The record of the given bytes, cut or zero-padded to the record size.
    explicit ScanParameterRecord(const QByteArray& bytes = QByteArray());
    virtual ~ScanParameterRecord() = default;

    quint32 exposure(Channel channel) const;
    void setExposure(Channel channel, quint32 time);
    int gain(Channel channel) const;
    void setGain(Channel channel, int gain);
    int lightness() const;
    void setLightness(int lightness);

    QByteArray bytes() const { return m_bytes; }

private:
    quint16 word(int offset) const;
    void setWord(int offset, quint16 value);

    QByteArray m_bytes;
};
