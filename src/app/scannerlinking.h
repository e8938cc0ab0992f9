#pragma once

#include <QCoreApplication>
#include <QString>

#include <functional>

class QWidget;
class ScannerSDK;
class ScannerList;

// Linking the worker to the chosen scanner behind the wait dialog, at start-up and
// from File > Scanner... A chosen scanner that cannot be reached is named in a
// message that says what to do, and the choice is offered again; cancelling it falls
// back to the simulated scanner, which is always there. Threads: main thread.
class ScannerLinking
{
    Q_DECLARE_TR_FUNCTIONS(ScannerLinking)

public:
    static constexpr int kLinkTimeoutMilliseconds = 60000;

    // The first link of the worker (start-up). True once some scanner linked.
    static bool linkFirst(ScannerSDK* worker, const QString& name, QWidget* parent);
    // Lets go of the linked scanner and links name instead.
    static bool relink(ScannerSDK* worker, const QString& name, QWidget* parent);

    // The choice of a scanner among list, current preselected; the chosen name is
    // remembered. Empty when cancelled.
    static QString choose(const ScannerList& list, const QString& current, QWidget* parent);

    // What the message says of a scanner that did not link: listed tells whether the
    // SANE device library still lists it.
    static QString failureText(const QString& name, bool listed);

private:
    static bool linkWithChoice(ScannerSDK* worker, QString name, bool first, QWidget* parent);
    // Runs start and waits behind the wait dialog for the link's outcome.
    static bool waitForLink(ScannerSDK* worker, const std::function<void()>& start, QWidget* parent);
};
