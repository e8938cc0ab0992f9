#include "ipstdiofile.h"

#include <cstring>

bool IPStdioFile::readLine(IPString& text, bool* lineEnded)
{
    if (m_file == nullptr)
        return false;
    char buffer[kMaxLineBytes + 1];
    if (std::fgets(buffer, sizeof buffer, m_file) == nullptr)
        return false;
    const std::size_t n = std::strlen(buffer);
    const bool ended = (n > 0 && buffer[n - 1] == '\n') || std::feof(m_file);
    for (std::size_t i = 0; i < n; ++i) {
        if (buffer[i] == '\r' || buffer[i] == '\n')
            buffer[i] = '\0';
    }
    text = buffer;
    if (lineEnded != nullptr) {
        // A piece that filled the buffer exactly may still be the end of the line.
        bool endedHere = ended;
        if (!endedHere) {
            const int next = std::fgetc(m_file);
            if (next == EOF) {
                endedHere = true;
            } else {
                std::ungetc(next, m_file);
                endedHere = false;
            }
        }
        *lineEnded = endedHere;
    }
    return true;
}
