#pragma once

#include "levelshandles.h"

#include <levelssettings.h>
#include <tonehistogram.h>

#include <QWidget>

// The histogram of what the preview shows: red, green and blue as filled curves, the
// luminance as a line, marks at the ends for the channels that clip, and under it the
// black, gamma and white handles of the selected channel to drag.
//
// Threads: main thread only.
class HistogramView : public QWidget
{
    Q_OBJECT

public:
    explicit HistogramView(QWidget* parent = nullptr);

    void setHistogram(const ToneHistogram& histogram);
    void setScale(ToneHistogram::Scale scale);
    // The selected channel and its levels; nothing is emitted.
    void setChannel(LevelsSettings::Channel channel, const LevelsChannel& levels);
    LevelsChannel levels() const { return m_levels; }

    // The level (0-255) under a widget x, and the x of a level.
    double levelAt(int x) const;
    int xOf(double level) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A handle was taken; the levels it moves follow with levelsDragged().
    void dragStarted(LevelsHandles::Handle handle);
    void levelsDragged(const LevelsChannel& levels);
    void dragFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRect plotRect() const;

    ToneHistogram m_histogram;
    ToneHistogram::Scale m_scale = ToneHistogram::Linear;
    LevelsSettings::Channel m_channel = LevelsSettings::All;
    LevelsChannel m_levels;
    LevelsHandles::Handle m_dragged = LevelsHandles::None;
};
