#include "rawfile.h"

#include "imagelog.h"
#include "writeopen.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RawFile::RawFile(const QString& path, Mode mode)
    : m_path(path)
    , m_mode(mode)
{
    if (path.isEmpty())
        return;
    m_fd = mode == Read ? ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC)
                        : openForWriting(path);
    m_created = m_fd >= 0 && mode == Write;
    if (m_fd < 0)
        qCWarning(lcImage) << "cannot open" << path << (mode == Read ? "for reading" : "for writing");
}

RawFile::~RawFile()
{
    if (m_fd >= 0) {
        if (m_mode == Write)
            discard();
        else
            close();
    }
}

std::int64_t RawFile::size() const
{
    struct stat status;
    if (m_fd < 0 || ::fstat(m_fd, &status) != 0)
        return -1;
    return std::int64_t(status.st_size);
}

bool RawFile::read(void* buffer, std::uint64_t bytes)
{
    auto* at = static_cast<char*>(buffer);
    while (bytes > 0 && m_fd >= 0) {
        // Linux moves at most about 2 GB per call.
        const std::size_t chunk
            = bytes > (std::uint64_t(1) << 30) ? std::size_t(1) << 30 : std::size_t(bytes);
        const ssize_t n = ::read(m_fd, at, chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false; // an error, or the file is shorter than its caller thought
        at += n;
        bytes -= std::uint64_t(n);
    }
    return bytes == 0;
}

bool RawFile::write(const void* buffer, std::uint64_t bytes)
{
    const auto* at = static_cast<const char*>(buffer);
    while (bytes > 0 && m_fd >= 0 && !m_failed) {
        const std::size_t chunk
            = bytes > (std::uint64_t(1) << 30) ? std::size_t(1) << 30 : std::size_t(bytes);
        const ssize_t n = ::write(m_fd, at, chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_failed = true;
            break;
        }
        at += n;
        bytes -= std::uint64_t(n);
    }
    return bytes == 0 && m_fd >= 0;
}

bool RawFile::seek(std::int64_t offset)
{
    return m_fd >= 0 && ::lseek(m_fd, off_t(offset), SEEK_SET) == off_t(offset);
}

bool RawFile::close()
{
    if (m_fd < 0)
        return false;
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    if (m_mode == Read)
        return closed;
    if (!closed || m_failed) {
        qCWarning(lcImage) << "writing" << m_path << "failed";
        QFile::remove(m_path);
        m_created = false;
        return false;
    }
    m_created = false;
    return true;
}

void RawFile::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_created)
        QFile::remove(m_path);
    m_created = false;
}
