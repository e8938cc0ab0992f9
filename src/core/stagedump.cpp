#include "stagedump.h"

#include "imagemetadata.h"
#include "servicemodes.h"
#include "stimage.h"
#include "userfolders.h"

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
    STImage copy(image);
    return copy.saveTiff(stagePath(name, ".tif"), QString(), &raw);
}

bool dumpStage(const QImage& image, const QString& name)
{
    if (!ServiceModes::instance().isRawMode())
        return false;
    return image.save(stagePath(name, ".jpg"), "JPG");
}
