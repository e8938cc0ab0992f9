#pragma once

#include "ipstdiofile.h"
#include "ipstring.h"

#include <cstddef>
#include <cstdint>

// Reader of one film-term file (".ft"): how the raw signal of one kind of film becomes
// a positive. Only FilmLut is used by the system; the other keys are parsed, checked and
// kept here. C library only. One reader per file and thread.
//
// Format: every entry starts at column 0 with its key, immediately followed by its value,
// and ends with ';'. Comments ("#"), texts, "FilmClass" and "FilmLut" may span lines;
// an empty line is ignored, any other line is a format error.
class CIP_FilmTermReader
{
public:
    static constexpr int kLutEntries = 65536;
    static constexpr int kLutValues = 3 * kLutEntries; // red, green, blue per raw value
    static constexpr int kMatValues = 4;

    enum FilmClassCode { NEG = 1, REV = 2, BW = 3, KFT = 4, PHO = 5 };

    CIP_FilmTermReader();
    CIP_FilmTermReader(const CIP_FilmTermReader&) = delete;
    CIP_FilmTermReader& operator=(const CIP_FilmTermReader&) = delete;

    // Parses one line; continuation lines of a multi-line value come from the file being
    // read. False on a format error.
    virtual bool ParseLine(const char* line);
    // At most three integers, split at blanks, ',' or tabs, ending with ';'.
    virtual bool ParseFilmLevel(const char* value);
    virtual ~CIP_FilmTermReader();

    // True when the whole file parsed; false when it cannot be opened (silently) or a line
    // is malformed (reported with three lines on standard output).
    bool ReadFile(const char* path);

    // --- Fields, in file order ---------------------------------------------------------------
    IPString ModelName;
    std::int32_t FilmDefalut = 250;
    float DMinValue[3] = { 0, 0, 0 };
    std::int32_t FilmClass = NEG;
    IPString FilmMfgr;
    IPString FilmName;
    std::int32_t CreationDate[3] = { 1, 1, 2000 }; // first group, second group, year
    float DMinHSV[3] = { 0, 0, 0 }; // hue as distance from red (0-1), saturation, value
    std::int32_t FilmExposure = 0;
    std::int32_t FilmGain = 0;
    std::int32_t FilmLutCount = 0; // values read into FilmLut
    float* FilmLut = nullptr; // kLutValues floats
    float FilmMatR[kMatValues] = { 0, 0, 0, 0 };
    float FilmMatG[kMatValues] = { 0, 0, 0, 0 };
    float FilmMatB[kMatValues] = { 0, 0, 0, 0 };
    std::int32_t FilmBalance[3] = { 100, 100, 100 };
    std::int32_t FilmLevel[3] = { -1, -1, -1 };

private:
    bool readText(const char* value, IPString* out);
    bool readLut(const char* value);
    bool readDate(const char* value);
    // Reads the next whole line into m_line, joining the pieces of a line longer than the
    // line reader's 999 bytes, so that no number or text is cut in two.
    bool readWholeLine();
    bool appendToLine(const char* text, std::size_t n);

    IPStdioFile m_file;
    char* m_line = nullptr;
    std::size_t m_lineSize = 0;
    std::size_t m_lineCapacity = 0;
    bool m_lineIsContinuation = false;
};
