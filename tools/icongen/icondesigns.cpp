#include "icondesigns.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace
{

// One ink for outlines and solid parts, one accent for what the button does, and paper
// to lift a shape off the grey preview background.
const QColor kInk(0x2b, 0x33, 0x3b);
const QColor kAccent(0x0a, 0x6c, 0xd0);
const QColor kPaper(0xff, 0xff, 0xff, 0xe6);
// Outlines 2 units wide, centred on whole units, cover whole pixels at 32 and 64.
constexpr qreal kStroke = 2.0;

QPen stroke(const QColor& color)
{
    return QPen(color, kStroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QPen dashed(const QColor& color)
{
    QPen pen(color, kStroke, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setDashPattern({ 1.5, 1.0 });
    return pen;
}

// Mirrors everything painted afterwards about the canvas's vertical centre line.
void mirrorLeftRight(QPainter& painter)
{
    painter.translate(kIconCanvas, 0);
    painter.scale(-1, 1);
}

void turnQuarterClockwise(QPainter& painter)
{
    painter.translate(kIconCanvas / 2.0, kIconCanvas / 2.0);
    painter.rotate(90);
    painter.translate(-kIconCanvas / 2.0, -kIconCanvas / 2.0);
}

// Lens at the upper left, handle to the lower right; the sign is drawn by the caller.
void paintMagnifier(QPainter& painter)
{
    const QPointF centre(13, 13);
    painter.setPen(stroke(kInk));
    painter.setBrush(kPaper);
    painter.drawEllipse(centre, 8, 8);
    painter.setPen(QPen(kInk, 2 * kStroke, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(20, 20), QPointF(26.5, 26.5));
}

void paintZoomIn(QPainter& painter, int)
{
    paintMagnifier(painter);
    painter.setPen(QPen(kAccent, kStroke, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(9, 13), QPointF(17, 13));
    painter.drawLine(QPointF(13, 9), QPointF(13, 17));
}

void paintZoomOut(QPainter& painter, int)
{
    paintMagnifier(painter);
    painter.setPen(QPen(kAccent, kStroke, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(9, 13), QPointF(17, 13));
}

// An arc about centre from startDegrees over spanDegrees (counter-clockwise when
// positive, as QPainterPath counts), ending in a filled head that points along the arc.
void paintArcArrow(
    QPainter& painter, const QPointF& centre, qreal radius, qreal startDegrees, qreal spanDegrees)
{
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    const qreal headLength = 5.5;
    const qreal headHalfWidth = 4.0;
    // The shaft stops where the head's base sits, so the round cap does not poke out.
    const qreal headDegrees = qRadiansToDegrees(headLength * 0.5 / radius);
    const qreal shaftSpan = spanDegrees > 0 ? spanDegrees - headDegrees : spanDegrees + headDegrees;
    QPainterPath shaft;
    shaft.arcMoveTo(box, startDegrees);
    shaft.arcTo(box, startDegrees, shaftSpan);
    painter.setPen(stroke(kAccent));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shaft);

    const qreal end = qDegreesToRadians(startDegrees + shaftSpan);
    const QPointF base = centre + QPointF(radius * qCos(end), -radius * qSin(end));
    // The direction of travel on screen (y grows downwards).
    QPointF along(-qSin(end), -qCos(end));
    if (spanDegrees < 0)
        along = -along;
    const QPointF across(-along.y(), along.x());
    const QPolygonF head(
        { base + along * headLength, base + across * headHalfWidth, base - across * headHalfWidth });
    painter.setPen(Qt::NoPen);
    painter.setBrush(kAccent);
    painter.drawPolygon(head);
}

// A picture card with a marked top edge, under an arrow that turns it counter-clockwise.
void paintRotateLeft(QPainter& painter, int)
{
    painter.setPen(stroke(kInk));
    painter.setBrush(kPaper);
    painter.drawRoundedRect(QRectF(12, 13, 14, 14), 1.5, 1.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kInk);
    painter.drawRect(QRectF(12, 13, 14, 4));
    paintArcArrow(painter, QPointF(19, 20), 13, 70, 105);
}

void paintRotateRight(QPainter& painter, int size)
{
    mirrorLeftRight(painter);
    paintRotateLeft(painter, size);
}

// A solid shape left of a dashed axis and its outline mirrored to the right.
void paintFlipHorizontal(QPainter& painter, int)
{
    const QPolygonF left({ QPointF(13, 7), QPointF(13, 25), QPointF(4, 25) });
    const QPolygonF right({ QPointF(19, 7), QPointF(19, 25), QPointF(28, 25) });
    painter.setPen(stroke(kInk));
    painter.setBrush(kInk);
    painter.drawPolygon(left);
    painter.setBrush(kPaper);
    painter.drawPolygon(right);
    painter.setPen(dashed(kAccent));
    painter.drawLine(QPointF(16, 3), QPointF(16, 29));
}

void paintFlipVertical(QPainter& painter, int size)
{
    turnQuarterClockwise(painter);
    paintFlipHorizontal(painter, size);
}

// The dashed crop frame with a badge that clears it.
void paintClearObject(QPainter& painter, int)
{
    painter.setPen(dashed(kInk));
    painter.setBrush(kPaper);
    painter.drawRect(QRectF(4, 4, 18, 18));

    const QPointF badge(23, 23);
    // A transparent ring keeps the badge apart from the frame at any background.
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawEllipse(badge, 9, 9);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setBrush(kAccent);
    painter.drawEllipse(badge, 7.5, 7.5);
    painter.setPen(QPen(Qt::white, kStroke, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(20, 20), QPointF(26, 26));
    painter.drawLine(QPointF(26, 20), QPointF(20, 26));
}

// Histogram bars on a baseline with the black and white point markers under it.
void paintLevels(QPainter& painter, int)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(kPaper);
    painter.drawRect(QRectF(3, 3, 26, 20));
    painter.setBrush(kInk);
    const qreal heights[] = { 3, 6, 11, 16, 13, 8, 12, 17, 9, 4 };
    for (int bar = 0; bar < 10; ++bar)
        painter.drawRect(QRectF(5 + bar * 2.2, 22 - heights[bar], 2.0, heights[bar]));
    painter.setPen(stroke(kInk));
    painter.drawLine(QPointF(3, 23), QPointF(29, 23));
    painter.setPen(Qt::NoPen);
    painter.setBrush(kAccent);
    painter.drawPolygon(QPolygonF({ QPointF(5, 25), QPointF(9, 31), QPointF(1, 31) }));
    painter.drawPolygon(QPolygonF({ QPointF(27, 25), QPointF(31, 31), QPointF(23, 31) }));
}

// A strip of film with its perforation, one frame of it holding a lens.
void paintApplication(QPainter& painter, int size)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(kInk);
    painter.drawRoundedRect(QRectF(1, 3, 30, 26), 3, 3);

    // Small sizes get fewer, larger holes so that they stay holes.
    const int holes = size < 24 ? 3 : 4;
    const qreal pitch = 28.0 / holes;
    const qreal holeWidth = pitch * 0.55;
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setBrush(Qt::black);
    for (int i = 0; i < holes; ++i) {
        const qreal x = 2 + pitch * i + (pitch - holeWidth) / 2;
        painter.drawRoundedRect(QRectF(x, 5, holeWidth, 3), 0.75, 0.75);
        painter.drawRoundedRect(QRectF(x, 24, holeWidth, 3), 0.75, 0.75);
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);

    painter.setBrush(kAccent);
    painter.drawRoundedRect(QRectF(4, 10, 24, 12), 1.5, 1.5);
    const QPointF lens(16, 16);
    painter.setBrush(Qt::white);
    painter.drawEllipse(lens, 5, 5);
    painter.setBrush(kInk);
    painter.drawEllipse(lens, 3.2, 3.2);
    if (size >= 24) {
        painter.setBrush(Qt::white);
        painter.drawEllipse(QPointF(14.8, 14.8), 1.0, 1.0);
    }
}

} // namespace

const QVector<IconDesign>& iconDesigns()
{
    static const QVector<IconDesign> designs {
        { QStringLiteral("ImageZoom_in"), paintZoomIn },
        { QStringLiteral("ImageZoom_out"), paintZoomOut },
        { QStringLiteral("Rotate_Left"), paintRotateLeft },
        { QStringLiteral("Rotate_Right"), paintRotateRight },
        { QStringLiteral("Flip_Horizontal"), paintFlipHorizontal },
        { QStringLiteral("Flip_Vertical"), paintFlipVertical },
        { QStringLiteral("exclamation"), paintClearObject },
        { QStringLiteral("Levels"), paintLevels },
        { QStringLiteral("Korvane"), paintApplication },
    };
    return designs;
}

const IconDesign* findIconDesign(const QString& name)
{
    for (const IconDesign& design : iconDesigns()) {
        if (design.name == name)
            return &design;
    }
    return nullptr;
}

QImage renderIcon(const IconDesign& design, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(qreal(size) / kIconCanvas, qreal(size) / kIconCanvas);
    design.paint(painter, size);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}
