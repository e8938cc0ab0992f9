#include "singleapplication.h"

#include "messageblock.h"

#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcSingleApplication, "korvane.app.single", QtInfoMsg)

static_assert(SingleApplication::kBlockSize == MessageBlock::kBlockSize, "one block size");

namespace
{

#ifdef Q_OS_UNIX
// A System V segment outlives a process that crashed, and would make every later
// start believe an instance is running. Attaching and detaching removes a segment
// that nobody else is attached to (Qt destroys it on the last detach), while the
// segment of a live first instance stays untouched.
void clearStaleSegment(const QString& key)
{
    QSharedMemory probe(key);
    if (probe.attach())
        probe.detach();
}
#endif

} // namespace

SingleApplication::SingleApplication(int& argc, char** argv, const QString& key)
    : QApplication(argc, argv)
    , m_sharedMemory(key)
{
#ifdef Q_OS_UNIX
    clearStaleSegment(key);
#endif
    if (m_sharedMemory.create(kBlockSize, QSharedMemory::ReadWrite)) {
        m_sharedMemory.lock();
        static_cast<char*>(m_sharedMemory.data())[0] = 0;
        m_sharedMemory.unlock();
        m_isRunning = false;
        m_pollTimer = new QTimer(this);
        connect(m_pollTimer, &QTimer::timeout, this, &SingleApplication::checkForMessage);
        m_pollTimer->start(kPollMilliseconds);
    } else if (m_sharedMemory.attach(QSharedMemory::ReadWrite)) {
        m_isRunning = true;
        qCDebug(lcSingleApplication) << "another instance owns the block" << key;
    } else {
        // Neither created nor found: run as a lone instance without the channel.
        qCWarning(lcSingleApplication)
            << "single-instance block unavailable:" << m_sharedMemory.errorString();
    }
}

SingleApplication::~SingleApplication() = default;

bool SingleApplication::sendMessage(const QString& text)
{
    if (!m_isRunning)
        return false;
    if (!m_sharedMemory.lock())
        return false;
    const int size = qMin(m_sharedMemory.size(), kBlockSize);
    const bool written = MessageBlock::append(static_cast<char*>(m_sharedMemory.data()), size, text);
    m_sharedMemory.unlock();
    if (!written)
        qCWarning(lcSingleApplication) << "message does not fit in the block:" << text;
    return written;
}

void SingleApplication::checkForMessage()
{
    if (!m_sharedMemory.isAttached() || !m_sharedMemory.lock())
        return;
    const int size = qMin(m_sharedMemory.size(), kBlockSize);
    const QStringList messages = MessageBlock::takeAll(static_cast<char*>(m_sharedMemory.data()), size);
    m_sharedMemory.unlock();
    if (!messages.isEmpty())
        emit messageAvailable(messages);
}
