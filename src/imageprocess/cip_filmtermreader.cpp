#include "cip_filmtermreader.h"

#include "cip_rawimg.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

const char kErrorBanner[] = "==========CIP_FilmTermReader::ReadFile(LPCTSTR lpszFileName)==========\n";

inline bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

inline bool isSeparator(char c)
{
    return c == ' ' || c == ',' || c == '\t' || c == '\n';
}

const char* skipBlanks(const char* p)
{
    while (isBlank(*p))
        ++p;
    return p;
}

// atof of the piece at p (pieces end at a separator, ';' or the end of the text, none of
// which can continue a number, so atof stops where the piece does). Plain integers, the
// bulk of a lookup table, skip the library call with the same result.
float pieceToFloat(const char* p)
{
    std::uint32_t n = 0;
    int digits = 0;
    const char* q = p;
    while (*q >= '0' && *q <= '9' && digits < 9) {
        n = n * 10 + std::uint32_t(*q - '0');
        ++q;
        ++digits;
    }
    if (digits > 0 && (*q == '\0' || *q == ';' || isSeparator(*q)))
        return float(n);
    return float(std::atof(p));
}

// Calls store(piece) for each non-empty piece of [p, end).
template <typename Store> void forEachPiece(const char* p, const char* end, Store store)
{
    while (p < end) {
        while (p < end && isSeparator(*p))
            ++p;
        if (p >= end)
            break;
        store(p);
        while (p < end && !isSeparator(*p))
            ++p;
    }
}

// Reads the ';'-ended list of numbers at value through convert. Pieces beyond the storage
// are ignored rather than written past it. False when the ';' is missing.
template <typename T, typename Convert>
bool readList(const char* value, T* out, int capacity, Convert convert)
{
    const char* p = skipBlanks(value);
    const char* end = std::strchr(p, ';');
    if (end == nullptr)
        return false;
    int next = 0;
    forEachPiece(p, end, [&](const char* piece) {
        if (next < capacity)
            out[next++] = convert(piece);
    });
    return true;
}

bool readFloats(const char* value, float* out, int capacity)
{
    return readList(value, out, capacity, [](const char* piece) { return float(std::atof(piece)); });
}

bool readInts(const char* value, std::int32_t* out, int capacity)
{
    return readList(value, out, capacity, [](const char* piece) { return std::atoi(piece); });
}

struct KeyColumn {
    const char* key;
    std::size_t length;
    std::size_t column;
};

} // namespace

CIP_FilmTermReader::CIP_FilmTermReader()
    : FilmLut(new float[kLutValues]())
{
}

CIP_FilmTermReader::~CIP_FilmTermReader()
{
    delete[] FilmLut;
    std::free(m_line);
}

bool CIP_FilmTermReader::appendToLine(const char* text, std::size_t n)
{
    if (m_lineSize + n + 1 > m_lineCapacity) {
        std::size_t capacity = m_lineCapacity == 0 ? 1024 : m_lineCapacity;
        while (capacity < m_lineSize + n + 1)
            capacity *= 2;
        char* grown = static_cast<char*>(std::realloc(m_line, capacity));
        if (grown == nullptr)
            return false;
        m_line = grown;
        m_lineCapacity = capacity;
    }
    std::memcpy(m_line + m_lineSize, text, n);
    m_lineSize += n;
    m_line[m_lineSize] = '\0';
    return true;
}

bool CIP_FilmTermReader::readWholeLine()
{
    IPString piece;
    bool ended = true;
    if (!m_file.readLine(piece, &ended))
        return false;
    m_lineSize = 0;
    if (!appendToLine(piece.text(), piece.length()))
        return false;
    while (!ended && m_file.readLine(piece, &ended)) {
        if (!appendToLine(piece.text(), piece.length()))
            return false;
    }
    return true;
}

bool CIP_FilmTermReader::ReadFile(const char* path)
{
    if (!m_file.open(path, 0))
        return false;
    m_lineSize = 0;
    if (!appendToLine("", 0)) {
        m_file.close();
        return false;
    }
    m_lineIsContinuation = false;
    readWholeLine();

    bool atEnd = false;
    for (;;) {
        if (!ParseLine(m_line)) {
            std::fputs(kErrorBanner, stdout);
            std::printf("The ft file format is error.\n%s\n", m_line);
            std::fputs(kErrorBanner, stdout);
            std::fflush(stdout);
            m_file.close();
            return false;
        }
        if (atEnd || std::feof(m_file.handle())) {
            m_file.close();
            return true;
        }
        const bool lastWasContinuation = m_lineIsContinuation;
        m_lineIsContinuation = false;
        if (!readWholeLine()) {
            // The failed read leaves the last line in place and it is parsed once more,
            // which every key survives. A line that ended a multi-line value is no entry
            // of its own, so it is not parsed again.
            atEnd = true;
            if (lastWasContinuation) {
                m_file.close();
                return true;
            }
        }
    }
}

bool CIP_FilmTermReader::ParseLine(const char* line)
{
    if (line == nullptr || line[0] == '\0')
        return true;

    // Checked in this order; the value starts at the key's length, except that two
    // characters follow "DMinValue" before its numbers.
    static const KeyColumn kKeys[] = {
        { "#", 1, 1 },
        { "ModelName", 9, 9 },
        { "FilmDefalut", 11, 11 },
        { "DMinValue", 9, 11 },
        { "FilmClass", 9, 9 },
        { "FilmMfgr", 8, 8 },
        { "FilmName", 8, 8 },
        { "CreationDate", 12, 12 },
        { "FilmBalance", 11, 11 },
        { "FilmExposure", 12, 12 },
        { "FilmGain", 8, 8 },
        { "FilmLevel", 9, 9 },
        { "FilmLut", 7, 7 },
        { "FilmMatR", 8, 8 },
        { "FilmMatG", 8, 8 },
        { "FilmMatB", 8, 8 },
    };
    int found = -1;
    for (int i = 0; i < int(sizeof kKeys / sizeof kKeys[0]); ++i) {
        if (std::strncmp(line, kKeys[i].key, kKeys[i].length) == 0) {
            found = i;
            break;
        }
    }
    if (found < 0)
        return false;

    const std::size_t length = std::strlen(line);
    const std::size_t column = kKeys[found].column;
    // A value column beyond the text reads an empty value, never past the line's end.
    const char* value = length >= column ? line + column : line + length;
    const bool longEnough = length > column;

    switch (found) {
    case 0:
        return readText(value, nullptr);
    case 1:
        return readText(value, &ModelName);
    case 2:
        FilmDefalut = std::atoi(skipBlanks(value));
        return true;
    case 3:
        if (!longEnough || !readFloats(value, DMinValue, 3))
            return false;
        CIP_RawImg::RGBtoHSVRedDistance(
            DMinValue[0], DMinValue[1], DMinValue[2], DMinHSV[0], DMinHSV[1], DMinHSV[2]);
        return true;
    case 4: {
        IPString word;
        if (!readText(value, &word))
            return false;
        static const char* const kClasses[] = { "NEG", "REV", "B&&W", "KFT", "PHO" };
        for (int c = 0; c < 5; ++c) {
            if (word.compare(kClasses[c]) == 0) {
                FilmClass = c + 1;
                return true;
            }
        }
        return false;
    }
    case 5:
        return readText(value, &FilmMfgr);
    case 6:
        return readText(value, &FilmName);
    case 7:
        return readDate(value);
    case 8:
        return longEnough && readInts(value, FilmBalance, 3);
    case 9:
        FilmExposure = std::atoi(skipBlanks(value));
        return true;
    case 10:
        FilmGain = std::atoi(skipBlanks(value));
        return true;
    case 11:
        return longEnough && ParseFilmLevel(value);
    case 12:
        return readLut(value);
    case 13:
        return longEnough && readFloats(value, FilmMatR, kMatValues);
    case 14:
        return longEnough && readFloats(value, FilmMatG, kMatValues);
    case 15:
        return longEnough && readFloats(value, FilmMatB, kMatValues);
    default:
        return false;
    }
}

bool CIP_FilmTermReader::ParseFilmLevel(const char* value)
{
    return readInts(value, FilmLevel, 3);
}

bool CIP_FilmTermReader::readText(const char* value, IPString* out)
{
    const char* p = skipBlanks(value);
    for (;;) {
        const char* end = std::strchr(p, ';');
        if (end != nullptr) {
            if (out != nullptr)
                *out = IPString(p, std::size_t(end - p));
            return true;
        }
        // Continued on the next line, from its column 0; only the text of the line that
        // holds the ';' is kept.
        if (!m_file.isOpen() || !readWholeLine())
            return false;
        m_lineIsContinuation = true;
        p = m_line;
    }
}

bool CIP_FilmTermReader::readDate(const char* value)
{
    const char* p = skipBlanks(value);
    const std::size_t n = std::strcspn(p, ";");
    // Groups of two, two and four characters; a short date gives shorter groups (an
    // empty group reads 0) and nothing past the text is read.
    auto group = [&](std::size_t from, std::size_t count) {
        char buffer[8] = { 0 };
        for (std::size_t i = 0; i < count && from + i < n; ++i)
            buffer[i] = p[from + i];
        return std::atoi(buffer);
    };
    CreationDate[0] = group(0, 2);
    CreationDate[1] = group(2, 2);
    CreationDate[2] = group(4, 4);
    return true;
}

bool CIP_FilmTermReader::readLut(const char* value)
{
    FilmLutCount = 0;
    const char* p = skipBlanks(value);
    bool overflow = false;
    for (;;) {
        const char* semicolon = std::strchr(p, ';');
        const char* end = semicolon != nullptr ? semicolon : p + std::strlen(p);
        forEachPiece(p, end, [&](const char* piece) {
            if (FilmLutCount < kLutValues)
                FilmLut[FilmLutCount++] = pieceToFloat(piece);
            else
                overflow = true;
        });
        // More values than the table holds: the file is not what it claims to be.
        if (overflow)
            return false;
        if (semicolon != nullptr)
            return true;
        if (!m_file.isOpen() || !readWholeLine())
            return false;
        m_lineIsContinuation = true;
        p = m_line;
    }
}
