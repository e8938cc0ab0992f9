#include "pixelbuffer.h"

#include <new>
#include <sys/mman.h>

namespace {

// Below this the heap serves better: its memory is usually faulted in already.
constexpr std::size_t kMappedFrom = std::size_t(8) << 20;

} // namespace

PixelBuffer::PixelBuffer(std::size_t bytes)
{
    if (bytes == 0)
        return;
    if (bytes < kMappedFrom) {
        m_data = new std::uint8_t[bytes];
        return;
    }
    m_mappingBytes = bytes;
    m_mapping = ::mmap(nullptr, m_mappingBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m_mapping == MAP_FAILED) {
        m_mapping = nullptr;
        throw std::bad_alloc();
    }
    m_data = static_cast<std::uint8_t*>(m_mapping);
}

PixelBuffer::~PixelBuffer()
{
    release();
}

PixelBuffer::PixelBuffer(PixelBuffer&& other) noexcept
    : m_data(other.m_data)
    , m_mapping(other.m_mapping)
    , m_mappingBytes(other.m_mappingBytes)
{
    other.m_data = nullptr;
    other.m_mapping = nullptr;
    other.m_mappingBytes = 0;
}

PixelBuffer& PixelBuffer::operator=(PixelBuffer&& other) noexcept
{
    if (this != &other) {
        release();
        m_data = other.m_data;
        m_mapping = other.m_mapping;
        m_mappingBytes = other.m_mappingBytes;
        other.m_data = nullptr;
        other.m_mapping = nullptr;
        other.m_mappingBytes = 0;
    }
    return *this;
}

void PixelBuffer::release()
{
    if (m_mapping)
        ::munmap(m_mapping, m_mappingBytes);
    else
        delete[] m_data;
    m_data = nullptr;
    m_mapping = nullptr;
    m_mappingBytes = 0;
}
