// Film-term files: the reader, the conversion of its list into a table, and the table
// applied to a few samples. A whole table takes 196608 numbers, far more than a fuzzer's
// input should hold, so the conversion is also given the numbers the reader did parse,
// repeated to a whole table: every hostile value the reader lets through reaches it.

#include "fuzzsupport.h"

#include <cip_filmtermreader.h>
#include <cip_filmterms.h>

#include <QFile>

#include <cstdlib>

namespace
{

void convert(const CIP_FilmTermReader& reader)
{
    CIP_FilmTermTable table;
    if (!table.loadFrom(reader)) {
        if (table.isLoaded())
            std::abort(); // a refused list leaves no table
        return;
    }
    std::uint16_t samples[12] = { 0, 1, 2, 255, 256, 4095, 32767, 32768, 40000, 65534, 65535, 7 };
    table.apply16(samples, samples, 4);
    std::uint8_t bytes[6] = { 0, 1, 127, 128, 254, 255 };
    table.apply8(bytes, bytes, 2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzSupport::quiet();
    const QString path = FuzzSupport::writeScratch(QStringLiteral("input.ft"), data, size);
    const QByteArray local = QFile::encodeName(path);
    CIP_FilmTermReader reader;
    const bool read = reader.ReadFile(local.constData());
    if (reader.FilmLutCount < 0 || reader.FilmLutCount > CIP_FilmTermReader::kLutValues)
        std::abort(); // the count never leaves the list's storage
    if (read)
        convert(reader);

    const int parsed = reader.FilmLutCount;
    if (parsed > 0 && parsed < CIP_FilmTermReader::kLutValues) {
        for (int i = parsed; i < CIP_FilmTermReader::kLutValues; ++i)
            reader.FilmLut[i] = reader.FilmLut[i % parsed];
        reader.FilmLutCount = CIP_FilmTermReader::kLutValues;
        convert(reader);
    }
    return 0;
}
