#pragma once

#include <QImage>
#include <QString>
#include <QVector>

class QPainter;

// The application's own pictures, drawn with vector paths on a canvas of 32 units,
// so that one unit is one pixel at the tool buttons' 32 x 32. The size in pixels is
// passed along for the pictures that leave out detail when they are small.
struct IconDesign {
    QString name; // the file name without its suffix, as the resources name it
    void (*paint)(QPainter& painter, int size);
};

constexpr int kIconCanvas = 32;

const QVector<IconDesign>& iconDesigns();
// nullptr when no design has that name.
const IconDesign* findIconDesign(const QString& name);
// The design on a transparent square of size x size pixels, antialiased.
QImage renderIcon(const IconDesign& design, int size);
