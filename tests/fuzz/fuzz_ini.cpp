// Parameter INI files: the reader and its typed readers on keys named by the input, then
// the input as each of the model's parameter files, read by every algorithm that reads
// one and used on a small 8-bit and 16-bit picture for every film code.

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
        : bytes(std::size_t(48) * 32 * 3 * (bits > 8 ? 2 : 1))
    {
        view.width = 48;
        view.height = 32;
        view.bits = bits;
        view.channels = 3;
        view.pixels = bytes.data();
        const int scale = bits > 8 ? 257 : 1;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 48; ++x) {
                const bool inside = x >= 6 && x < 42 && y >= 4 && y < 28;
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
    for (const QByteArray& line : text.split('\n')) {
        const int equals = line.indexOf('=');
        if (equals < 0)
            continue;
        const QByteArray key = line.left(equals);
        char out[64];
        IPReadIniString(
            section.constData(), key.constData(), "default", out, int(sizeof out), local.constData());
        IPReadIniFloat(section.constData(), key.constData(), 1.5f, local.constData());
        IPReadIniInt(section.constData(), key.constData(), -3, local.constData());
    }

    for (int bits : { 8, 16 }) {
        for (int filmCode : { 1, 2, 4 }) {
            CIP_ImageProcess process;
            Picture picture(bits);
            process.autoCrop(picture.view, 0, filmCode, 0);
            process.autoColor(picture.view, filmCode);
            Picture again(bits);
            process.rgbBalance(again.view, filmCode, false);
        }
    }
    return 0;
}
