#pragma once

// A private SANE configuration that offers only SANE's test backend, set up the way
// the test backend reads it: dll.conf naming "test" and a test.conf per case.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

class SaneTestSetup
{
public:
    SaneTestSetup() { qputenv("SANE_CONFIG_DIR", m_dir.path().toUtf8()); }

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }

    // The test backend's settings beyond one device; takes effect at the next sane_init.
    bool configure(const QStringList& lines)
    {
        QFile dll(m_dir.filePath(QStringLiteral("dll.conf")));
        QFile test(m_dir.filePath(QStringLiteral("test.conf")));
        if (!dll.open(QIODevice::WriteOnly) || !test.open(QIODevice::WriteOnly))
            return false;
        dll.write("test\n");
        QByteArray text = "number_of_devices 1\n";
        for (const QString& line : lines)
            text += line.toUtf8() + '\n';
        return test.write(text) == text.size();
    }

    // What scanimage reads with the same configuration, as 16-bit R, G, B (a grey
    // image spread to three channels); empty when it failed.
    static std::vector<std::uint16_t> scanimage(
        const QStringList& arguments, int* width, int* height, QString* error)
    {
        QProcess process;
        process.start(QStringLiteral("scanimage"),
            QStringList { QStringLiteral("-d"), QStringLiteral("test:0"), QStringLiteral("--format=pnm") }
                + arguments);
        if (!process.waitForFinished(60000) || process.exitCode() != 0) {
            *error = QString::fromLocal8Bit(process.readAllStandardError());
            return {};
        }
        const QByteArray data = process.readAllStandardOutput();
        // "P6\n# comment\nW H\nMAX\n" then the samples, big-endian at 16 bits.
        int position = 0;
        QList<QByteArray> fields;
        while (fields.size() < 4 && position < data.size()) {
            if (data.at(position) == '#') {
                position = data.indexOf('\n', position) + 1;
                continue;
            }
            int end = position;
            while (end < data.size() && !QChar(data.at(end)).isSpace())
                ++end;
            if (end > position)
                fields << data.mid(position, end - position);
            position = end + 1;
        }
        if (fields.size() < 4) {
            *error = QStringLiteral("no PNM header");
            return {};
        }
        const int channels = fields.at(0) == "P6" ? 3 : 1;
        *width = fields.at(1).toInt();
        *height = fields.at(2).toInt();
        const bool wide = fields.at(3).toInt() > 255;
        const std::size_t samples = std::size_t(*width) * std::size_t(*height) * std::size_t(channels);
        if (std::size_t(data.size() - position) < samples * (wide ? 2 : 1)) {
            *error = QStringLiteral("short PNM");
            return {};
        }
        const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData() + position);
        std::vector<std::uint16_t> rgb;
        rgb.reserve(std::size_t(*width) * std::size_t(*height) * 3);
        for (std::size_t i = 0; i < samples; ++i) {
            const std::uint16_t value
                = wide ? std::uint16_t(bytes[2 * i] << 8 | bytes[2 * i + 1]) : std::uint16_t(bytes[i] * 257);
            for (int copy = 0; copy < 4 - channels; ++copy)
                rgb.push_back(value);
        }
        return rgb;
    }

private:
    QTemporaryDir m_dir;
};
