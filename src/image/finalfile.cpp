#include "finalfile.h"

#include "imagefiles.h"
#include "imagelog.h"
#include "outputcommit.h"
#include "rawenlarge.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>

#include <algorithm>
#include <limits>

namespace FinalFile
{

QString dumpedRawPath(const QString& workFolder)
{
    return workFolder + QStringLiteral("/tmpImage.raw");
}

QString enlargedRawPath(const QString& workFolder)
{
    return workFolder + QStringLiteral("/resizeImage.raw");
}

Prepared prepare(STImage& image, int outputResolution, bool eightBit, const QString& workFolder)
{
    Prepared prepared;
    if (eightBit)
        image = image.to8Bit();
    prepared.bits = eightBit ? 8 : 16;
    if (outputResolution != kEnlargedResolution) {
        image.setResolution(outputResolution);
        prepared.ok = !image.isNull();
        return prepared;
    }
    const QString dumped = dumpedRawPath(workFolder);
    const QString enlarged = enlargedRawPath(workFolder);
    const double factor = double(outputResolution) / double(kScannedResolution);
    prepared.ok = image.dumpRaw(dumped)
        && enlargeRaw(dumped, enlarged, image.width(), image.height(), factor, factor, prepared.bits, 3);
    QFile::remove(dumped);
    prepared.enlarged = prepared.ok;
    if (!prepared.ok)
        QFile::remove(enlarged);
    return prepared;
}

namespace
{

bool writeQtJpeg(const STImage& image, const QString& path)
{
    QImage picture = image.toQImage();
    if (picture.isNull())
        return false;
    // Truncated; held to int, as a resolution above 54 million dpi would not fit.
    const int dotsPerMetre = static_cast<int>(
        std::clamp(image.resolution() / 0.0254, 0.0, double(std::numeric_limits<int>::max())));
    picture.setDotsPerMeterX(dotsPerMetre);
    picture.setDotsPerMeterY(dotsPerMetre);
    // Encoded in memory and then written here: the JPEG writer does not see a failed write
    // of its device, so on a full disk it reported a cut-off file as written.
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    if (!writer.write(picture)) {
        qCWarning(lcImage) << "writing" << path << "failed:" << writer.errorString();
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(encoded) != encoded.size()
        || !file.flush()) {
        qCWarning(lcImage) << "writing" << path << "failed:" << file.errorString();
        return false;
    }
    file.close();
    return file.error() == QFileDevice::NoError;
}

bool writeFile(
    const STImage& image, const Prepared& prepared, bool jpeg, const QString& path, const QString& workFolder)
{
    if (!prepared.enlarged) {
        if (jpeg)
            return writeQtJpeg(image, path);
        return ImageFiles::writeTiff(image, path, QString());
    }
    const QString source = enlargedRawPath(workFolder);
    const std::uint32_t width = ImageFiles::enlargedSize(image.width());
    const std::uint32_t height = ImageFiles::enlargedSize(image.height());
    if (jpeg)
        return ImageFiles::writeJpegFromRaw(
            prepared.bits, source, path, width, height, kEnlargedResolution, QByteArrayLiteral("jpg"));
    if (ImageFiles::usesTiffTemplate(prepared.bits, width, height))
        return ImageFiles::writeTiffFromRawWithTemplate(
            source, path, width, height, kEnlargedResolution, ImageFiles::applicationDataFolder());
    return ImageFiles::writeTiffFromRawWithLibtiff(
        prepared.bits, source, path, width, height, kEnlargedResolution, QStringLiteral("tif"));
}

} // namespace

QString write(const STImage& image, const Prepared& prepared, const QString& path, const QString& workFolder)
{
    QString written;
    if (prepared.ok) {
        // What a final file write killed earlier left here is removed by the next one.
        OutputCommit::removeAbandoned(QFileInfo(path).absolutePath());
        const QString temporary = OutputCommit::createTemporaryBeside(path);
        if (!temporary.isEmpty()) {
            const bool jpeg = path.contains(QLatin1String(".jpg"), Qt::CaseSensitive);
            if (writeFile(image, prepared, jpeg, temporary, workFolder))
                written = OutputCommit::commitWithoutReplacing(temporary, path);
            else
                QFile::remove(temporary);
        }
    }
    QFile::remove(enlargedRawPath(workFolder));
    return written;
}

void discardRawFiles(const QString& workFolder)
{
    QFile::remove(dumpedRawPath(workFolder));
    QFile::remove(enlargedRawPath(workFolder));
}

} // namespace FinalFile
