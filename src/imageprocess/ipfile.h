#pragma once

#include <cstdio>

// One C stdio file handle, closed by the destructor. Not shared between threads.
class IPFile
{
public:
    IPFile() = default;
    IPFile(const IPFile&) = delete;
    IPFile& operator=(const IPFile&) = delete;
    virtual ~IPFile();

    // mode 0 reads ("rb"); any other mode creates or truncates for update ("w+b").
    // A file that is already open is closed first.
    bool open(const char* path, int mode);
    void close();
    bool isOpen() const { return m_file != nullptr; }
    std::FILE* handle() const { return m_file; }

protected:
    std::FILE* m_file = nullptr;
};
