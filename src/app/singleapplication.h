#pragma once

#include <QApplication>
#include <QSharedMemory>
#include <QStringList>

class QTimer;

// The application object that lets one instance run: the first instance owns a
// shared memory block and polls it for messages that later instances leave there.
//
// Threads: main thread only. The block is shared with other processes and touched
// only between its lock and unlock.
class SingleApplication : public QApplication
{
    Q_OBJECT

public:
    static constexpr int kBlockSize = 5000;
    static constexpr int kPollMilliseconds = 200;

    SingleApplication(int& argc, char** argv, const QString& key);
    ~SingleApplication() override;

    // True when another instance already owns the block.
    bool isRunning() const { return m_isRunning; }
    // Leaves text for the first instance; false in the first instance itself, and
    // when the record does not fit in the block.
    bool sendMessage(const QString& text);

public slots:
    void checkForMessage();

signals:
    void messageAvailable(QStringList messages);

private:
    QSharedMemory m_sharedMemory;
    bool m_isRunning = false;
    QTimer* m_pollTimer = nullptr;
};
