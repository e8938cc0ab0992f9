#pragma once

#include <QCoreApplication>

class SingleApplication;

// Everything the program entry does once the application object exists: the
// language choice, the profile slots, the single-instance check, the scanner link
// behind the wait dialog and the main window's event loop.
class Startup
{
    Q_DECLARE_TR_FUNCTIONS(Startup)

public:
    static constexpr int kLinkTimeoutMilliseconds = 60000;

    // Runs the application on app; returns when it is over. The event loop's result
    // is not passed on: the program exits with 0 in every case.
    static void run(SingleApplication& app);

private:
    static void settleLanguage(bool mayAsk);
    static void installLanguage(int index);
    static void reportUnusableFolder(const QString& folder);
    static void reportAnotherInstance(SingleApplication& app);
    static void runFirstInstance(SingleApplication& app);
};
