#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// The program's own options: --help, --version and --scanner NAME. Read before the
// application object exists, so that --help and --version work without a display.
// Options with one dash belong to Qt (-platform, -style ...), which takes them with
// their values later; other words are left to it as well.
class CommandLine
{
    Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
    enum class Action { Run, Help, Version, Error };

    // arguments as in argv, the program first.
    static CommandLine parse(const QStringList& arguments);

    Action action() const { return m_action; }
    // The scanner to link for this run; empty when none was given.
    QString scanner() const { return m_scanner; }
    // The reason for Action::Error, a sentence for the terminal.
    QString error() const { return m_error; }

    static QString helpText();
    static QString versionText();
    // What main() prints and returns for an action other than Run.
    QString output() const;
    int exitCode() const;
    // For an action other than Run: prints output() in the terminal's language
    // (LANG), help and version to standard output, errors to standard error, and
    // returns exitCode(). Needs no display.
    int answer(int& argc, char** argv) const;

private:
    Action m_action = Action::Run;
    QString m_scanner;
    QString m_error;
};
