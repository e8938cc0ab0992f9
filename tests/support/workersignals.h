#pragma once

#include <scannersdk.h>
#include <stimage.h>

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

// Receives the worker's signals on the test's own thread (queued, as the interface
// does) and hands them on, so the spies are only ever touched by one thread.
class WorkerSignals : public QObject
{
    Q_OBJECT

public:
    explicit WorkerSignals(ScannerSDK* sdk);
    // Delivers what the worker has already sent: a request's outcome comes just after
    // its result, and a queued signal destroyed undelivered is a hand-over from the
    // worker's thread that the thread sanitizer cannot see.
    ~WorkerSignals() override;

    QStringList order;
    QList<qint64> times;
    QElapsedTimer clock;

signals:
    void preScan(STImage image);
    void scanImage(QString path);
    void linkReady();
    void linkFailure();
    void disconnected();
    void scanKey();
    void inquiry(QByteArray info);
    void gotParameters(QByteArray record);
    void setParameters();
    void firmwareDone();
    void firmwareFailed();
    // A prescan or scan that failed, after its result (it came first once).
    void requestFailed(int request, QString reason);
    void ended(RequestOutcome outcome);
    void progress(int percent);

private:
    void note(const QString& name)
    {
        order << name;
        times << clock.elapsed();
    }
};
