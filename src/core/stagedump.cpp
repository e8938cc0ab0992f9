#include "stagedump.h"

#include "imagefiles.h"
#include "imagemetadata.h"
#include "outputcommit.h"
#include "servicemodes.h"
#include "stimage.h"
#include "userfolders.h"

#include <QFile>
#include <QImage>

namespace
{

QString stagePath(const QString& name, const char* extension)
{
    return UserFolders::rawImageFolder() + QLatin1Char('/') + name + QLatin1String(extension);
}

} // namespace

bool dumpStage(const STImage& image, const QString& name)
{
    if (!ServiceModes::instance().isRawMode())
        return false;
    // The TIFF writer keeps a scratch row in the image it writes, so it needs an image
    // of its own; the copy is made only in RAW mode.
    STImage copy(image);
    return copy.saveTiff(stagePath(name, ".tif"));
}

bool dumpStage(const STImage& image, const QString& name, const ImageMetadata& metadata)
{
    if (!ServiceModes::instance().isRawMode())
        return false;
    ImageMetadata raw = metadata;
    raw.srgb = false;
    const QString path = stagePath(name, ".tif");
    const QString temporary = OutputCommit::createTemporaryBeside(path);
    if (temporary.isEmpty())
        return false;
    if (!ImageFiles::writeTiff(image, temporary, QString(), &raw)) {
        QFile::remove(temporary);
        return false;
    }
    return OutputCommit::commitReplacing(temporary, path);
}

bool dumpStage(const QImage& image, const QString& name)
{
    if (!ServiceModes::instance().isRawMode())
        return false;
    return image.save(stagePath(name, ".jpg"), "JPG");
}
