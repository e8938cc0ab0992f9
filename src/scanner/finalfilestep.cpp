#include "finalfilestep.h"

#include <outputcommit.h>
#include <rawenlarge.h>
#include <stimage.h>

#include <QFile>
#include <QImage>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcFinalFile, "korvane.scanner.finalfile")

int FinalFileStep::outputResolution(int modelCode, int resolutionChoice)
{
    if (modelCode == 84)
        return resolutionChoice == 0 ? kEnlargedResolution : kDeviceResolutionOfEnlarged;
    return resolutionChoice == 0 ? 3600 : 1800;
}

int FinalFileStep::deviceResolution(int modelCode, int resolutionChoice)
{
    if (modelCode == 84)
        return kDeviceResolutionOfEnlarged;
    return resolutionChoice == 0 ? 3600 : 1800;
}

bool FinalFileStep::isJpegPath(const QString& path)
{
    return path.contains(QLatin1String(".jpg"), Qt::CaseSensitive);
}

FinalFileStep::FinalFileStep(const QString& workFolder)
    : m_workFolder(workFolder)
{
}

FinalFileStep::~FinalFileStep()
{
    discard();
}

QString FinalFileStep::temporaryRawPath() const
{
    return m_workFolder + QLatin1String("/tmpImage.raw");
}

QString FinalFileStep::enlargedRawPath() const
{
    return m_workFolder + QLatin1String("/resizeImage.raw");
}

void FinalFileStep::discard()
{
    QFile::remove(temporaryRawPath());
    if (m_enlarged)
        QFile::remove(enlargedRawPath());
    m_enlarged = false;
}

bool FinalFileStep::prepare(STImage& image, bool eightBit, int outputResolution)
{
    if (image.isNull())
        return false;
    if (eightBit)
        image = image.to8Bit();
    m_resolution = outputResolution;
    if (outputResolution != kEnlargedResolution) {
        image.setResolution(outputResolution);
        return true;
    }
    // The enlarged image may not fit in memory: it is only ever built as a file.
    m_enlarged = true;
    const double scale = double(kEnlargedResolution) / kDeviceResolutionOfEnlarged;
    const bool enlarged = image.dumpRaw(temporaryRawPath())
        && enlargeRaw(temporaryRawPath(), enlargedRawPath(), image.width(), image.height(), scale, scale,
                      image.bitsPerSample(), 3);
    QFile::remove(temporaryRawPath());
    if (!enlarged) {
        qCWarning(lcFinalFile) << "could not enlarge the scan in" << m_workFolder;
        discard();
    }
    return enlarged;
}

bool FinalFileStep::writeTo(STImage& image, const QString& temporary, bool jpeg) const
{
    if (m_enlarged) {
        if (jpeg)
            return image.writeJpegFromRaw(image.bitsPerSample(), enlargedRawPath(), temporary, m_resolution,
                                          QByteArrayLiteral("jpg"));
        return image.writeTiffFromRaw(image.bitsPerSample(), enlargedRawPath(), temporary, m_resolution,
                                      QStringLiteral("tif"));
    }
    if (jpeg) {
        QImage picture = image.toQImage();
        const int dotsPerMetre = int(image.resolution() / 0.0254); // truncates toward zero
        picture.setDotsPerMeterX(dotsPerMetre);
        picture.setDotsPerMeterY(dotsPerMetre);
        return picture.save(temporary, "JPEG");
    }
    return image.saveTiff(temporary);
}

QString FinalFileStep::write(STImage& image, const QString& path)
{
    QString written;
    if (!path.isEmpty() && !image.isNull()) {
        const QString temporary = OutputCommit::createTemporaryBeside(path);
        if (temporary.isEmpty()) {
            qCWarning(lcFinalFile) << "cannot write into the folder of" << path;
        } else if (!writeTo(image, temporary, isJpegPath(path))) {
            qCWarning(lcFinalFile) << "writing" << path << "failed";
            QFile::remove(temporary);
        } else {
            written = OutputCommit::commitWithoutReplacing(temporary, path);
        }
    }
    discard();
    return written;
}
