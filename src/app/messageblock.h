#pragma once

#include <QByteArray>
#include <QStringList>

// The message records of the single-instance block: each record is one length byte
// L (1-255) and L bytes of UTF-8 text; a zero length byte ends the sequence.
//
// Both operations stay inside the size they are given, whatever the block holds:
// a damaged length byte or a missing terminator stops the walk, and a record that
// does not fit is not written. The caller holds the block's lock.
namespace MessageBlock
{

constexpr int kBlockSize = 5000;
constexpr int kMaxTextBytes = 255;

// The record for text: its UTF-8 bytes cut at a character boundary to at most 255,
// behind their length byte. Empty for empty text.
QByteArray record(const QString& text);

// Appends the record of text before the terminator and writes a new terminator
// behind it; false (block unchanged) when the text is empty, the block has no
// terminator or the record and its terminator do not fit.
bool append(char* block, int size, const QString& text);

// Reads every whole record from the start and empties the block (byte 0 = 0).
QStringList takeAll(char* block, int size);

} // namespace MessageBlock
