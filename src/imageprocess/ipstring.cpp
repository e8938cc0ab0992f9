#include "ipstring.h"

#include <cstring>

IPString::IPString()
    : m_text(m_inline)
    , m_heap(nullptr)
    , m_length(0)
{
    m_inline[0] = '\0';
}

IPString::IPString(const char* text)
    : IPString()
{
    *this = text;
}

IPString::IPString(const char* buffer, std::size_t n)
    : IPString()
{
    assign(buffer, n);
}

IPString::IPString(const IPString& other)
    : IPString()
{
    assign(other.m_text, other.m_length);
}

IPString::~IPString()
{
    delete[] m_heap;
}

IPString& IPString::operator=(const char* text)
{
    if (text == nullptr)
        text = "";
    assign(text, std::strlen(text));
    return *this;
}

IPString& IPString::operator=(const IPString& other)
{
    if (this != &other)
        assign(other.m_text, other.m_length);
    return *this;
}

IPString IPString::operator+(const IPString& other) const
{
    IPString result;
    const std::size_t total = m_length + other.m_length;
    char* joined = new char[total + 1];
    std::memcpy(joined, m_text, m_length);
    std::memcpy(joined + m_length, other.m_text, other.m_length);
    joined[total] = '\0';
    result.assign(joined, total);
    delete[] joined;
    return result;
}

int IPString::compare(const char* text) const
{
    if (text == nullptr)
        text = "";
    const unsigned char* a = reinterpret_cast<const unsigned char*>(m_text);
    const unsigned char* b = reinterpret_cast<const unsigned char*>(text);
    while (*a != 0 && *a == *b) {
        ++a;
        ++b;
    }
    return int(*a) - int(*b);
}

void IPString::assign(const char* buffer, std::size_t n)
{
    // The source may point into our own storage (a substring of ourselves), so the
    // new block is filled before the old one is released.
    if (n < kInlineSize) {
        if (buffer != m_inline)
            std::memmove(m_inline, buffer, n);
        m_inline[n] = '\0';
        delete[] m_heap;
        m_heap = nullptr;
        m_text = m_inline;
    } else {
        char* block = new char[n + 1];
        std::memcpy(block, buffer, n);
        block[n] = '\0';
        delete[] m_heap;
        m_heap = block;
        m_text = block;
    }
    m_length = n;
}
