#include "levelspanel.h"

#include "histogramview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

LevelsPanel::LevelsPanel(QWidget* parent)
    : QWidget(parent)
    , m_view(new HistogramView(this))
    , m_channel(new QComboBox(this))
    , m_logarithmic(new QCheckBox(tr("Logarithmic"), this))
    , m_black(new QSpinBox(this))
    , m_gamma(new QDoubleSpinBox(this))
    , m_white(new QSpinBox(this))
    , m_clippedBlack(new QLabel(this))
    , m_clippedWhite(new QLabel(this))
    , m_autoClip(new QDoubleSpinBox(this))
    , m_auto(new QPushButton(tr("Auto"), this))
    , m_reset(new QPushButton(tr("Reset"), this))
    , m_showClipping(new QCheckBox(tr("Show clipping while dragging"), this))
{
    setObjectName(QStringLiteral("levelsPanel"));
    m_view->setObjectName(QStringLiteral("histogramView"));
    m_channel->setObjectName(QStringLiteral("comboBox_channel"));
    m_logarithmic->setObjectName(QStringLiteral("checkBox_logarithmic"));
    m_black->setObjectName(QStringLiteral("spinBox_black"));
    m_gamma->setObjectName(QStringLiteral("doubleSpinBox_gamma"));
    m_white->setObjectName(QStringLiteral("spinBox_white"));
    m_clippedBlack->setObjectName(QStringLiteral("label_clippedBlack"));
    m_clippedWhite->setObjectName(QStringLiteral("label_clippedWhite"));
    m_autoClip->setObjectName(QStringLiteral("doubleSpinBox_autoClip"));
    m_auto->setObjectName(QStringLiteral("pushButton_auto"));
    m_reset->setObjectName(QStringLiteral("pushButton_reset"));
    m_showClipping->setObjectName(QStringLiteral("checkBox_showClipping"));

    m_channel->addItems({ tr("All"), tr("Red"), tr("Green"), tr("Blue") });
    m_channel->setAccessibleName(tr("Channel"));
    m_black->setRange(0, LevelsChannel::kMaxLevel - LevelsChannel::kMinRange);
    m_black->setAccessibleName(tr("Black point"));
    m_gamma->setRange(LevelsChannel::kMinGamma, LevelsChannel::kMaxGamma);
    m_gamma->setDecimals(2);
    m_gamma->setSingleStep(0.05);
    m_gamma->setAccessibleName(tr("Gamma"));
    m_white->setRange(LevelsChannel::kMinRange, LevelsChannel::kMaxLevel);
    m_white->setAccessibleName(tr("White point"));
    m_autoClip->setRange(0.0, 5.0);
    m_autoClip->setDecimals(2);
    m_autoClip->setSingleStep(0.05);
    m_autoClip->setSuffix(QStringLiteral(" %"));
    m_autoClip->setValue(kDefaultAutoClipPercent);
    m_autoClip->setAccessibleName(tr("Share clipped by Auto"));
    m_auto->setToolTip(tr("Set black and white points from the histogram"));
    m_reset->setToolTip(tr("Set every channel back to neutral levels"));
    m_showClipping->setChecked(true);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Channel:"), this));
    top->addWidget(m_channel);
    top->addStretch();
    top->addWidget(m_logarithmic);

    auto* values = new QGridLayout;
    const auto label = [this](const QString& text, QWidget* buddy) {
        auto* result = new QLabel(text, this);
        result->setBuddy(buddy);
        return result;
    };
    values->addWidget(label(tr("Black:"), m_black), 0, 0);
    values->addWidget(m_black, 0, 1);
    values->addWidget(label(tr("Gamma:"), m_gamma), 0, 2);
    values->addWidget(m_gamma, 0, 3);
    values->addWidget(label(tr("White:"), m_white), 0, 4);
    values->addWidget(m_white, 0, 5);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_auto);
    buttons->addWidget(label(tr("Clip:"), m_autoClip));
    buttons->addWidget(m_autoClip);
    buttons->addStretch();
    buttons->addWidget(m_reset);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(top);
    layout->addWidget(m_view);
    layout->addWidget(m_clippedBlack);
    layout->addWidget(m_clippedWhite);
    layout->addLayout(values);
    layout->addLayout(buttons);
    layout->addWidget(m_showClipping);
    layout->addStretch();

    connect(m_channel, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &LevelsPanel::showChannel);
    connect(m_logarithmic, &QCheckBox::toggled, this, &LevelsPanel::showHistogram);
    connect(m_black, QOverload<int>::of(&QSpinBox::valueChanged), this, &LevelsPanel::typed);
    connect(m_white, QOverload<int>::of(&QSpinBox::valueChanged), this, &LevelsPanel::typed);
    connect(m_gamma, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &LevelsPanel::typed);
    connect(m_view, &HistogramView::levelsDragged, this, &LevelsPanel::changeChannel);
    connect(m_view, &HistogramView::dragStarted, this,
        [this](LevelsHandles::Handle handle) { dragStarted(handle); });
    connect(m_view, &HistogramView::dragFinished, this, &LevelsPanel::dragFinished);
    connect(m_auto, &QPushButton::clicked, this, &LevelsPanel::autoLevels);
    connect(m_reset, &QPushButton::clicked, this, &LevelsPanel::reset);

    showChannel();
    showHistogram();
}

LevelsPanel::~LevelsPanel() = default;

LevelsSettings::Channel LevelsPanel::channel() const
{
    return LevelsSettings::Channel(std::max(0, m_channel->currentIndex()));
}

void LevelsPanel::setImage(const STImage& beforeLevels)
{
    m_preview.setSource(beforeLevels);
    showHistogram();
}

void LevelsPanel::setLevels(const LevelsSettings& levels)
{
    m_preview.setLevels(levels);
    showChannel();
    showHistogram();
}

void LevelsPanel::showChannel()
{
    const LevelsChannel& levels = m_preview.levels()[channel()];
    m_filling = true;
    m_black->setValue(levels.black);
    m_white->setValue(levels.white);
    m_gamma->setValue(levels.gamma);
    m_filling = false;
    m_view->setChannel(channel(), levels);
}

void LevelsPanel::showHistogram()
{
    const ToneHistogram& histogram = m_preview.histogram();
    m_view->setScale(m_logarithmic->isChecked() ? ToneHistogram::Logarithmic : ToneHistogram::Linear);
    m_view->setHistogram(histogram);
    const QLocale locale;
    const auto percent = [&](double share) { return locale.toString(share * 100.0, 'f', 2); };
    using H = ToneHistogram;
    m_clippedBlack->setText(
        tr("Clipped at black: R %1 %  G %2 %  B %3 %")
            .arg(percent(histogram.clippedBlack(H::Red)), percent(histogram.clippedBlack(H::Green)),
                percent(histogram.clippedBlack(H::Blue))));
    m_clippedWhite->setText(
        tr("Clipped at white: R %1 %  G %2 %  B %3 %")
            .arg(percent(histogram.clippedWhite(H::Red)), percent(histogram.clippedWhite(H::Green)),
                percent(histogram.clippedWhite(H::Blue))));
}

void LevelsPanel::changeChannel(const LevelsChannel& levels)
{
    LevelsSettings all = m_preview.levels();
    all[channel()] = levels;
    change(all);
}

void LevelsPanel::change(const LevelsSettings& levels)
{
    if (levels.normalised() == m_preview.levels())
        return;
    m_preview.setLevels(levels);
    showChannel();
    showHistogram();
    emit levelsChanged(m_preview.levels());
    if (!m_dragging)
        emit levelsSettled(m_preview.levels());
}

void LevelsPanel::typed()
{
    if (m_filling)
        return;
    LevelsChannel levels;
    levels.black = m_black->value();
    levels.white = m_white->value();
    levels.gamma = m_gamma->value();
    // A typed point past the other one pushes that one along rather than being refused.
    if (levels.white - levels.black < LevelsChannel::kMinRange) {
        if (sender() == m_black)
            levels.white = levels.black + LevelsChannel::kMinRange;
        else
            levels.black = levels.white - LevelsChannel::kMinRange;
    }
    changeChannel(levels);
}

void LevelsPanel::autoLevels()
{
    change(m_preview.sourceHistogram().autoLevels(m_autoClip->value() / 100.0, m_preview.levels()));
}

void LevelsPanel::reset()
{
    change(LevelsSettings());
}

void LevelsPanel::dragStarted(int handle)
{
    m_dragStart = m_preview.levels();
    m_dragging = true;
    if (!m_showClipping->isChecked() || handle == LevelsHandles::Gamma)
        return;
    m_clipping = handle == LevelsHandles::Black ? LevelsPreview::BlackClipping : LevelsPreview::WhiteClipping;
    emit clippingChanged(m_clipping);
}

void LevelsPanel::dragFinished()
{
    m_dragging = false;
    if (m_clipping != LevelsPreview::NoClipping) {
        m_clipping = LevelsPreview::NoClipping;
        emit clippingChanged(m_clipping);
    }
    if (m_preview.levels() != m_dragStart)
        emit levelsSettled(m_preview.levels());
}
