#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CIP_FilmTermReader;
class STImage;

// One film-term table: per channel 65536 output samples indexed by the raw sample.
// A table whose file failed to load stays empty and refuses to be applied, so a missing
// or damaged file never turns a scan black.
class CIP_FilmTermTable
{
public:
    static constexpr int kEntries = 65536;

    CIP_FilmTermTable();
    virtual ~CIP_FilmTermTable();

    bool isLoaded() const { return m_loaded; }
    const std::uint16_t* red() const { return m_lut[0]; }
    const std::uint16_t* green() const { return m_lut[1]; }
    const std::uint16_t* blue() const { return m_lut[2]; }

    // Takes the FilmLut of a successful read: entry i of red, green, blue is value 3i,
    // 3i + 1, 3i + 2 truncated toward zero, low 16 bits. Refuses (table left empty) a
    // list that is not exactly 65536 triples or holds a value that is not a finite
    // number within the range of a 64-bit integer.
    bool loadFrom(const CIP_FilmTermReader& reader);
    // Sets the table directly (tests, tools); size must be 3 x 65536.
    void setTables(const std::uint16_t* red, const std::uint16_t* green, const std::uint16_t* blue);
    void clear();

    // Maps interleaved RGB pixels from src to dst (may be the same buffer). 8-bit samples
    // index entries 0-255 and keep the low byte. False, nothing written, when not loaded.
    bool apply16(const std::uint16_t* src, std::uint16_t* dst, std::size_t pixelCount) const;
    bool apply8(const std::uint8_t* src, std::uint8_t* dst, std::size_t pixelCount) const;
    // Maps every sample of the scan image; false and image unchanged when the table is
    // not loaded or the image is not three-channel 8 or 16 bits.
    bool applyTo(STImage& image) const;

private:
    std::uint16_t (*m_lut)[kEntries];
    bool m_loaded = false;
};

// The ten process-wide film-term tables. loadAll() runs once, at start-up on the main
// thread, before the scanner worker starts; afterwards the tables are only read, from
// either thread.
class CIP_FilmTerms
{
public:
    static constexpr int kTableCount = 10;

    // File of a table, relative to the application folder ("/data/TQ9000/...").
    static const char* fileName(int table);
    // Reads every file below applicationDir; only the first call loads. Returns true when
    // all ten loaded.
    static bool loadAll(const char* applicationDir);
    // Loads the ten files into tables (an array of kTableCount) without touching the
    // process-wide ones; appends the names that failed. Returns the number loaded.
    static int loadTables(
        const char* applicationDir, CIP_FilmTermTable* tables, std::vector<std::string>* failed);
    // Table 0-9, nullptr for another index. Never null for 0-9, possibly not loaded.
    static CIP_FilmTermTable* table(int index);
    // File names (as fileName() gives them) of the tables that failed to load, for the
    // start-up to tell the user; empty before loadAll() and when all loaded.
    static std::vector<std::string> failedFiles();
    static bool loaded();
};
