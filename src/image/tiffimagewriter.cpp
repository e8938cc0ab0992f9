#include "imagefiles.h"
#include "imagelog.h"
#include "outputcommit.h"
#include "tiffoutput.h"

#include <QFile>

#include <cstring>

namespace ImageFiles
{

bool writeTiff(
    const STImage& image, const QString& path, const QString& description, const ImageMetadata* metadata)
{
    const std::uint32_t bits = image.bitsPerSample();
    const int channels = image.channels();
    // Two-channel luminance and chroma images are not made by this system.
    if (image.isNull() || (bits != 8 && bits != 16) || (channels != 1 && channels != 3 && channels != 4)) {
        qCWarning(lcImage) << "no TIFF for an image of" << bits << "bits and" << channels << "channels";
        return false;
    }
    bool written = false;
    {
        TiffOutput output(path);
        TIFF* tiff = output.tiff();
        if (!tiff)
            return false;
        const std::size_t rowBytes = image.bytesPerLine();
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, image.width());
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, image.height());
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, channels);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
        TIFFSetField(tiff, TIFFTAG_XRESOLUTION, float(image.resolution()));
        TIFFSetField(tiff, TIFFTAG_YRESOLUTION, float(image.resolution()));
        TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        if (!description.isEmpty())
            TIFFSetField(tiff, TIFFTAG_IMAGEDESCRIPTION, description.toUtf8().constData());
        TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, channels == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
        if (channels == 4) {
            // Readers need to be told what the fourth sample is.
            const std::uint16_t extra[] = { EXTRASAMPLE_UNSPECIFIED };
            TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
        }
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, image.height());
        if (!image.xmlPacket().isEmpty())
            TIFFSetField(tiff, TIFFTAG_XMLPACKET, std::uint32_t(image.xmlPacket().size()),
                image.xmlPacket().constData());
        if (metadata)
            output.setMetadata(*metadata);
        // Copying the next block of rows on a second thread while the one before is
        // written leaves the kernel a source in the cache: faster than one write from
        // the pixels, which the kernel would read from memory on this thread alone.
        const std::uint8_t* pixels = image.data();
        const bool rowsWritten = output.writeRowsInBlocks(
            rowBytes, image.height(), [&](std::uint8_t* block, std::uint32_t first, std::uint32_t rows) {
                std::memcpy(block, pixels + std::size_t(first) * rowBytes, std::size_t(rows) * rowBytes);
                return true;
            });
        written = output.close() && rowsWritten;
    }
    if (!written) {
        qCWarning(lcImage) << "writing" << path << "failed";
        QFile::remove(path);
    }
    return written;
}

} // namespace ImageFiles

bool STImage::saveTiff(const QString& path, const QString& description)
{
    // The scratch row of the writer; the rows themselves go straight from the pixels.
    growRowBuffer(bytesPerLine());
    const QString temporary = OutputCommit::createTemporaryBeside(path);
    if (temporary.isEmpty())
        return false;
    if (!ImageFiles::writeTiff(*this, temporary, description)) {
        QFile::remove(temporary);
        return false;
    }
    return OutputCommit::commitReplacing(temporary, path);
}
