#include "messageblock.h"

#include <cstring>

namespace MessageBlock
{

QByteArray record(const QString& text)
{
    QByteArray utf8 = text.toUtf8();
    if (utf8.size() > kMaxTextBytes) {
        // Continuation bytes are 10xxxxxx; cutting before one would split a character.
        int cut = kMaxTextBytes;
        while (cut > 0 && (static_cast<unsigned char>(utf8.at(cut)) & 0xC0) == 0x80)
            --cut;
        utf8.truncate(cut);
    }
    if (utf8.isEmpty())
        return QByteArray();
    return char(utf8.size()) + utf8;
}

bool append(char* block, int size, const QString& text)
{
    const QByteArray bytes = record(text);
    if (bytes.isEmpty() || block == nullptr)
        return false;
    int position = 0;
    while (position < size && block[position] != 0)
        position += 1 + static_cast<unsigned char>(block[position]);
    if (position >= size)
        return false; // no terminator inside the block: do not guess where to write
    if (position + bytes.size() + 1 > size)
        return false;
    std::memcpy(block + position, bytes.constData(), size_t(bytes.size()));
    block[position + bytes.size()] = 0;
    return true;
}

QStringList takeAll(char* block, int size)
{
    QStringList messages;
    if (block == nullptr || size <= 0)
        return messages;
    int position = 0;
    while (position < size && block[position] != 0) {
        const int length = static_cast<unsigned char>(block[position]);
        if (position + 1 + length > size)
            break; // a length that runs past the block is damage, not a message
        messages.append(QString::fromUtf8(block + position + 1, length));
        position += 1 + length;
    }
    block[0] = 0;
    return messages;
}

} // namespace MessageBlock
