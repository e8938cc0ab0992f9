#pragma once

#include <QByteArray>
#include <QImage>
#include <QVector>

// Packs square or oblong pictures of up to 256 pixels a side into one icon file,
// each stored as a 32-bit bitmap with its transparency mask. Qt's own icon writer
// stores a single picture per file, and a window icon wants several sizes.
// Returns an empty array when there is nothing to store or a picture is null or too large.
QByteArray icoFile(const QVector<QImage>& pictures);
