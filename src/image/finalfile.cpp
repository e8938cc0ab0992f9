#include "finalfile.h"

#include "imagefiles.h"
#include "imagelog.h"
#include "outputcommit.h"
#include "rawenlarge.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QStorageInfo>

#include <unistd.h>

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

namespace
{

std::uint64_t pixelBytes(const STImage& image, std::uint32_t bits)
{
    return std::uint64_t(image.width()) * image.height() * 3 * (bits / 8);
}

} // namespace

Failure diagnose(const QString& folder, std::uint64_t bytesNeeded)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir() || ::access(QFile::encodeName(folder).constData(), W_OK) != 0)
        return Failure::FolderUnusable;
    const QStorageInfo storage(folder);
    if (storage.isValid() && storage.bytesAvailable() >= 0
        && std::uint64_t(storage.bytesAvailable()) < bytesNeeded)
        return Failure::DiskFull;
    return Failure::WriteFailed;
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
    if (!prepared.ok) {
        QFile::remove(enlarged);
        // Both raw files side by side at their largest: the dump and four times it.
        prepared.failure = diagnose(workFolder, 5 * pixelBytes(image, prepared.bits));
    }
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

bool isJpegName(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.compare(QLatin1String("jpg"), Qt::CaseInsensitive) == 0
        || suffix.compare(QLatin1String("jpeg"), Qt::CaseInsensitive) == 0;
}

QString write(const STImage& image, const Prepared& prepared, const QString& path, const QString& workFolder,
    Failure* failure)
{
    QString written;
    Failure cause = prepared.ok ? Failure::None : prepared.failure;
    if (prepared.ok && path.isEmpty()) {
        cause = Failure::NoFreeName;
    } else if (prepared.ok) {
        const QString folder = QFileInfo(path).absolutePath();
        // What a final file write killed earlier left here is removed by the next one.
        OutputCommit::removeAbandoned(folder);
        std::uint64_t bytes = pixelBytes(image, prepared.bits);
        if (prepared.enlarged)
            bytes = std::uint64_t(ImageFiles::enlargedSize(image.width()))
                * ImageFiles::enlargedSize(image.height()) * 3 * (prepared.bits / 8);
        const QString temporary = OutputCommit::createTemporaryBeside(path);
        if (temporary.isEmpty()) {
            cause = diagnose(folder, 1);
        } else {
            if (writeFile(image, prepared, isJpegName(path), temporary, workFolder)) {
                written = OutputCommit::commitWithoutReplacing(temporary, path);
                // The chosen name exists and so did every later one it tried.
                if (written.isEmpty())
                    cause = QFile::exists(path) ? Failure::NoFreeName : diagnose(folder, 0);
            } else {
                QFile::remove(temporary);
                cause = diagnose(folder, bytes);
            }
        }
    }
    if (written.isEmpty() && cause == Failure::None)
        cause = Failure::WriteFailed;
    if (failure)
        *failure = written.isEmpty() ? cause : Failure::None;
    QFile::remove(enlargedRawPath(workFolder));
    return written;
}

void discardRawFiles(const QString& workFolder)
{
    QFile::remove(dumpedRawPath(workFolder));
    QFile::remove(enlargedRawPath(workFolder));
}

} // namespace FinalFile
