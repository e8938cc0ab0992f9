#pragma once

#include "levelspreview.h"

#include <QMetaType>
#include <QWidget>

class HistogramView;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;

// The live histogram of the preview and the levels of the current mode: black point,
// white point and gamma for all channels and for each one, dragged on the histogram or
// typed, with Auto and Reset. It takes the picture before levels (setImage) and the
// levels (setLevels) in, keeps the picture under the levels for the preview to show
// (preview().shown()), and gives every change by the user out through levelsChanged().
//
// Threads: main thread only.
class LevelsPanel : public QWidget
{
    Q_OBJECT

public:
    // The share clipped at each end by Auto when nothing else was chosen, in percent.
    static constexpr double kDefaultAutoClipPercent = 0.1;

    explicit LevelsPanel(QWidget* parent = nullptr);
    ~LevelsPanel() override;

    // The preview's picture as processed, brightness included, before levels.
    void setImage(const STImage& beforeLevels);
    // Shows levels without emitting levelsChanged().
    void setLevels(const LevelsSettings& levels);
    LevelsSettings levels() const { return m_preview.levels(); }
    const LevelsPreview& preview() const { return m_preview; }
    LevelsSettings::Channel channel() const;

signals:
    // Every change by the user (each step of a drag, typing, Auto, Reset); preview()
    // already shows it.
    void levelsChanged(const LevelsSettings& levels);
    // A change that is complete: after the last levelsChanged() of a drag, at once for the
    // others. What is worth keeping in the profile.
    void levelsSettled(const LevelsSettings& levels);
    // With "show clipping" on, BlackClipping or WhiteClipping while a black or white
    // handle is dragged, NoClipping when it is let go.
    void clippingChanged(LevelsPreview::Clipping clipping);

private:
    void showChannel();
    void showHistogram();
    void changeChannel(const LevelsChannel& levels);
    // The user's change: shown, and emitted when it changes anything.
    void change(const LevelsSettings& levels);
    void typed();
    void autoLevels();
    void reset();
    void dragStarted(int handle);
    void dragFinished();

    LevelsPreview m_preview;
    HistogramView* m_view = nullptr;
    QComboBox* m_channel = nullptr;
    QCheckBox* m_logarithmic = nullptr;
    QSpinBox* m_black = nullptr;
    QDoubleSpinBox* m_gamma = nullptr;
    QSpinBox* m_white = nullptr;
    QLabel* m_clippedBlack = nullptr;
    QLabel* m_clippedWhite = nullptr;
    QDoubleSpinBox* m_autoClip = nullptr;
    QPushButton* m_auto = nullptr;
    QPushButton* m_reset = nullptr;
    QCheckBox* m_showClipping = nullptr;
    LevelsPreview::Clipping m_clipping = LevelsPreview::NoClipping;
    bool m_dragging = false;
    LevelsSettings m_dragStart;
    bool m_filling = false; // the controls are being set from the levels
};

// Both travel in the panel's signals and in a spy's or a queued connection's variants.
Q_DECLARE_METATYPE(LevelsSettings)
Q_DECLARE_METATYPE(LevelsPreview::Clipping)
