#include "informationpanel.h"

#include <QDir>
#include <QFontMetrics>

InformationPanel::InformationPanel(const ScanProfile& profile)
    : m_profile(profile)
{
}

QString InformationPanel::resolutionText() const
{
    return tr("Image Resolution: %1").arg(m_profile.showsNormal() ? tr("Normal") : tr("Quality"));
}

QString InformationPanel::colourDepthText() const
{
    const bool eightBit = m_profile.showsEightBit();
    // The two modes have always spelt the depth differently; translators see both.
    QString depth;
    if (m_profile.isSlideMode())
        depth = eightBit ? tr("8 bit") : tr("16 bit");
    else
        depth = eightBit ? tr("8bit") : tr("16bit");
    return tr("Color Depth: %1").arg(depth);
}

QString InformationPanel::fileFormatText() const
{
    // Format names are the same in every language.
    return tr("File Format: %1").arg(m_profile.showsJpeg() ? QStringLiteral("JPEG") : QStringLiteral("TIFF"));
}

QString InformationPanel::directoryText(const QFontMetrics& metrics, int width) const
{
    const QString folder = QDir::toNativeSeparators(m_profile.outputFolder());
    return tr("Directory: %1").arg(metrics.elidedText(folder, Qt::ElideLeft, width));
}

QString InformationPanel::suggestedText(const QFontMetrics& metrics, int width) const
{
    return metrics.elidedText(m_profile.suggestedText(), Qt::ElideRight, width);
}

QString InformationPanel::caption(const ScanProfile& profile, const QFontMetrics& metrics)
{
    return metrics.elidedText(profile.description(), Qt::ElideRight, kCaptionWidth);
}

QString InformationPanel::sizeText(qint64 bytes)
{
    return tr("Size: %1 MB").arg(QString::number(double(bytes) / 1048576.0, 'f', 2));
}
