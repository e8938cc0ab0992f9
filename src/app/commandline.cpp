#include "commandline.h"

#include <QLocale>
#include <QTranslator>

#include <cstdio>

namespace
{
const QString kScannerOption = QStringLiteral("--scanner");
}

CommandLine CommandLine::parse(const QStringList& arguments)
{
    CommandLine line;
    auto fail = [&line](const QString& reason) {
        line.m_action = Action::Error;
        line.m_error = reason;
        line.m_scanner.clear();
        return line;
    };
    bool help = false;
    bool version = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            help = true;
        } else if (argument == QLatin1String("--version") || argument == QLatin1String("-v")) {
            version = true;
        } else if (argument == kScannerOption || argument.startsWith(kScannerOption + QLatin1Char('='))) {
            QString name;
            if (argument == kScannerOption) {
                if (i + 1 >= arguments.size())
                    return fail(tr("The option --scanner needs the name of a scanner."));
                name = arguments.at(++i);
            } else {
                name = argument.mid(kScannerOption.size() + 1);
            }
            if (name.trimmed().isEmpty())
                return fail(tr("The option --scanner needs the name of a scanner."));
            if (!line.m_scanner.isEmpty() && line.m_scanner != name)
                return fail(tr("The option --scanner may be given once."));
            line.m_scanner = name.trimmed();
        } else if (argument.startsWith(QLatin1String("--"))) {
            return fail(tr("Unknown option %1.").arg(argument));
        }
    }
    // Help wins over version, as both only print.
    if (help)
        line.m_action = Action::Help;
    else if (version)
        line.m_action = Action::Version;
    return line;
}

QString CommandLine::helpText()
{
    return tr("Usage: korvane [--scanner NAME]\n"
              "Scans film and slides with the simulated scanner or a scanner that SANE supports.\n"
              "\n"
              "Options:\n"
              "  --scanner NAME  link to this scanner for this run, without asking and without\n"
              "                  changing the scanner chosen in File > Scanner...: \"simulator\"\n"
              "                  or a device name as \"scanimage -L\" prints it, e.g. test:0\n"
              "  -h, --help      show this help and exit\n"
              "  -v, --version   show the version and exit\n");
}

QString CommandLine::versionText()
{
    return QStringLiteral("korvane %1\n").arg(QStringLiteral(KORVANE_VERSION));
}

QString CommandLine::output() const
{
    switch (m_action) {
    case Action::Help:
        return helpText();
    case Action::Version:
        return versionText();
    case Action::Error:
        return m_error + QLatin1Char('\n') + tr("Try \"korvane --help\".") + QLatin1Char('\n');
    case Action::Run:
        break;
    }
    return QString();
}

int CommandLine::exitCode() const
{
    return m_action == Action::Error ? 1 : 0;
}

int CommandLine::answer(int& argc, char** argv) const
{
    QCoreApplication app(argc, argv);
    QTranslator translator;
    if (translator.load(QLocale(), QStringLiteral("korvane"), QStringLiteral("_"),
            QCoreApplication::applicationDirPath() + QStringLiteral("/translator")))
        QCoreApplication::installTranslator(&translator);
    // Parsed again now that the translator is in: the texts are made when asked for.
    const CommandLine translated = parse(QCoreApplication::arguments());
    std::FILE* stream = translated.m_action == Action::Error ? stderr : stdout;
    std::fputs(translated.output().toLocal8Bit().constData(), stream);
    return translated.exitCode();
}
