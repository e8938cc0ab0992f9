// The raw dump and the final TIFF written from an enlarged raw file.
#include "imagefiles.h"
#include "imagelog.h"
#include "outputcommit.h"
#include "rawfile.h"
#include "tiffoutput.h"

#include <QCoreApplication>
#include <QFile>

namespace ImageFiles
{

QString applicationDataFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/data");
}

std::uint32_t enlargedSize(std::uint32_t size)
{
    return static_cast<std::uint32_t>(double(size) * 2.0); // truncation
}

bool writeRaw(const STImage& image, const QString& path)
{
    RawFile file(path, RawFile::Write);
    if (!file.isOpen())
        return false;
    if (!file.write(image.data(), image.byteCount())) {
        file.discard();
        return false;
    }
    return file.close();
}

bool writeTiffFromRawWithLibtiff(std::uint32_t bits, const QString& sourcePath, const QString& targetPath,
    std::uint32_t width, std::uint32_t height, int resolution, const QString& description,
    const ImageMetadata* metadata)
{
    if ((bits != 8 && bits != 16) || width == 0 || height == 0)
        return false;
    const std::uint64_t rowBytes = std::uint64_t(width) * (bits / 8) * 3;
    RawFile source(sourcePath, RawFile::Read);
    if (!source.isOpen())
        return false;
    if (source.size() < std::int64_t(rowBytes * height)) {
        qCWarning(lcImage) << sourcePath << "is shorter than" << width << "x" << height << "pixels";
        return false;
    }
    bool written = false;
    {
        TiffOutput output(targetPath);
        TIFF* tiff = output.tiff();
        if (!tiff)
            return false;
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
        if (!description.isEmpty())
            TIFFSetField(tiff, TIFFTAG_IMAGEDESCRIPTION, description.toUtf8().constData());
        TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tiff, TIFFTAG_XRESOLUTION, float(resolution));
        TIFFSetField(tiff, TIFFTAG_YRESOLUTION, float(resolution));
        TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);
        TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, 0);
        if (metadata)
            output.setMetadata(*metadata);
        // The next block is read from the raw file while the one before is written.
        const bool ok = output.writeRowsInBlocks(
            std::size_t(rowBytes), height, [&](std::uint8_t* block, std::uint32_t, std::uint32_t rows) {
                return source.read(block, rowBytes * rows);
            });
        written = output.close() && ok;
    }
    if (!written) {
        qCWarning(lcImage) << "writing" << targetPath << "failed";
        QFile::remove(targetPath);
    }
    return written;
}

} // namespace ImageFiles

namespace
{

// Writes through a temporary file beside target and renames it over target.
template <typename Writer> bool writeReplacing(const QString& target, Writer writer)
{
    const QString temporary = OutputCommit::createTemporaryBeside(target);
    if (temporary.isEmpty())
        return false;
    if (!writer(temporary)) {
        QFile::remove(temporary);
        return false;
    }
    return OutputCommit::commitReplacing(temporary, target);
}

} // namespace

bool STImage::dumpRaw(const QString& path) const
{
    return ImageFiles::writeRaw(*this, path);
}

bool STImage::writeJpegFromRaw(std::uint32_t bits, const QString& sourcePath, const QString& targetPath,
    int resolution, const QByteArray& comment) const
{
    const std::uint32_t width = ImageFiles::enlargedSize(m_width);
    const std::uint32_t height = ImageFiles::enlargedSize(m_height);
    return writeReplacing(targetPath, [&](const QString& temporary) {
        return ImageFiles::writeJpegFromRaw(bits, sourcePath, temporary, width, height, resolution, comment);
    });
}

bool STImage::writeTiffFromRaw(std::uint32_t bits, const QString& sourcePath, const QString& targetPath,
    int resolution, const QString& description) const
{
    const std::uint32_t width = ImageFiles::enlargedSize(m_width);
    const std::uint32_t height = ImageFiles::enlargedSize(m_height);
    return writeReplacing(targetPath, [&](const QString& temporary) {
        if (ImageFiles::usesTiffTemplate(bits, width, height))
            return ImageFiles::writeTiffFromRawWithTemplate(
                sourcePath, temporary, width, height, resolution, ImageFiles::applicationDataFolder());
        return ImageFiles::writeTiffFromRawWithLibtiff(
            bits, sourcePath, temporary, width, height, resolution, description);
    });
}
