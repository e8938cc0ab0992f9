#pragma once

#include <QString>

#include <cstdint>

#include <tiffio.h>

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
    // Writes the directory and closes; false when anything was not written.
    bool close();

    // Internal to the I/O callbacks.
    int descriptor() const { return m_fd; }
    void markFailed() { m_failed = true; }

private:
    TIFF* m_tiff = nullptr;
    int m_fd = -1;
    bool m_failed = false;
};
