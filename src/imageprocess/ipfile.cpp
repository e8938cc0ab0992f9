#include "ipfile.h"

IPFile::~IPFile()
{
    close();
}

bool IPFile::open(const char* path, int mode)
{
    close();
    if (path == nullptr)
        return false;
    m_file = std::fopen(path, mode == 0 ? "rb" : "w+b");
    return m_file != nullptr;
}

void IPFile::close()
{
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}
