// Parameter INI files: the reader and its typed readers on keys named by the input, then
// the input as each of the model's parameter files, read by every algorithm that reads
// one and used on a small 8-bit or 16-bit picture for a film code.

#include "fuzzsupport.h"

#include <cip_imageprocess.h>
#include <cip_rawimg.h>
#include <ipinireader.h>

#include <QDir>
#include <QFile>

#include <vector>

namespace
{

// A holder border around a textured picture, at the given depth.
struct Picture {
    std::vector<std::uint8_t> bytes;
    CIP_RawImg view;

    explicit Picture(int bits)
        : bytes(std::size_t(32) * 24 * 3 * (bits > 8 ? 2 : 1))
    {
        view.width = 32;
        view.height = 24;
        view.bits = bits;
        view.channels = 3;
        view.pixels = bytes.data();
        const int scale = bits > 8 ? 257 : 1;
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 32; ++x) {
                const bool inside = x >= 4 && x < 28 && y >= 3 && y < 21;
                for (int c = 0; c < 3; ++c)
                    view.setSample(
                        x, y, c, inside ? (60 + (x * 5 + y * 3 + c * 20) % 150) * scale : 3 * scale);
            }
        }
    }
    ~Picture() { view.pixels = nullptr; }
};

const char* const kFiles[] = { "data/TQ3300/AUTOCROP_V2.INI", "data/TQ2200/RGB_Balance_V2-CCD.INI",
    "data/TQ2200/AUTOCOLOR-CCD.INI" };

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzSupport::quiet();
    static const bool inScratch = QDir::setCurrent(FuzzSupport::scratch().path());
    if (!inScratch)
        return 0;
    QString path;
    for (const char* name : kFiles)
        path = FuzzSupport::writeScratch(QString::fromLatin1(name), data, size);

    // Section and key from the input's first line, split at its first '=' (a key may well
    // be any text of the file).
    const QByteArray text(reinterpret_cast<const char*>(data), int(size));
    const QByteArray first = text.left(text.indexOf('\n'));
    const QByteArray section = first.startsWith('[') ? first.mid(1) : QByteArray("AUTOCROP_POS");
    const QByteArray local = QFile::encodeName(path);
    int keys = 0;
    for (const QByteArray& line : text.split('\n')) {
        const int equals = line.indexOf('=');
        if (equals < 0)
            continue;
        if (++keys > 16)
            break; // each look-up reads the file anew: a few keys say as much as all
        const QByteArray key = line.left(equals);
        char out[64];
        IPReadIniString(
            section.constData(), key.constData(), "default", out, int(sizeof out), local.constData());
        IPReadIniFloat(section.constData(), key.constData(), 1.5f, local.constData());
        IPReadIniInt(section.constData(), key.constData(), -3, local.constData());
    }

    // One depth and film code per input (all of them would make each run six times
    // slower); the input's size picks them, so every combination is reached.
    constexpr int kFilmCodes[] = { 1, 2, 4 };
    const int bits = size % 2 == 0 ? 8 : 16;
    const int filmCode = kFilmCodes[(size / 2) % 3];
    CIP_ImageProcess process;
    Picture picture(bits);
    process.autoCrop(picture.view, 0, filmCode, 0);
    process.autoColor(picture.view, filmCode);
    Picture again(bits);
    process.rgbBalance(again.view, filmCode, false);
    return 0;
}
