#include "filterpreview.h"

#include "processingsteps.h"
#include "profileprocessingoptions.h"
#include "scanprofile.h"

#include <QColor>

FilterPreview::FilterPreview(Kind kind)
    : m_kind(kind)
{
    useSamplePictures();
}

QString FilterPreview::samplePath(Kind kind)
{
    return kind == Slides ? QStringLiteral(":/Image/Mx_Silder.jpg") : QStringLiteral(":/Image/MX_B.jpg");
}

QString FilterPreview::multipassSamplePath(Kind kind)
{
    return kind == Slides ? QStringLiteral(":/Image/Mx_Silder_B.jpg") : QStringLiteral(":/Image/MX_A.jpg");
}

void FilterPreview::setProcessing(ProcessingSteps* processing, int modelCode)
{
    m_processing = processing;
    m_modelCode = modelCode;
}

void FilterPreview::setPictures(const QImage& before, const QImage& multipass)
{
    if (before.isNull()) {
        useSamplePictures();
        return;
    }
    m_before = before.convertToFormat(QImage::Format_RGB888);
    m_multipass = multipass.isNull() ? m_before : multipass.convertToFormat(QImage::Format_RGB888);
}

void FilterPreview::useSamplePictures()
{
    m_before = loadPicture(samplePath(m_kind));
    m_multipass = loadPicture(multipassSamplePath(m_kind));
}

QImage FilterPreview::after(const ScanProfile& profile) const
{
    const QImage& source = profile.multipass().enable ? m_multipass : m_before;
    if (m_processing == nullptr)
        return source.copy();
    const ProcessingOptions options = profileProcessingOptions(profile, m_modelCode);
    return profile.isSlideMode() ? m_processing->runSlidePreview(source, options)
                                 : m_processing->runFilmPreview(source, options);
}

QImage FilterPreview::loadPicture(const QString& path)
{
    QImage picture(path);
    if (picture.isNull()) {
        // Mid grey: it passes every filter step, so the editor still shows what the
        // brightness and saturation do.
        picture = QImage(kPlaceholderWidth, kPlaceholderHeight, QImage::Format_RGB888);
        picture.fill(QColor(128, 128, 128));
    }
    return picture.convertToFormat(QImage::Format_RGB888);
}
