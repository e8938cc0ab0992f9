// The 16-bit RGB TIFF input of korvane-process.

#include "fuzzsupport.h"

#include <stimage.h>
#include <tiffinput.h>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzSupport::quiet();
    const QString path = FuzzSupport::writeScratch(QStringLiteral("input.tif"), data, size);
    STImage image;
    QString error;
    if (!TiffInput::read16BitRgb(path, image, error)) {
        if (error.isEmpty())
            std::abort(); // a refusal always says why
        return 0;
    }
    if (image.isNull() || image.bitsPerSample() != 16 || image.channels() != 3 || image.resolution() < 1)
        std::abort();
    return 0;
}
