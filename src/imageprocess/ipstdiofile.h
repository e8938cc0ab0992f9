#pragma once

#include "ipfile.h"
#include "ipstring.h"

// Line reading on top of IPFile, for the parameter and film-term readers.
class IPStdioFile : public IPFile
{
public:
    static constexpr int kMaxLineBytes = 999;

    // Reads one line of at most 999 bytes; carriage returns and line feeds become NUL.
    // Returns false at end of file (or when no file is open) and leaves text as it was.
    // lineEnded, when given, tells whether the piece read reached the end of its line
    // (a line feed or the end of the file): a longer line arrives in several pieces,
    // and a reader of numbers must not split a number at a piece boundary.
    bool readLine(IPString& text, bool* lineEnded = nullptr);
};
