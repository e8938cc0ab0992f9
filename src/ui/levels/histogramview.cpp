#include "histogramview.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace
{

constexpr int kMargin = 7; // half a handle, so the end handles stay whole
constexpr int kHandleHeight = 12;
constexpr int kReachPixels = 8;

QColor curveColour(int channel, int alpha)
{
    static const QColor colours[] = { QColor(220, 40, 40), QColor(40, 170, 40), QColor(50, 80, 230) };
    QColor colour = colours[channel];
    colour.setAlpha(alpha);
    return colour;
}

} // namespace

HistogramView::HistogramView(QWidget* parent)
    : QWidget(parent)
{
    setAccessibleName(tr("Histogram"));
    setAccessibleDescription(tr("Drag the black, gamma and white handles below the curves"));
    setMouseTracking(false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void HistogramView::setHistogram(const ToneHistogram& histogram)
{
    m_histogram = histogram;
    update();
}

void HistogramView::setScale(ToneHistogram::Scale scale)
{
    m_scale = scale;
    update();
}

void HistogramView::setChannel(LevelsSettings::Channel channel, const LevelsChannel& levels)
{
    m_channel = channel;
    m_levels = levels;
    update();
}

QSize HistogramView::sizeHint() const
{
    return { 256 + 2 * kMargin, 130 };
}

QSize HistogramView::minimumSizeHint() const
{
    return { 128 + 2 * kMargin, 130 };
}

QRect HistogramView::plotRect() const
{
    return QRect(kMargin, 2, std::max(1, width() - 2 * kMargin), std::max(1, height() - kHandleHeight - 4));
}

double HistogramView::levelAt(int x) const
{
    const QRect plot = plotRect();
    return double(x - plot.left()) * LevelsChannel::kMaxLevel / std::max(1, plot.width() - 1);
}

int HistogramView::xOf(double level) const
{
    const QRect plot = plotRect();
    return plot.left() + int(std::lround(level * (plot.width() - 1) / LevelsChannel::kMaxLevel));
}

void HistogramView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect plot = plotRect();
    painter.fillRect(plot, QColor(250, 250, 250));
    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(plot.adjusted(0, 0, -1, -1));

    const auto pathOf = [&](ToneHistogram::Channel channel, bool closed) {
        const auto heights = m_histogram.heights(channel, m_scale);
        QPainterPath path;
        const double bottom = plot.bottom();
        const double step = double(plot.width() - 1) / (ToneHistogram::kBins - 1);
        if (closed)
            path.moveTo(plot.left(), bottom);
        for (int i = 0; i < ToneHistogram::kBins; ++i) {
            const QPointF point(
                plot.left() + i * step, bottom - heights[std::size_t(i)] * (plot.height() - 2));
            if (!closed && i == 0)
                path.moveTo(point);
            else
                path.lineTo(point);
        }
        if (closed)
            path.lineTo(plot.right(), bottom);
        return path;
    };
    if (m_histogram.pixels() > 0) {
        painter.setPen(Qt::NoPen);
        for (int c = 0; c < 3; ++c) {
            // The selected channel's curve is drawn strongest.
            const bool selected = m_channel == LevelsSettings::All || int(m_channel) == c + 1;
            painter.setBrush(curveColour(c, selected ? 130 : 40));
            painter.drawPath(pathOf(ToneHistogram::Channel(c), true));
        }
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(40, 40, 40), 1.2));
        painter.drawPath(pathOf(ToneHistogram::Luminance, false));

        // Clipping marks: a bar at each end per channel that has pixels there.
        for (int c = 0; c < 3; ++c) {
            const int top = plot.top() + 2 + c * 7;
            if (m_histogram.clippedBlack(ToneHistogram::Channel(c)) > 0)
                painter.fillRect(QRect(plot.left() + 1, top, 5, 5), curveColour(c, 255));
            if (m_histogram.clippedWhite(ToneHistogram::Channel(c)) > 0)
                painter.fillRect(QRect(plot.right() - 6, top, 5, 5), curveColour(c, 255));
        }
    }

    // Handles: black, gamma (grey), white, as triangles pointing at the scale.
    const int base = height() - 2;
    const int tip = base - kHandleHeight + 2;
    const QColor fills[] = { Qt::black, QColor(128, 128, 128), Qt::white };
    for (LevelsHandles::Handle handle :
        { LevelsHandles::Black, LevelsHandles::Gamma, LevelsHandles::White }) {
        const int x = xOf(LevelsHandles::position(m_levels, handle));
        const QPointF triangle[] = { QPointF(x, tip), QPointF(x - 6, base), QPointF(x + 6, base) };
        painter.setPen(QPen(handle == m_dragged ? palette().highlight().color() : QColor(60, 60, 60), 1));
        painter.setBrush(fills[handle]);
        painter.drawPolygon(triangle, 3);
    }
}

void HistogramView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const double reach
        = kReachPixels * double(LevelsChannel::kMaxLevel) / std::max(1, plotRect().width() - 1);
    m_dragged = LevelsHandles::handleAt(m_levels, levelAt(event->pos().x()), reach);
    if (m_dragged == LevelsHandles::None)
        return;
    emit dragStarted(m_dragged);
    update();
}

void HistogramView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragged == LevelsHandles::None)
        return;
    const LevelsChannel moved = LevelsHandles::moved(m_levels, m_dragged, levelAt(event->pos().x()));
    if (moved == m_levels)
        return;
    m_levels = moved;
    update();
    emit levelsDragged(m_levels);
}

void HistogramView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_dragged == LevelsHandles::None)
        return;
    m_dragged = LevelsHandles::None;
    update();
    emit dragFinished();
}
