#include "pixelbuffer.h"

#include <mutex>
#include <new>
#include <sys/mman.h>

namespace
{

// Below this the heap serves better: its memory is usually faulted in already.
constexpr std::size_t kMappedFrom = std::size_t(8) << 20;
// A whole-window scan at 5000 dpi is 206 MB.
constexpr std::size_t kMaxSpare = std::size_t(512) << 20;

// The most recently freed large mapping, kept for the next image of about its
// size: whole-image operations free one image as they make the next, and a fresh
// mapping of 100 MB costs more in page faults than a pass over its pixels. At most
// one is kept, and none above kMaxSpare. (Handing its pages back with MADV_FREE
// meanwhile measured as costly as the faults it saves.)
struct SpareMapping {
    std::mutex lock;
    void* mapping = nullptr;
    std::size_t bytes = 0;
};

SpareMapping& spare()
{
    static SpareMapping instance;
    return instance;
}

// A spare mapping that fits without wasting more than a third of itself.
void* takeSpare(std::size_t bytes, std::size_t* mappingBytes)
{
    SpareMapping& s = spare();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!s.mapping || s.bytes < bytes || s.bytes - bytes > s.bytes / 3)
        return nullptr;
    void* mapping = s.mapping;
    *mappingBytes = s.bytes;
    s.mapping = nullptr;
    s.bytes = 0;
    return mapping;
}

void giveSpare(void* mapping, std::size_t bytes)
{
    if (bytes > kMaxSpare) {
        ::munmap(mapping, bytes);
        return;
    }
    void* previous = nullptr;
    std::size_t previousBytes = 0;
    {
        SpareMapping& s = spare();
        std::lock_guard<std::mutex> guard(s.lock);
        previous = s.mapping;
        previousBytes = s.bytes;
        s.mapping = mapping;
        s.bytes = bytes;
    }
    if (previous)
        ::munmap(previous, previousBytes);
}

} // namespace

PixelBuffer::PixelBuffer(std::size_t bytes)
{
    if (bytes == 0)
        return;
    if (bytes < kMappedFrom) {
        m_data = new std::uint8_t[bytes];
        return;
    }
    m_mapping = takeSpare(bytes, &m_mappingBytes);
    if (m_mapping) {
        m_data = static_cast<std::uint8_t*>(m_mapping);
        return;
    }
    m_mappingBytes = bytes;
    m_mapping = ::mmap(nullptr, m_mappingBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m_mapping == MAP_FAILED) {
        m_mapping = nullptr;
        throw std::bad_alloc();
    }
    m_data = static_cast<std::uint8_t*>(m_mapping);
    m_zeroFilled = true;
}

PixelBuffer::~PixelBuffer()
{
    release();
}

PixelBuffer::PixelBuffer(PixelBuffer&& other) noexcept
    : m_data(other.m_data)
    , m_mapping(other.m_mapping)
    , m_mappingBytes(other.m_mappingBytes)
    , m_zeroFilled(other.m_zeroFilled)
{
    other.m_data = nullptr;
    other.m_mapping = nullptr;
    other.m_mappingBytes = 0;
    other.m_zeroFilled = false;
}

PixelBuffer& PixelBuffer::operator=(PixelBuffer&& other) noexcept
{
    if (this != &other) {
        release();
        m_data = other.m_data;
        m_mapping = other.m_mapping;
        m_mappingBytes = other.m_mappingBytes;
        m_zeroFilled = other.m_zeroFilled;
        other.m_data = nullptr;
        other.m_mapping = nullptr;
        other.m_mappingBytes = 0;
        other.m_zeroFilled = false;
    }
    return *this;
}

void PixelBuffer::release()
{
    if (m_mapping)
        giveSpare(m_mapping, m_mappingBytes);
    else
        delete[] m_data;
    m_data = nullptr;
    m_mapping = nullptr;
    m_mappingBytes = 0;
    m_zeroFilled = false;
}
