#pragma once

#include <QCoreApplication>
#include <QString>
#include <QVector>

// One scanner the user can choose: the simulated one, or a SANE device as
// "scanimage -L" names it ("test:0").
struct ScannerEntry {
    QString name;
    QString vendor;
    QString model;
    QString type;

    bool isSimulator() const;
    // The line shown in the choice: vendor, model and type, then the name.
    QString label() const;
};

// The scanners there are to choose from: the simulated scanner always first, then
// every device the SANE device library in the program folder lists. A missing or
// failing library lists none, so the simulator is always there to fall back on.
// Threads: main thread. The listing loads the SANE device library and asks it for
// its devices; it is made before the worker starts and from the scanner choice.
class ScannerList
{
    Q_DECLARE_TR_FUNCTIONS(ScannerList)

public:
    // folder holds the device libraries; empty means the program folder.
    explicit ScannerList(const QString& folder = QString());

    QVector<ScannerEntry> scanners() const { return m_scanners; }
    bool hasSaneDevices() const { return m_scanners.size() > 1; }
    // The row of the scanner called name, -1 when it is not listed. "simulator" and
    // an empty name are both the simulated scanner.
    int indexOf(const QString& name) const;

    static ScannerEntry simulator();
    static bool isSimulatorName(const QString& name);
    // The devices of the library's list text: one "name\tvendor\tmodel\ttype" line
    // each; lines without a name, or with too few fields, are left out.
    static QVector<ScannerEntry> parseDeviceList(const QByteArray& text);

private:
    static QVector<ScannerEntry> saneDevices(const QString& folder);

    QVector<ScannerEntry> m_scanners;
};
