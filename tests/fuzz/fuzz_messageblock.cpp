// The single-instance message block: the walk over whatever another process left in it,
// then appending texts cut from the input until the block is full.

#include "fuzzsupport.h"

#include <messageblock.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzSupport::quiet();
    // The block as the other process left it, at its real size, padded with what a fresh
    // block holds.
    std::vector<char> block(MessageBlock::kBlockSize, 0);
    std::memcpy(block.data(), data, std::min<std::size_t>(size, block.size()));
    // An exact-size copy for the short-size walk: any read past size is a report.
    const int shortSize = size > 0 ? int(data[0]) % 64 : 0;
    std::vector<char> small(block.begin(), block.begin() + shortSize);
    MessageBlock::takeAll(small.data(), shortSize);

    MessageBlock::takeAll(block.data(), int(block.size()));
    if (block[0] != 0)
        std::abort(); // taking everything empties the block

    // Texts from the input, each appended and read back in order.
    QStringList sent;
    std::size_t at = 0;
    while (at < size) {
        const std::size_t length = std::min<std::size_t>(std::size_t(data[at]) + 1, size - at);
        const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + at), int(length));
        at += length;
        if (MessageBlock::append(block.data(), int(block.size()), text))
            sent << text;
    }
    const QStringList received = MessageBlock::takeAll(block.data(), int(block.size()));
    if (received.size() != sent.size())
        std::abort(); // every record written is read back
    return 0;
}
