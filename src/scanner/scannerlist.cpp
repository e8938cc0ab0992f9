#include "scannerlist.h"

#include "devicerecords.h"
#include "nvascanner.h"

#include <QLibrary>
#include <QLoggingCategory>

#include <memory>

Q_LOGGING_CATEGORY(lcScannerList, "korvane.scanner.list", QtInfoMsg)

bool ScannerEntry::isSimulator() const
{
    return ScannerList::isSimulatorName(name);
}

QString ScannerEntry::label() const
{
    if (isSimulator())
        return ScannerList::tr("Simulated scanner (built in)");
    QStringList parts;
    for (const QString& part : { vendor, model })
        if (!part.isEmpty())
            parts.append(part);
    QString text = parts.join(QLatin1Char(' '));
    if (!type.isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + QStringLiteral("(") + type
            + QStringLiteral(")");
    return text.isEmpty() ? name : text + QStringLiteral(" - ") + name;
}

ScannerList::ScannerList(const QString& folder)
{
    m_scanners.append(simulator());
    m_scanners += saneDevices(folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder);
}

ScannerEntry ScannerList::simulator()
{
    ScannerEntry entry;
    entry.name = QLatin1String(NVAScanner::kSimulatorName);
    return entry;
}

bool ScannerList::isSimulatorName(const QString& name)
{
    return name.isEmpty() || name == QLatin1String(NVAScanner::kSimulatorName);
}

int ScannerList::indexOf(const QString& name) const
{
    for (int row = 0; row < m_scanners.size(); ++row) {
        const ScannerEntry& entry = m_scanners.at(row);
        if (entry.name == name || (entry.isSimulator() && isSimulatorName(name)))
            return row;
    }
    return -1;
}

QVector<ScannerEntry> ScannerList::parseDeviceList(const QByteArray& text)
{
    QVector<ScannerEntry> devices;
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() < 4 || fields.at(0).trimmed().isEmpty())
            continue;
        ScannerEntry entry;
        entry.name = QString::fromUtf8(fields.at(0).trimmed());
        // A SANE device may not be called like the simulated scanner: choosing it
        // would link the simulator instead.
        if (entry.isSimulator())
            continue;
        entry.vendor = QString::fromUtf8(fields.at(1).trimmed());
        entry.model = QString::fromUtf8(fields.at(2).trimmed());
        entry.type = QString::fromUtf8(fields.at(3).trimmed());
        devices.append(entry);
    }
    return devices;
}

QVector<ScannerEntry> ScannerList::saneDevices(const QString& folder)
{
    // Never unloaded: SANE backends may leave threads or handlers behind, and the
    // worker may hold the same library.
    QLibrary library(folder + QLatin1Char('/') + QLatin1String(device::kSaneLibraryFile));
    if (!library.load()) {
        qCDebug(lcScannerList) << "no SANE device library:" << library.errorString();
        return {};
    }
    const auto entry = reinterpret_cast<device::ScannerDeviceIOFunction>(library.resolve("ScannerDeviceIO"));
    if (!entry) {
        qCWarning(lcScannerList) << "the SANE device library has no ScannerDeviceIO";
        return {};
    }
    auto record = std::make_unique<device::DeviceListRecord>(); // zeroed
    if (!device::succeeded(entry(device::CmdListDevices, record.get()))) {
        qCWarning(lcScannerList) << "the SANE device library did not list its devices";
        return {};
    }
    // The library promises a NUL; a last byte forced to it keeps a broken one in bounds.
    record->text[sizeof(record->text) - 1] = '\0';
    return parseDeviceList(QByteArray(record->text));
}
