#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

// What the fuzz targets share: a scratch folder of their own for the readers that take a
// path, and the entry point each target defines (libFuzzer's, or the corpus replay's).
namespace FuzzSupport
{

// Switches the program's warnings off: a fuzzer makes the readers warn on nearly every
// input, and printing them would take most of its time.
inline void quiet()
{
    static const bool once = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("*.warning=false"));
        return true;
    }();
    (void)once;
}

// The process's scratch folder; removed when the process ends.
inline const QTemporaryDir& scratch()
{
    static const QTemporaryDir dir;
    return dir;
}

// Writes the input to name inside the scratch folder (folders created) and gives its path.
inline QString writeScratch(const QString& name, const std::uint8_t* data, std::size_t size)
{
    const QString path = scratch().filePath(name);
    const int slash = name.lastIndexOf(QLatin1Char('/'));
    if (slash > 0)
        QDir(scratch().path()).mkpath(name.left(slash));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    return path;
}

} // namespace FuzzSupport

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
