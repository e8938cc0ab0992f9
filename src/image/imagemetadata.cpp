#include "imagemetadata.h"

#include <lcms2.h>

#include <cstdint>
#include <vector>

ImageMetadata ImageMetadata::forScan(const QString& make, const QString& model, const QDateTime& scanned)
{
    ImageMetadata metadata;
    metadata.software = QStringLiteral("Korvane " KORVANE_VERSION);
    metadata.scanned = scanned;
    metadata.make = make.trimmed();
    metadata.model = model.trimmed();
    return metadata;
}

QString ImageMetadata::dateTimeText() const
{
    if (!scanned.isValid())
        return QString();
    return scanned.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss"));
}

namespace ImageMetadataFiles
{

namespace
{

constexpr char kExifHeader[] = "Exif\0\0";
constexpr char kIccHeader[] = "ICC_PROFILE";
// One marker segment holds at most 65535 bytes, its length field included.
constexpr int kMaxSegmentPayload = 65533;
// Texts longer than this are cut: a scanner's name is never that long, and the
// whole block must fit one segment.
constexpr int kMaxText = 255;

enum Type : std::uint16_t { Ascii = 2, Short = 3, Long = 4, Rational = 5, Undefined = 7 };

struct Entry {
    std::uint16_t tag;
    Type type;
    std::uint32_t count;
    QByteArray value; // little-endian, count values of type
};

void put16(QByteArray& bytes, std::uint16_t value)
{
    bytes.append(char(value & 0xFF));
    bytes.append(char(value >> 8));
}

void put32(QByteArray& bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
}

Entry ascii(std::uint16_t tag, const QString& text)
{
    QByteArray value = text.toUtf8().left(kMaxText);
    value.append('\0');
    return { tag, Ascii, std::uint32_t(value.size()), value };
}

Entry shortValue(std::uint16_t tag, std::uint16_t number)
{
    QByteArray value;
    put16(value, number);
    return { tag, Short, 1, value };
}

Entry longValue(std::uint16_t tag, std::uint32_t number)
{
    QByteArray value;
    put32(value, number);
    return { tag, Long, 1, value };
}

Entry rational(std::uint16_t tag, std::uint32_t numerator)
{
    QByteArray value;
    put32(value, numerator);
    put32(value, 1);
    return { tag, Rational, 1, value };
}

std::uint32_t directoryBytes(const std::vector<Entry>& entries)
{
    return 2 + 12 * std::uint32_t(entries.size()) + 4;
}

// Appends a directory at its own offset; values over four bytes go to data, whose
// first byte lies at dataOffset in the structure.
void writeDirectory(
    QByteArray& out, const std::vector<Entry>& entries, QByteArray& data, std::uint32_t dataOffset)
{
    put16(out, std::uint16_t(entries.size()));
    for (const Entry& entry : entries) {
        put16(out, entry.tag);
        put16(out, entry.type);
        put32(out, entry.count);
        if (entry.value.size() <= 4) {
            out.append(entry.value);
            out.append(QByteArray(4 - entry.value.size(), '\0'));
        } else {
            put32(out, dataOffset + std::uint32_t(data.size()));
            data.append(entry.value);
            if (data.size() % 2)
                data.append('\0'); // offsets are word-aligned
        }
    }
    put32(out, 0); // no next directory
}

QByteArray segment(std::uint8_t marker, const QByteArray& payload)
{
    QByteArray bytes;
    bytes.append(char(0xFF));
    bytes.append(char(marker));
    const int length = payload.size() + 2;
    bytes.append(char((length >> 8) & 0xFF));
    bytes.append(char(length & 0xFF));
    bytes.append(payload);
    return bytes;
}

QByteArray makeSrgbProfile()
{
    cmsHPROFILE profile = cmsCreate_sRGBProfile();
    if (!profile)
        return QByteArray();
    cmsUInt32Number size = 0;
    QByteArray bytes;
    if (cmsSaveProfileToMem(profile, nullptr, &size) && size > 0) {
        bytes.resize(int(size));
        if (!cmsSaveProfileToMem(profile, bytes.data(), &size))
            bytes.clear();
    }
    cmsCloseProfile(profile);
    return bytes;
}

} // namespace

const QByteArray& srgbProfile()
{
    static const QByteArray profile = makeSrgbProfile();
    return profile;
}

QByteArray exifPayload(
    const ImageMetadata& metadata, int resolution, std::uint32_t width, std::uint32_t height)
{
    const QString date = metadata.dateTimeText();
    std::vector<Entry> main;
    if (!metadata.make.isEmpty())
        main.push_back(ascii(0x010F, metadata.make));
    if (!metadata.model.isEmpty())
        main.push_back(ascii(0x0110, metadata.model));
    const std::uint32_t dpi = resolution > 0 ? std::uint32_t(resolution) : 0;
    main.push_back(rational(0x011A, dpi));
    main.push_back(rational(0x011B, dpi));
    main.push_back(shortValue(0x0128, 2)); // inches
    if (!metadata.software.isEmpty())
        main.push_back(ascii(0x0131, metadata.software));
    if (!date.isEmpty())
        main.push_back(ascii(0x0132, date));
    main.push_back(shortValue(0x0213, 1)); // chroma sampled at the centre, as libjpeg does
    main.push_back(longValue(0x8769, 0)); // the Exif directory, placed below

    std::vector<Entry> exif;
    // In tag order, as readers require; the version tags and the components are
    // what a JPEG's Exif block must hold.
    exif.push_back({ 0x9000, Undefined, 4, QByteArrayLiteral("0230") });
    if (!date.isEmpty()) {
        exif.push_back(ascii(0x9003, date)); // taken
        exif.push_back(ascii(0x9004, date)); // digitised
    }
    exif.push_back({ 0x9101, Undefined, 4, QByteArray("\1\2\3\0", 4) }); // Y, Cb, Cr
    exif.push_back({ 0xA000, Undefined, 4, QByteArrayLiteral("0100") });
    // Without an embedded profile the samples are the scanner's own: uncalibrated.
    exif.push_back(shortValue(0xA001, metadata.srgb ? 1 : 0xFFFF));
    exif.push_back(longValue(0xA002, width));
    exif.push_back(longValue(0xA003, height));

    const std::uint32_t mainOffset = 8;
    const std::uint32_t exifOffset = mainOffset + directoryBytes(main);
    const std::uint32_t dataOffset = exifOffset + directoryBytes(exif);
    main.back().value.clear();
    put32(main.back().value, exifOffset);

    QByteArray tiff("II*\0", 4);
    put32(tiff, mainOffset);
    QByteArray data;
    writeDirectory(tiff, main, data, dataOffset);
    writeDirectory(tiff, exif, data, dataOffset);
    tiff.append(data);
    return QByteArray(kExifHeader, sizeof kExifHeader - 1) + tiff;
}

QByteArray iccPayload()
{
    const QByteArray& profile = srgbProfile();
    if (profile.isEmpty() || profile.size() > kMaxSegmentPayload - int(sizeof kIccHeader) - 2)
        return QByteArray();
    QByteArray payload(kIccHeader, sizeof kIccHeader); // the name and its zero byte
    payload.append(char(1)); // chunk 1
    payload.append(char(1)); // of 1
    payload.append(profile);
    return payload;
}

QByteArray jpegSegments(
    const ImageMetadata& metadata, int resolution, std::uint32_t width, std::uint32_t height)
{
    QByteArray segments = segment(0xE1, exifPayload(metadata, resolution, width, height));
    if (metadata.srgb) {
        const QByteArray icc = iccPayload();
        if (!icc.isEmpty())
            segments += segment(0xE2, icc);
    }
    return segments;
}

int jpegSegmentsPosition(const QByteArray& jpeg)
{
    if (jpeg.size() < 4 || std::uint8_t(jpeg[0]) != 0xFF || std::uint8_t(jpeg[1]) != 0xD8)
        return -1;
    if (std::uint8_t(jpeg[2]) == 0xFF && std::uint8_t(jpeg[3]) == 0xE0 && jpeg.size() >= 6) {
        const int length = (std::uint8_t(jpeg[4]) << 8) | std::uint8_t(jpeg[5]);
        if (2 + 2 + length <= jpeg.size())
            return 2 + 2 + length;
    }
    return 2;
}

} // namespace ImageMetadataFiles
