#include "scannerchoice.h"

#include "nvascanner.h"

#include <userfolders.h>

#include <QFileInfo>
#include <QSettings>

namespace
{
const QString kKey = QStringLiteral("Scanner");
}

QString ScannerChoice::filePath()
{
    return UserFolders::userFolder(QStringLiteral("Korvane")) + QStringLiteral("/scanner.ini");
}

bool ScannerChoice::isStored()
{
    return QFileInfo::exists(filePath());
}

QString ScannerChoice::stored()
{
    const QString name = QSettings(filePath(), QSettings::IniFormat).value(kKey).toString().trimmed();
    return name.isEmpty() ? QString::fromLatin1(NVAScanner::kSimulatorName) : name;
}

bool ScannerChoice::store(const QString& name)
{
    QSettings settings(filePath(), QSettings::IniFormat);
    settings.setValue(kKey, name);
    settings.sync();
    return settings.status() == QSettings::NoError;
}
