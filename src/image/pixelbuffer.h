#pragma once

#include <cstddef>
#include <cstdint>

// The owned byte array of an image. Large arrays are mapped directly, so that they
// are known to start zero-filled (a zeroed image then needs no pass of its own) and
// go back to the system when freed. (Huge pages would halve the cost of first
// touching a new 100 MB array, but the kernel's compaction for them stalled the
// first such allocation of a process for up to two seconds.)
// The contents of a new buffer are unspecified unless isZeroFilled(). A failed allocation throws
// std::bad_alloc, as new does.
class PixelBuffer
{
public:
    PixelBuffer() = default;
    explicit PixelBuffer(std::size_t bytes);
    ~PixelBuffer();
    PixelBuffer(PixelBuffer&& other) noexcept;
    PixelBuffer& operator=(PixelBuffer&& other) noexcept;
    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;

    std::uint8_t* get() const { return m_data; }
    // A freshly mapped buffer comes zero-filled from the kernel.
    bool isZeroFilled() const { return m_mapping != nullptr; }

private:
    void release();

    std::uint8_t* m_data = nullptr;
    void* m_mapping = nullptr; // set for a mapped buffer
    std::size_t m_mappingBytes = 0;
};
