#pragma once

#include <QByteArray>
#include <QImage>
#include <QMetaType>
#include <QString>

#include "pixelbuffer.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// The scan image: width x height pixels of interleaved samples (8 bits, or 16-bit
// little-endian words), rows without padding, resolution in dpi for the files.
//
// A plain value type: copying copies the pixels, but not the TIFF writer's row
// buffer or the XML packet (a copy starts with both empty; an assigned image keeps
// its own). Per-pixel accessors are bounds-checked and define the results; the
// whole-image operations compute the same samples with row loops.
//
// Threads: an image is never shared; it crosses from the scanner worker to the
// user-interface thread only as the copy a queued connection makes. The large
// whole-image operations may split their rows over a second thread internally and
// join it before they return.
class STImage
{
public:
    // Pixel arrays at or beyond this size are refused: byte sizes are 32-bit.
    static constexpr std::uint64_t kMaxByteCount = 0xFFFFFFFFull;

    STImage();
    STImage(const STImage& other);
    STImage(STImage&& other) noexcept;
    STImage& operator=(const STImage& other);
    STImage& operator=(STImage&& other) noexcept;
    virtual ~STImage();

    // Registers the meta-type "STImage" for queued connections; safe to call often.
    static int registerMetaType();
    // An image of these numbers with every sample 0 (an empty image when setData
    // would refuse them).
    static STImage zeroed(
        std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerSample, std::int32_t channels);

    // Takes the four numbers and copies channels x (width x height x bits / 8) bytes
    // from source. Refuses (false, image unchanged) a byte size that does not fit in
    // 32 bits, a channel count outside 1-4, and, with the second form, a source that
    // holds fewer bytes than that.
    bool setData(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerSample,
        std::int32_t channels, const void* source);
    bool setData(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerSample,
        std::int32_t channels, const void* source, std::size_t sourceBytes);

    // The byte size setData would give these numbers, or -1 when it overflows 32 bits
    // or the numbers are unusable.
    static std::int64_t byteCountFor(
        std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerSample, std::int32_t channels);

    std::uint8_t* data() { return m_pixels.get(); }
    const std::uint8_t* data() const { return m_pixels.get(); }
    std::size_t byteCount() const { return m_byteCount; }
    std::uint32_t width() const { return m_width; }
    std::uint32_t height() const { return m_height; }
    std::uint32_t bitsPerSample() const { return m_bitsPerSample; }
    std::int32_t channels() const { return m_channels; }
    bool isNull() const { return m_byteCount == 0; }
    // Bytes of one row of pixels.
    std::size_t bytesPerLine() const;

    int resolution() const { return m_resolution; }
    void setResolution(int dpi) { m_resolution = dpi; }
    const QByteArray& xmlPacket() const { return m_xmlPacket; }
    void setXmlPacket(const QByteArray& packet) { m_xmlPacket = packet; }
    // The TIFF writer's scratch row; grows, never shrinks.
    std::size_t rowBufferSize() const { return m_rowBufferSize; }
    std::uint8_t* growRowBuffer(std::size_t bytes);

    // Per-pixel access: 0 outside the image or with bits other than 8 and 16.
    std::uint32_t red(std::uint32_t x, std::uint32_t y) const { return sample(x, y, 0); }
    std::uint32_t green(std::uint32_t x, std::uint32_t y) const { return sample(x, y, 1); }
    std::uint32_t blue(std::uint32_t x, std::uint32_t y) const { return sample(x, y, 2); }
    float redF(std::uint32_t x, std::uint32_t y) const { return sampleF(x, y, 0); }
    float greenF(std::uint32_t x, std::uint32_t y) const { return sampleF(x, y, 1); }
    float blueF(std::uint32_t x, std::uint32_t y) const { return sampleF(x, y, 2); }
    // False outside the image (8 or 16 bits); with any other depth nothing is stored
    // and the result is true.
    bool setRed(std::uint32_t x, std::uint32_t y, std::uint32_t value) { return setSample(x, y, 0, value); }
    bool setGreen(std::uint32_t x, std::uint32_t y, std::uint32_t value) { return setSample(x, y, 1, value); }
    bool setBlue(std::uint32_t x, std::uint32_t y, std::uint32_t value) { return setSample(x, y, 2, value); }
    bool setRedF(std::uint32_t x, std::uint32_t y, float value) { return setSampleF(x, y, 0, value); }
    bool setGreenF(std::uint32_t x, std::uint32_t y, float value) { return setSampleF(x, y, 1, value); }
    bool setBlueF(std::uint32_t x, std::uint32_t y, float value) { return setSampleF(x, y, 2, value); }

    // Any channel, including a fourth; same rules as the named accessors.
    std::uint32_t sample(std::uint32_t x, std::uint32_t y, int channel) const;
    float sampleF(std::uint32_t x, std::uint32_t y, int channel) const;
    bool setSample(std::uint32_t x, std::uint32_t y, int channel, std::uint32_t value);
    bool setSampleF(std::uint32_t x, std::uint32_t y, int channel, float value);

    // Whole-image operations; each returns a new image. rotatedRight, mirrored and
    // flipped give it resolution 300, to8Bit and scaled keep the source's.
    QImage toQImage() const; // RGB888 from the high bytes; a fourth channel is ignored
    STImage to8Bit() const; // high bytes, no rounding; a fourth channel becomes 0
    STImage scaled(std::uint32_t newWidth, std::uint32_t newHeight) const; // nearest neighbour
    STImage rotatedRight() const; // 90 degrees clockwise
    STImage mirrored() const; // left-right
    STImage flipped() const; // top-bottom
    // Copies row 0 of rowImage into row y (the last row when y is beyond it);
    // returns the pixels written.
    std::uint32_t setRow(std::uint32_t y, const STImage& rowImage);

    // File output. saveTiff and the two raw-file writers write a temporary file
    // beside the target and rename it over the target only when complete; on
    // failure the temporary file is removed, the target is left as it was and the
    // result is false. (Final scans, which must never replace a file, go through
    // finalfile.h.)
    bool saveTiff(const QString& path, const QString& description = QString());
    // The pixel array as a headerless raw file, written in place (raw files are
    // scratch files of the 10000 dpi path); a failed write removes it.
    bool dumpRaw(const QString& path) const;
    // Read the raw file enlarged by 2.0 from this image (width x 2, height x 2, three
    // channels of the given bits) and write the final file.
    bool writeJpegFromRaw(std::uint32_t bits, const QString& sourcePath, const QString& targetPath,
        int resolution, const QByteArray& comment) const;
    bool writeTiffFromRaw(std::uint32_t bits, const QString& sourcePath, const QString& targetPath,
        int resolution, const QString& description = QString()) const;

private:
    bool takeData(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerSample,
        std::int32_t channels, const void* source, std::int64_t bytes);
    // A new image of these numbers with an uninitialised pixel array.
    static STImage allocated(
        std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerSample, std::int32_t channels);
    std::uint8_t* sampleAddress(std::uint32_t x, std::uint32_t y, int channel) const;

    std::uint32_t m_width = 0;
    std::uint32_t m_height = 0;
    std::uint32_t m_bitsPerSample = 0;
    std::int32_t m_channels = 0;
    PixelBuffer m_pixels;
    std::size_t m_byteCount = 0;
    std::unique_ptr<std::uint8_t[]> m_rowBuffer;
    std::size_t m_rowBufferSize = 0;
    int m_resolution = 300;
    QByteArray m_xmlPacket;
};

Q_DECLARE_METATYPE(STImage)
