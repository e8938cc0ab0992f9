// Draws the application's pictures into a folder for the resource library:
//   korvane_icongen [--sheet <contact sheet.png>] <output folder> <name.png | name.ico>...
//   korvane_icongen --theme <theme folder> <design> <icon name>
// A name.png is written at 32 pixels with a name@2x.png at 64 for high-density screens;
// a name.ico holds the picture at several sizes, largest first, so that a plain
// picture read of the file gives the detailed one. The --theme form writes one design
// into a freedesktop icon theme folder, <size>x<size>/apps/<icon name>.png, at the
// sizes desktops look for. The contact sheet shows every
// picture at every size on the preview's grey, with the 32-pixel ones enlarged.
#include "icofile.h"
#include "icondesigns.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QSaveFile>

#include <cstdio>

namespace
{

const QVector<int> kIcoSizes { 64, 48, 32, 24, 16 };
const QVector<int> kThemeSizes { 16, 24, 32, 48, 64, 128, 256 };
constexpr int kButtonSize = 32;
constexpr int kSheetEnlargement = 4;

bool fail(const QString& message)
{
    std::fprintf(stderr, "korvane_icongen: %s\n", qUtf8Printable(message));
    return false;
}

bool writePng(const QImage& image, const QString& path)
{
    QImageWriter writer(path, "png");
    if (!writer.write(image))
        return fail(path + QStringLiteral(": ") + writer.errorString());
    return true;
}

bool writeIco(const IconDesign& design, const QString& path)
{
    QVector<QImage> pictures;
    for (int size : kIcoSizes)
        pictures.append(renderIcon(design, size));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(icoFile(pictures)) < 0 || !file.commit())
        return fail(path + QStringLiteral(": ") + file.errorString());
    return true;
}

bool writePicture(const QDir& folder, const QString& fileName)
{
    const QFileInfo info(fileName);
    const IconDesign* design = findIconDesign(info.completeBaseName());
    if (!design)
        return fail(QStringLiteral("no picture is drawn for ") + fileName);
    const QString suffix = info.suffix();
    if (suffix == QLatin1String("png")) {
        return writePng(renderIcon(*design, kButtonSize), folder.filePath(fileName))
            && writePng(renderIcon(*design, 2 * kButtonSize),
                folder.filePath(design->name + QStringLiteral("@2x.png")));
    }
    if (suffix == QLatin1String("ico"))
        return writeIco(*design, folder.filePath(fileName));
    return fail(QStringLiteral("cannot write a picture as ") + fileName);
}

bool writeThemeIcons(const QDir& theme, const QString& designName, const QString& iconName)
{
    const IconDesign* design = findIconDesign(designName);
    if (!design)
        return fail(QStringLiteral("no picture is drawn for ") + designName);
    for (int size : kThemeSizes) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        if (!theme.mkpath(folder))
            return fail(QStringLiteral("cannot create ") + theme.filePath(folder));
        if (!writePng(
                renderIcon(*design, size), theme.filePath(folder + QLatin1Char('/') + iconName + ".png")))
            return false;
    }
    return true;
}

// One row per design: each size of the icon file, then the 32-pixel picture enlarged
// without smoothing, to judge where its edges fall on the pixel grid.
QImage contactSheet()
{
    const int gap = 12;
    const int enlarged = kButtonSize * kSheetEnlargement;
    int width = gap;
    for (int size : kIcoSizes)
        width += size + gap;
    width += enlarged + gap;
    const int height = gap + iconDesigns().size() * (enlarged + gap);

    QImage sheet(width, height, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&sheet);
    QLinearGradient grey(0, 0, width, height);
    grey.setColorAt(0, QColor(192, 192, 192));
    grey.setColorAt(1, QColor(224, 224, 224));
    painter.fillRect(sheet.rect(), grey);
    int y = gap;
    for (const IconDesign& design : iconDesigns()) {
        int x = gap;
        for (int size : kIcoSizes) {
            painter.drawImage(x, y + (enlarged - size) / 2, renderIcon(design, size));
            x += size + gap;
        }
        const QImage small = renderIcon(design, kButtonSize);
        painter.drawImage(
            x, y, small.scaled(enlarged, enlarged, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        y += enlarged + gap;
    }
    painter.end();
    return sheet;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments().mid(1);
    if (arguments.size() == 4 && arguments.first() == QLatin1String("--theme"))
        return writeThemeIcons(QDir(arguments.at(1)), arguments.at(2), arguments.at(3)) ? 0 : 1;
    QString sheetPath;
    if (arguments.size() >= 2 && arguments.first() == QLatin1String("--sheet")) {
        sheetPath = arguments.at(1);
        arguments = arguments.mid(2);
    }
    if (arguments.isEmpty()) {
        std::fprintf(stderr,
            "usage: korvane_icongen [--sheet <file.png>] <output folder> <name.png|name.ico>...\n"
            "       korvane_icongen --theme <theme folder> <design> <icon name>\n");
        return 2;
    }

    const QDir folder(arguments.takeFirst());
    bool ok = folder.mkpath(QStringLiteral(".")) || fail(QStringLiteral("cannot create ") + folder.path());
    for (const QString& fileName : qAsConst(arguments))
        ok = ok && writePicture(folder, fileName);
    if (!sheetPath.isEmpty())
        ok = ok && writePng(contactSheet(), sheetPath);
    return ok ? 0 : 1;
}
