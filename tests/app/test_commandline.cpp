// The program's own command-line options, parsed and as the real program answers them.
#include "commandline.h"

#include <QProcess>
#include <QtTest>

namespace
{

QProcess* runProgram(const QStringList& arguments, const QString& language)
{
    auto* program = new QProcess;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // No display: help, version and errors must not need one.
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("LANGUAGE"));
    environment.remove(QStringLiteral("LC_ALL"));
    environment.remove(QStringLiteral("LC_MESSAGES"));
    environment.insert(QStringLiteral("LANG"), language);
    program->setProcessEnvironment(environment);
    program->start(QStringLiteral(KORVANE_PROGRAM_PATH), arguments);
    return program;
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("scanner");
        QTest::addColumn<QString>("error");

        const int run = int(CommandLine::Action::Run);
        const int help = int(CommandLine::Action::Help);
        const int version = int(CommandLine::Action::Version);
        const int error = int(CommandLine::Action::Error);
        QTest::newRow("nothing") << QStringList() << run << ""
                                 << "";
        QTest::newRow("scanner, separate value") << QStringList({ "--scanner", "test:0" }) << run << "test:0"
                                                 << "";
        QTest::newRow("scanner, joined value") << QStringList({ "--scanner=test:0" }) << run << "test:0"
                                               << "";
        QTest::newRow("scanner with Qt's options around")
            << QStringList({ "-platform", "offscreen", "--scanner", "genesys:libusb:001:004", "-reverse" })
            << run << "genesys:libusb:001:004"
            << "";
        QTest::newRow("scanner given twice alike")
            << QStringList({ "--scanner", "a:0", "--scanner=a:0" }) << run << "a:0"
            << "";
        QTest::newRow("help") << QStringList({ "--help" }) << help << ""
                              << "";
        QTest::newRow("short help") << QStringList({ "-h" }) << help << ""
                                    << "";
        QTest::newRow("version") << QStringList({ "--version" }) << version << ""
                                 << "";
        QTest::newRow("short version") << QStringList({ "-v" }) << version << ""
                                       << "";
        QTest::newRow("help wins over version") << QStringList({ "--version", "--help" }) << help << ""
                                                << "";
        QTest::newRow("scanner without a value") << QStringList({ "--scanner" }) << error << ""
                                                 << "The option --scanner needs the name of a scanner.";
        QTest::newRow("scanner with an empty value") << QStringList({ "--scanner=" }) << error << ""
                                                     << "The option --scanner needs the name of a scanner.";
        QTest::newRow("two scanners")
            << QStringList({ "--scanner", "a:0", "--scanner", "b:0" }) << error << ""
            << "The option --scanner may be given once.";
        QTest::newRow("unknown long option") << QStringList({ "--scaner", "test:0" }) << error << ""
                                             << "Unknown option --scaner.";
        QTest::newRow("an error wins over help") << QStringList({ "--help", "--bogus" }) << error << ""
                                                 << "Unknown option --bogus.";
    }
    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, scanner);
        QFETCH(QString, error);
        const CommandLine line = CommandLine::parse(QStringList({ QStringLiteral("korvane") }) + arguments);
        QCOMPARE(int(line.action()), action);
        QCOMPARE(line.scanner(), scanner);
        QCOMPARE(line.error(), error);
        QCOMPARE(line.exitCode(), action == int(CommandLine::Action::Error) ? 1 : 0);
    }

    // The real program, without a display, in English and German.
    void programAnswers_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("help") << QStringList({ "--help" }) << "C.UTF-8" << 0
                              << "Usage: korvane [--scanner NAME]"
                              << "";
        QTest::newRow("help in German")
            << QStringList({ "--help" }) << "de_DE.UTF-8" << 0 << "Aufruf: korvane [--scanner NAME]"
            << "";
        QTest::newRow("version") << QStringList({ "--version" }) << "C.UTF-8" << 0
                                 << QStringLiteral("korvane " KORVANE_VERSION) << "";
        QTest::newRow("unknown option") << QStringList({ "--bogus" }) << "C.UTF-8" << 1 << ""
                                        << "Unknown option --bogus.\nTry \"korvane --help\".";
        QTest::newRow("unknown option in German") << QStringList({ "--bogus" }) << "de_DE.UTF-8" << 1 << ""
                                                  << "Unbekannte Option --bogus.";
    }
    void programAnswers()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, language);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        std::unique_ptr<QProcess> program(runProgram(arguments, language));
        QVERIFY(program->waitForFinished(10000));
        QCOMPARE(program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(program->exitCode(), exitCode);
        const QString stdoutText = QString::fromUtf8(program->readAllStandardOutput());
        const QString stderrText = QString::fromUtf8(program->readAllStandardError());
        if (out.isEmpty())
            QVERIFY2(stdoutText.isEmpty(), qPrintable(stdoutText));
        else
            QVERIFY2(stdoutText.startsWith(out), qPrintable(stdoutText));
        if (err.isEmpty())
            QVERIFY2(stderrText.isEmpty(), qPrintable(stderrText));
        else
            QVERIFY2(stderrText.startsWith(err), qPrintable(stderrText));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
