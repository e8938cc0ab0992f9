#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

#include <tiffio.h>

struct ImageMetadata;

// A libtiff file opened for writing on a descriptor of our own, so that failed
// writes and a failed close are seen (libtiff's own close reports nothing), and
// whose messages go to the image log rather than to standard error.
class TiffOutput
{
public:
    explicit TiffOutput(const QString& path);
    ~TiffOutput(); // closes without reporting; call close() to know the outcome
    TiffOutput(const TiffOutput&) = delete;
    TiffOutput& operator=(const TiffOutput&) = delete;

    TIFF* tiff() const { return m_tiff; }
    bool isOpen() const { return m_tiff != nullptr; }
    // The program, date, scanner and, when asked for, the sRGB profile.
    void setMetadata(const ImageMetadata& metadata);
    // Writes the directory and closes; false when anything was not written.
    bool close();

    // Writes the single strip of an uncompressed image of height rows in blocks of
    // a few megabytes, in two stages: fill(block, firstRow, rows) puts the rows of the
    // next block in place on a second thread while this one writes the block before.
    // fill runs on one thread at a time and must not touch the TIFF. False when a
    // fill or a write failed.
    bool writeRowsInBlocks(std::size_t rowBytes, std::uint32_t height,
        const std::function<bool(std::uint8_t*, std::uint32_t, std::uint32_t)>& fill);

    // Internal to the I/O callbacks.
    int descriptor() const { return m_fd; }
    void markFailed() { m_failed = true; }

private:
    TIFF* m_tiff = nullptr;
    int m_fd = -1;
    bool m_failed = false;
    // The blocks of writeRowsInBlocks: libtiff writes the last one on close.
    std::unique_ptr<std::uint8_t[]> m_blocks[2];
};
