#pragma once

#include <QString>

#include <cstdint>

// A file of the raw-file path, read or written in whole blocks. Every read and
// write either moves all its bytes or reports failure. A file opened for writing
// that is not closed successfully is removed: no partial raw or final file stays.
class RawFile
{
public:
    enum Mode { Read, Write };

    RawFile(const QString& path, Mode mode);
    ~RawFile();
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    std::int64_t size() const; // -1 when unknown
    bool read(void* buffer, std::uint64_t bytes);
    bool write(const void* buffer, std::uint64_t bytes);
    bool seek(std::int64_t offset);
    // Closes; for a written file false when any write or the close failed, and the
    // file is then removed.
    bool close();
    // Closes and removes a written file.
    void discard();

private:
    QString m_path;
    Mode m_mode;
    int m_fd = -1;
    bool m_created = false; // only a file this object created is ever removed
    bool m_failed = false;
};
