#include "previewwidget.h"

#include <QPainter>
#include <QResizeEvent>

#include <cmath>

PreviewWidget::PreviewWidget(QWidget* parent)
    : QWidget(parent)
    , m_before(320, 320, QImage::Format_ARGB32_Premultiplied)
    , m_after(320, 320, QImage::Format_ARGB32_Premultiplied)
{
    m_before.fill(Qt::blue);
    m_after.fill(Qt::green);
}

PreviewWidget::~PreviewWidget() = default;

void PreviewWidget::setBeforeImage(const QImage& image)
{
    m_before = image;
}

void PreviewWidget::setAfterImage(const QImage& image)
{
    m_after = image;
}

int PreviewWidget::middle() const
{
    const QRect area = rect();
    return static_cast<int>(std::lround((area.left() + area.right()) / 2.0));
}

bool PreviewWidget::updateComposite()
{
    if (m_before.isNull() || m_after.isNull())
        return false;
    const QRect area = rect();
    const int mid = middle();
    QImage composite(area.size(), QImage::Format_ARGB32_Premultiplied);
    composite.fill(Qt::transparent);
    {
        QPainter painter(&composite);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(QPoint(area.left(), area.top()), QPoint(mid - 5, area.bottom())), m_before);
        painter.drawImage(QRect(QPoint(mid + 5, area.top()), QPoint(area.right(), area.bottom())), m_after);
    }
    m_composite = composite;
    update();
    return true;
}

void PreviewWidget::paintEvent(QPaintEvent* /*event*/)
{
    const QRect area = rect();
    const int mid = middle();
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(area.adjusted(10, 10, -10, -10), m_composite);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawRect(
        QRect(QPoint(area.left() + 1, area.top() + 1), QPoint(area.right() - 2, area.bottom() - 2)));
    painter.drawLine(mid + 1, area.top() + 1, mid + 1, area.bottom() - 1);
}

// The composite is drawn at the widget's size; a new size would otherwise show the old
// one stretched until the next setting changes.
void PreviewWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateComposite();
}
