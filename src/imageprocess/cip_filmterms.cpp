#include "cip_filmterms.h"

#include "cip_filmtermreader.h"
#include "iplog.h"
#include "stimage.h"

#include <cmath>
#include <cstring>
#include <mutex>
#include <thread>

namespace
{

const char* const kFiles[CIP_FilmTerms::kTableCount] = {
    "/data/TQ9000/Default Positive.ft",
    "/data/TQ9000/Default Positive 2.ft",
    "/data/TQ3300/Default Positive.ft",
    "/data/TQ3300/Default Positive 2.ft",
    "/data/TQ3300/Generic Negative.ft",
    "/data/TQ3300/Default Negative.ft",
    "/data/TQB/Default Positive.ft",
    "/data/TQB/Default Positive 2.ft",
    "/data/TQB/Generic Negative.ft",
    "/data/TQB/Default Negative.ft",
};

struct Registry {
    std::mutex mutex;
    bool loaded = false;
    CIP_FilmTermTable tables[CIP_FilmTerms::kTableCount];
    std::vector<std::string> failed;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

bool loadOne(CIP_FilmTermTable& table, const std::string& path)
{
    CIP_FilmTermReader reader;
    return reader.ReadFile(path.c_str()) && table.loadFrom(reader);
}

// Splits the pixels in two halves for the second core; the mapping is per sample, so
// the result does not depend on the split.
template <typename T, typename Map> void forHalves(const T* src, T* dst, std::size_t pixelCount, Map map)
{
    constexpr std::size_t kThreadedMinPixels = std::size_t(1) << 20;
    if (pixelCount >= kThreadedMinPixels && std::thread::hardware_concurrency() >= 2) {
        const std::size_t half = pixelCount / 2;
        try {
            std::thread worker(map, src + half * 3, dst + half * 3, pixelCount - half);
            map(src, dst, half);
            worker.join();
            return;
        } catch (const std::system_error&) {
            // No second thread: one pass below.
        }
    }
    map(src, dst, pixelCount);
}

} // namespace

CIP_FilmTermTable::CIP_FilmTermTable()
    : m_lut(new std::uint16_t[3][kEntries]())
{
}

CIP_FilmTermTable::~CIP_FilmTermTable()
{
    delete[] m_lut;
}

void CIP_FilmTermTable::clear()
{
    std::memset(m_lut, 0, sizeof(std::uint16_t) * 3 * kEntries);
    m_loaded = false;
}

bool CIP_FilmTermTable::loadFrom(const CIP_FilmTermReader& reader)
{
    clear();
    if (reader.FilmLutCount != CIP_FilmTermReader::kLutValues || reader.FilmLut == nullptr)
        return false;
    for (int i = 0; i < kEntries; ++i) {
        for (int c = 0; c < 3; ++c) {
            const double v = reader.FilmLut[3 * i + c];
            // Truncation toward zero, then the low 16 bits; a value the conversion cannot
            // represent means a damaged file.
            if (!std::isfinite(v) || std::fabs(v) >= 9.0e18) {
                clear();
                return false;
            }
            m_lut[c][i] = static_cast<std::uint16_t>(
                static_cast<std::uint64_t>(static_cast<std::int64_t>(v)) & 0xffffu);
        }
    }
    m_loaded = true;
    return true;
}

void CIP_FilmTermTable::setTables(
    const std::uint16_t* red, const std::uint16_t* green, const std::uint16_t* blue)
{
    std::memcpy(m_lut[0], red, sizeof(std::uint16_t) * kEntries);
    std::memcpy(m_lut[1], green, sizeof(std::uint16_t) * kEntries);
    std::memcpy(m_lut[2], blue, sizeof(std::uint16_t) * kEntries);
    m_loaded = true;
}

bool CIP_FilmTermTable::apply16(const std::uint16_t* src, std::uint16_t* dst, std::size_t pixelCount) const
{
    if (!m_loaded)
        return false;
    const std::uint16_t* r = m_lut[0];
    const std::uint16_t* g = m_lut[1];
    const std::uint16_t* b = m_lut[2];
    forHalves(src, dst, pixelCount, [r, g, b](const std::uint16_t* s, std::uint16_t* d, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i, s += 3, d += 3) {
            const std::uint16_t v0 = r[s[0]];
            const std::uint16_t v1 = g[s[1]];
            const std::uint16_t v2 = b[s[2]];
            d[0] = v0;
            d[1] = v1;
            d[2] = v2;
        }
    });
    return true;
}

bool CIP_FilmTermTable::apply8(const std::uint8_t* src, std::uint8_t* dst, std::size_t pixelCount) const
{
    if (!m_loaded)
        return false;
    // An 8-bit image uses the first 256 entries; the low byte is kept.
    std::uint8_t small[3][256];
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 256; ++i)
            small[c][i] = static_cast<std::uint8_t>(m_lut[c][i] & 0xff);
    }
    for (std::size_t i = 0; i < pixelCount; ++i, src += 3, dst += 3) {
        const std::uint8_t v0 = small[0][src[0]];
        const std::uint8_t v1 = small[1][src[1]];
        const std::uint8_t v2 = small[2][src[2]];
        dst[0] = v0;
        dst[1] = v1;
        dst[2] = v2;
    }
    return true;
}

bool CIP_FilmTermTable::applyTo(STImage& image) const
{
    if (!m_loaded || image.isNull() || image.channels() != 3)
        return false;
    const std::size_t pixelCount = std::size_t(image.width()) * std::size_t(image.height());
    // Mapping cannot fail half way, so the samples are replaced where they are: the image
    // is the same as a mapped copy, without a second 100 MB buffer for a large scan.
    if (image.bitsPerSample() == 16) {
        // STImage holds 16-bit little-endian words in a new[] block, aligned for them.
        std::uint16_t* words = reinterpret_cast<std::uint16_t*>(image.data());
        return apply16(words, words, pixelCount);
    }
    if (image.bitsPerSample() == 8)
        return apply8(image.data(), image.data(), pixelCount);
    return false;
}

const char* CIP_FilmTerms::fileName(int table)
{
    return table >= 0 && table < kTableCount ? kFiles[table] : "";
}

int CIP_FilmTerms::loadTables(
    const char* applicationDir, CIP_FilmTermTable* tables, std::vector<std::string>* failed)
{
    const std::string base = applicationDir != nullptr ? applicationDir : ".";
    bool ok[kTableCount] = {};
    // Two files at a time: this runs at every start before the main window shows.
    auto loadRange = [&](int first, int step) {
        for (int t = first; t < kTableCount; t += step)
            ok[t] = loadOne(tables[t], base + kFiles[t]);
    };
    bool threaded = false;
    if (std::thread::hardware_concurrency() >= 2) {
        try {
            std::thread worker(loadRange, 1, 2);
            loadRange(0, 2);
            worker.join();
            threaded = true;
        } catch (const std::system_error&) {
        }
    }
    if (!threaded)
        loadRange(0, 1);
    int loaded = 0;
    for (int t = 0; t < kTableCount; ++t) {
        if (ok[t])
            ++loaded;
        else {
            qCDebug(lcImageProcess) << "film-term file" << (base + kFiles[t]).c_str() << "did not load";
            if (failed != nullptr)
                failed->emplace_back(kFiles[t]);
        }
    }
    return loaded;
}

bool CIP_FilmTerms::loadAll(const char* applicationDir)
{
    Registry& reg = registry();
    std::lock_guard<std::mutex> lock(reg.mutex);
    if (reg.loaded)
        return reg.failed.empty();
    reg.failed.clear();
    loadTables(applicationDir, reg.tables, &reg.failed);
    reg.loaded = true;
    return reg.failed.empty();
}

CIP_FilmTermTable* CIP_FilmTerms::table(int index)
{
    if (index < 0 || index >= kTableCount)
        return nullptr;
    return &registry().tables[index];
}

std::vector<std::string> CIP_FilmTerms::failedFiles()
{
    Registry& reg = registry();
    std::lock_guard<std::mutex> lock(reg.mutex);
    return reg.failed;
}

bool CIP_FilmTerms::loaded()
{
    Registry& reg = registry();
    std::lock_guard<std::mutex> lock(reg.mutex);
    return reg.loaded;
}
