#include "imagefiles.h"
#include "imagelog.h"
#include "imagemetadata.h"
#include "rawfile.h"
#include "writeopen.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <unistd.h>

#include <jpeglib.h>

namespace
{

// libjpeg's standard error handler ends the process; this one jumps back so that
// the writer can clean up and report failure.
struct ErrorManager {
    jpeg_error_mgr standard;
    std::jmp_buf escape;
};

[[noreturn]] void errorExit(j_common_ptr info)
{
    char message[JMSG_LENGTH_MAX];
    info->err->format_message(info, message);
    qCWarning(lcImage, "libjpeg: %s", message);
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1);
}

void outputMessage(j_common_ptr info)
{
    char message[JMSG_LENGTH_MAX];
    info->err->format_message(info, message);
    qCDebug(lcImage, "libjpeg: %s", message);
}

// What the compression reads its rows from; plain data, because the jump out of
// libjpeg skips destructors.
struct RowSource {
    RawFile* file;
    std::uint8_t* raw; // one row as stored
    std::uint8_t* row; // one row of 8-bit samples
    const std::uint8_t* table; // 16 to 8 bits, 65536 entries; null for 8-bit rows
    std::uint64_t rawBytes;
    std::size_t samples;
};

// Returns 0 on success, 1 when libjpeg failed, 2 when a row could not be read.
int compress(std::FILE* out, std::uint32_t width, std::uint32_t height, int resolution, const char* comment,
    unsigned commentBytes, const QByteArray* exif, const QByteArray* icc, RowSource* source)
{
    jpeg_compress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.standard);
    errors.standard.error_exit = errorExit;
    errors.standard.output_message = outputMessage;
    volatile int result = 0;
    if (setjmp(errors.escape)) {
        jpeg_destroy_compress(&info);
        return result == 0 ? 1 : result;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    info.density_unit = 1; // dots per inch
    info.X_density = static_cast<UINT16>(resolution);
    info.Y_density = static_cast<UINT16>(resolution);
    jpeg_start_compress(&info, TRUE);
    jpeg_write_marker(&info, JPEG_COM, reinterpret_cast<const JOCTET*>(comment), commentBytes);
    // After the comment, so that every byte before it stays where it always was.
    if (exif)
        jpeg_write_marker(
            &info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(exif->constData()), unsigned(exif->size()));
    if (icc && !icc->isEmpty())
        jpeg_write_marker(
            &info, JPEG_APP0 + 2, reinterpret_cast<const JOCTET*>(icc->constData()), unsigned(icc->size()));
    while (info.next_scanline < info.image_height) {
        if (!source->file->read(source->raw, source->rawBytes)) {
            result = 2;
            jpeg_abort_compress(&info);
            jpeg_destroy_compress(&info);
            return 2;
        }
        JSAMPROW row = source->raw;
        if (source->table) {
            const auto* in = source->raw;
            for (std::size_t i = 0; i < source->samples; ++i, in += 2)
                source->row[i] = source->table[in[0] | (in[1] << 8)];
            row = source->row;
        }
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return 0;
}

} // namespace

namespace ImageFiles
{

bool writeJpegFromRaw(std::uint32_t bits, const QString& sourcePath, const QString& targetPath,
    std::uint32_t width, std::uint32_t height, int resolution, const QByteArray& comment,
    const ImageMetadata* metadata)
{
    if ((bits != 8 && bits != 16) || width == 0 || height == 0)
        return false;
    const std::size_t samples = std::size_t(width) * 3;
    const std::uint64_t rawBytes = std::uint64_t(samples) * (bits / 8);
    RawFile source(sourcePath, RawFile::Read);
    if (!source.isOpen())
        return false;
    if (source.size() < std::int64_t(rawBytes * height)) {
        qCWarning(lcImage) << sourcePath << "is shorter than" << width << "x" << height << "pixels";
        return false;
    }
    const int fd = openForWriting(targetPath);
    std::FILE* out = fd >= 0 ? ::fdopen(fd, "w+b") : nullptr;
    if (!out) {
        if (fd >= 0)
            ::close(fd);
        qCWarning(lcImage) << "cannot create" << targetPath;
        return false;
    }
    std::unique_ptr<std::uint8_t[]> raw(new std::uint8_t[rawBytes]);
    std::unique_ptr<std::uint8_t[]> row;
    std::unique_ptr<std::uint8_t[]> table;
    if (bits == 16) {
        row.reset(new std::uint8_t[samples]);
        table.reset(new std::uint8_t[65536]);
        // trunc(255 x (sample / 65535)), in double precision, looked up once per sample.
        for (std::uint32_t s = 0; s < 65536; ++s)
            table[s] = static_cast<std::uint8_t>(255.0 * (double(s) / 65535.0));
    }
    RowSource rows { &source, raw.get(), row.get(), table.get(), rawBytes, samples };
    // The comment marker holds the text and its terminating zero byte.
    const QByteArray text = comment + '\0';
    QByteArray exif;
    QByteArray icc;
    if (metadata) {
        exif = ImageMetadataFiles::exifPayload(*metadata, resolution, width, height);
        if (metadata->srgb)
            icc = ImageMetadataFiles::iccPayload();
    }
    const int result = compress(out, width, height, resolution, text.constData(), unsigned(text.size()),
        metadata ? &exif : nullptr, metadata ? &icc : nullptr, &rows);
    const bool closed = std::fclose(out) == 0;
    if (result != 0 || !closed) {
        qCWarning(lcImage) << "writing" << targetPath << "failed";
        QFile::remove(targetPath);
        return false;
    }
    return true;
}

} // namespace ImageFiles
