#pragma once

#include <cstddef>
#include <cstdint>

// The owned byte array of an image. Large arrays are mapped directly; the last one
// freed (up to 512 MB) is kept for the next array of about its size, so that a chain of whole-image
// operations does not fault in every page of every result anew. (Huge pages would cut the faults too, but the
// kernel's compaction for them stalled the first allocation of a process for up to two seconds.) The contents
// of a new buffer are unspecified unless isZeroFilled().
//
// Threads: buffers may be made and freed on any thread; the kept mapping is
// guarded by its own mutex. A failed allocation throws
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
    bool isZeroFilled() const { return m_zeroFilled; }

private:
    void release();

    std::uint8_t* m_data = nullptr;
    void* m_mapping = nullptr; // set for a mapped buffer
    std::size_t m_mappingBytes = 0;
    bool m_zeroFilled = false; // a fresh mapping
};
