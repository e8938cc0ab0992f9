#include "installcheck.h"

#include "imagefiles.h"
#include "ipmodelfiles.h"
#include "scannermodels.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace
{

QString native(const QString& path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

bool readable(const QString& path)
{
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly);
}

// The parameter files of the supported models, each once, in table order.
QStringList parameterFiles()
{
    QStringList files;
    const auto add = [&files](const char* name) {
        const QString file = QString::fromLatin1(name);
        if (!files.contains(file))
            files.append(file);
    };
    for (const ScannerModels::Model& model : ScannerModels::kModels) {
        for (IPParamFile kind : { IPParamFile::AutoColor, IPParamFile::RgbBalance, IPParamFile::AutoCrop }) {
            // Only the crop file depends on the film format; 0 and 1 reach both of its variants.
            add(IPParamFileName(kind, model.parameterIndex, 0));
            add(IPParamFileName(kind, model.parameterIndex, 1));
        }
    }
    return files;
}

} // namespace

QStringList InstallCheck::problems(const QString& applicationFolder)
{
    QStringList problems;
    const QString dataFolder = applicationFolder + QStringLiteral("/data/");
    for (const QString& file : parameterFiles()) {
        if (!readable(dataFolder + file)) {
            problems.append(tr("The parameter file %1 is missing. Scans use the built-in values instead, "
                               "so their crop and colours may differ. Install Korvane again to restore it.")
                                .arg(native(dataFolder + file)));
        }
    }
    if (!ImageFiles::tiffTemplatesUsable(dataFolder)) {
        problems.append(
            tr("The TIFF templates in %1 are missing or damaged. Very large 16-bit TIFF scans cannot "
               "be saved; choose JPEG, 8 bits or a lower resolution, or install Korvane again.")
                .arg(native(dataFolder)));
    }
    const QString manual = manualPath(applicationFolder);
    QFile pdf(manual);
    if (!pdf.open(QIODevice::ReadOnly) || !pdf.read(5).startsWith("%PDF-")) {
        problems.append(tr("The user manual %1 is missing or damaged, so Help > User Manual cannot show it. "
                           "Install Korvane again to restore it.")
                            .arg(native(manual)));
    }
    return problems;
}

QString InstallCheck::manualPath(const QString& applicationFolder)
{
    return applicationFolder + QStringLiteral("/manual/manual_English 002.pdf");
}
