#pragma once

#include <QString>

// Opens a file for writing from its start, created when missing, emptied when not;
// returns the descriptor or -1. An empty file (the temporary file just created
// beside a target) is not truncated: on ext4 truncating marks the file for a
// forced flush at close, which stalled every 100 MB write by tens of milliseconds.
int openForWriting(const QString& path);
