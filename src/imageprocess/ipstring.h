#pragma once

#include <cstddef>

// A byte string for the image-processing code, which stays on the C library so that
// parameter and film-term files read the same everywhere. Short strings (under 128
// characters) live inline so the per-line parsing of large files does not allocate.
// Not shared between threads: each user holds its own.
class IPString
{
public:
    static constexpr std::size_t kInlineSize = 128;

    IPString();
    IPString(const char* text);
    // Copies exactly n bytes of buffer (NULs included), then terminates.
    IPString(const char* buffer, std::size_t n);
    IPString(const IPString& other);
    virtual ~IPString();

    IPString& operator=(const char* text);
    IPString& operator=(const IPString& other);

    IPString operator+(const IPString& other) const;

    // Byte-wise on unsigned characters, case-sensitive: negative, 0 or positive.
    int compare(const char* text) const;

    bool isEmpty() const { return m_length == 0; }
    std::size_t length() const { return m_length; }
    const char* text() const { return m_text; }
    bool isOnHeap() const { return m_heap != nullptr; }

private:
    void assign(const char* buffer, std::size_t n);

    char* m_text;
    char* m_heap;
    char m_inline[kInlineSize];
    std::size_t m_length;
};
