#pragma once

#include <QCoreApplication>

class EditorPrompts;
class SingleApplication;

// Everything the program entry does once the application object exists: the
// language choice, the profile slots, the single-instance check, the scanner link
// behind the wait dialog and the main window's event loop.
class Startup
{
    Q_DECLARE_TR_FUNCTIONS(Startup)

public:
    // Runs the application on app; returns when it is over. The event loop's result
    // is not passed on: the program exits with 0 in every case. scanner, when given
    // (the command line's --scanner), is linked for this run without asking and
    // without changing the remembered choice. prompts shows every box of the start-up
    // and of the main window (null: the native ones).
    static void run(
        SingleApplication& app, const QString& scanner = QString(), EditorPrompts* prompts = nullptr);

private:
    static void settleLanguage(bool mayAsk);
    static void installLanguage(int index);
    static void reportUnusableFolder(EditorPrompts& prompts, const QString& folder);
    static void reportAnotherInstance(EditorPrompts& prompts, SingleApplication& app);
    static void runFirstInstance(EditorPrompts& prompts, SingleApplication& app, const QString& scanner);
    // The scanner to link: the one given, else the remembered one, else on a start
    // that never chose one and finds SANE devices, the user's answer.
    static QString scannerToLink(const QString& given);
};
