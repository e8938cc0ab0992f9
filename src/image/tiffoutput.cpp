#include "tiffoutput.h"

#include "imagelog.h"
#include "imagemetadata.h"
#include "writeopen.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace
{

// Blocks of a few megabytes: large writes, small enough that a block just filled is
// still in the cache when the kernel copies it.
constexpr std::size_t kBlockBytes = std::size_t(2) << 20;

TiffOutput* outputOf(thandle_t handle)
{
    return static_cast<TiffOutput*>(handle);
}

tmsize_t readProc(thandle_t handle, void* buffer, tmsize_t size)
{
    ssize_t done = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (done < size) {
        const ssize_t n = ::read(outputOf(handle)->descriptor(), bytes + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

tmsize_t writeProc(thandle_t handle, void* buffer, tmsize_t size)
{
    ssize_t done = 0;
    const auto* bytes = static_cast<const char*>(buffer);
    while (done < size) {
        const ssize_t n = ::write(outputOf(handle)->descriptor(), bytes + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            outputOf(handle)->markFailed();
            return -1;
        }
        done += n;
    }
    return done;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence)
{
    const off_t result = ::lseek(outputOf(handle)->descriptor(), off_t(offset), whence);
    return result < 0 ? toff_t(-1) : toff_t(result);
}

int closeProc(thandle_t)
{
    return 0; // the descriptor is closed by TiffOutput::close(), which checks it
}

toff_t sizeProc(thandle_t handle)
{
    struct stat status;
    if (::fstat(outputOf(handle)->descriptor(), &status) != 0)
        return 0;
    return toff_t(status.st_size);
}

int mapProc(thandle_t, void**, toff_t*)
{
    return 0;
}

void unmapProc(thandle_t, void*, toff_t)
{
}

int messageHandler(TIFF*, void* user, const char* module, const char* format, va_list arguments)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    if (user)
        qCWarning(lcImage, "libtiff %s: %s", module ? module : "", text);
    else
        qCDebug(lcImage, "libtiff %s: %s", module ? module : "", text);
    return 1; // handled: nothing to standard error
}

int errorHandler(TIFF* tiff, void* user, const char* module, const char* format, va_list arguments)
{
    if (user)
        static_cast<TiffOutput*>(user)->markFailed();
    return messageHandler(tiff, user, module, format, arguments);
}

int warningHandler(TIFF* tiff, void*, const char* module, const char* format, va_list arguments)
{
    return messageHandler(tiff, nullptr, module, format, arguments);
}

} // namespace

TiffOutput::TiffOutput(const QString& path)
{
    if (path.isEmpty())
        return;
    m_fd = openForWriting(path);
    if (m_fd < 0) {
        qCWarning(lcImage) << "cannot create" << path;
        return;
    }
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, errorHandler, this);
    TIFFOpenOptionsSetWarningHandlerExtR(options, warningHandler, this);
    m_tiff = TIFFClientOpenExt(QFile::encodeName(path).constData(), "w", this, readProc, writeProc, seekProc,
        closeProc, sizeProc, mapProc, unmapProc, options);
    TIFFOpenOptionsFree(options);
    if (!m_tiff) {
        ::close(m_fd);
        m_fd = -1;
    }
}

TiffOutput::~TiffOutput()
{
    close();
}

void TiffOutput::setMetadata(const ImageMetadata& metadata)
{
    if (!m_tiff)
        return;
    auto text = [this](ttag_t tag, const QString& value) {
        if (!value.isEmpty())
            TIFFSetField(m_tiff, tag, value.toUtf8().constData());
    };
    text(TIFFTAG_SOFTWARE, metadata.software);
    text(TIFFTAG_DATETIME, metadata.dateTimeText());
    text(TIFFTAG_MAKE, metadata.make);
    text(TIFFTAG_MODEL, metadata.model);
    if (metadata.srgb) {
        const QByteArray& profile = ImageMetadataFiles::srgbProfile();
        if (!profile.isEmpty())
            TIFFSetField(m_tiff, TIFFTAG_ICCPROFILE, std::uint32_t(profile.size()), profile.constData());
    }
}

bool TiffOutput::close()
{
    if (m_tiff) {
        if (!TIFFFlush(m_tiff))
            m_failed = true;
        TIFFClose(m_tiff);
        m_tiff = nullptr;
    }
    if (m_fd >= 0) {
        if (::close(m_fd) != 0)
            m_failed = true;
        m_fd = -1;
        return !m_failed;
    }
    return false;
}

bool TiffOutput::writeRowsInBlocks(std::size_t rowBytes, std::uint32_t height,
    const std::function<bool(std::uint8_t*, std::uint32_t, std::uint32_t)>& fill)
{
    if (!m_tiff || rowBytes == 0)
        return false;
    // Each block is handed to libtiff as its write buffer and the rows are passed at
    // the buffer's own positions, so uncompressed rows are not copied again; libtiff
    // writes a block when it is full, and the last, shorter one on close.
    const std::uint32_t blockRows = std::uint32_t(std::max<std::size_t>(1, kBlockBytes / rowBytes));
    const std::size_t blockBytes = rowBytes * blockRows;
    for (auto& block : m_blocks)
        block.reset(new std::uint8_t[blockBytes]);
    auto rowsOf = [&](std::uint32_t first) { return std::min(blockRows, height - first); };
    bool ok = height == 0 || fill(m_blocks[0].get(), 0, rowsOf(0));
    for (std::uint32_t first = 0, index = 0; first < height && ok; first += blockRows, index ^= 1) {
        const std::uint32_t next = first + blockRows;
        bool nextFilled = true;
        std::thread filler;
        if (next < height) {
            auto fillNext = [&] { nextFilled = fill(m_blocks[index ^ 1].get(), next, rowsOf(next)); };
            try {
                filler = std::thread(fillNext);
            } catch (const std::system_error&) {
                fillNext(); // no thread to be had: fill before writing
            }
        }
        std::uint8_t* block = m_blocks[index].get();
        TIFFWriteBufferSetup(m_tiff, block, tmsize_t(blockBytes));
        const std::uint32_t rows = rowsOf(first);
        for (std::uint32_t y = 0; y < rows && ok; ++y)
            ok = TIFFWriteScanline(m_tiff, block + y * rowBytes, first + y, 0) == 1;
        if (filler.joinable())
            filler.join();
        ok = ok && nextFilled;
    }
    return ok;
}
