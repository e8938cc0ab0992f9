#pragma once

#include <QImage>
#include <QWidget>

// The before/after filter preview: the before picture on the left half, the after
// picture on the right, 10 pixels apart, in a black frame with a black divider.
class PreviewWidget : public QWidget
{
    Q_OBJECT

public:
    explicit PreviewWidget(QWidget* parent = nullptr);
    ~PreviewWidget() override;

    void setBeforeImage(const QImage& image);
    void setAfterImage(const QImage& image);
    QImage beforeImage() const { return m_before; }
    QImage afterImage() const { return m_after; }
    QImage composite() const { return m_composite; }

    // Redraws the composite at the widget's size; false when either picture is null.
    bool updateComposite();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // (left + right) / 2 of the widget's rectangle, a half rounded up.
    int middle() const;

    QImage m_before;
    QImage m_after;
    QImage m_composite;
};
