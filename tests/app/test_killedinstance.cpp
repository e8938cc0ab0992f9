// The real program killed with SIGKILL, then started again at once. A killed first
// instance leaves its shared-memory block (and the block's semaphore) behind; the next
// start within 2 s must still pass the single-instance check and link to the scanner,
// and a start beside a live instance must still be refused. The program runs offscreen
// with a temporary folder of its own: Qt derives the block's system key from a file in
// that folder, so the block is this test's alone.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSharedMemory>
#include <QStandardPaths>
#include <QSystemSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

namespace
{

constexpr int kWaitMs = 60000;
constexpr int kRestartWithinMs = 2000;
const QByteArray kLinked = "link result 1";
const QByteArray kRefused = "another instance owns the block";

// One start of the program, its standard error collected as it comes.
class Instance
{
public:
    explicit Instance(const QProcessEnvironment& environment)
    {
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral(KORVANE_PROGRAM_PATH), QStringList());
    }
    ~Instance() { kill(); }

    bool started() { return m_process.waitForStarted(kWaitMs); }

    // Whether text appears in the output within milliseconds; false at once when the
    // program ends first or says the other thing.
    bool waitFor(const QByteArray& text, const QByteArray& other, int milliseconds)
    {
        QElapsedTimer timer;
        timer.start();
        while (!(m_output += m_process.readAll()).contains(text)) {
            const qint64 left = milliseconds - timer.elapsed();
            if (left <= 0 || m_process.state() != QProcess::Running || m_output.contains(other))
                return false;
            m_process.waitForReadyRead(int(std::min<qint64>(left, 200)));
        }
        return true;
    }

    bool running() const { return m_process.state() == QProcess::Running; }

    // SIGKILL; true once the process is gone.
    bool kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return true;
        m_process.kill();
        return m_process.waitForFinished(kWaitMs);
    }

    QByteArray output() { return m_output += m_process.readAll(); }

private:
    QProcess m_process;
    QByteArray m_output;
};

} // namespace

class TestKilledInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void nextStartAfterAKill_data();
    void nextStartAfterAKill();

private:
    QTemporaryDir m_temporary; // the program's TMPDIR, where Qt keeps the block's key files
    QTemporaryDir m_runtime;
    QProcessEnvironment m_environment;
};

void TestKilledInstance::initTestCase()
{
    QVERIFY(QFile::exists(QStringLiteral(KORVANE_PROGRAM_PATH)));
    QVERIFY(m_temporary.isValid());
    QVERIFY(m_runtime.isValid());
    QVERIFY(QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    // A stored language: no language question before the single-instance check.
    const QString korvane
        = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QStringLiteral("/Korvane");
    QVERIFY(QDir().mkpath(korvane));
    QFile lang(korvane + QStringLiteral("/lang.ini"));
    QVERIFY(lang.open(QIODevice::WriteOnly));
    lang.write("[General]\nLang=0\n");
    lang.close();

    m_environment = QProcessEnvironment::systemEnvironment();
    m_environment.insert(QStringLiteral("TMPDIR"), m_temporary.path());
    m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    m_environment.insert(QStringLiteral("QT_LOGGING_RULES"),
        QStringLiteral("korvane.app.single.debug=true;korvane.scanner.device.debug=true"));
}

void TestKilledInstance::cleanupTestCase()
{
    // Every instance is gone: remove the block and the semaphore the last kill left, in
    // the same folder the program used.
    const QByteArray previous = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(m_temporary.path()));
    {
        QSharedMemory block(QStringLiteral("KorvaneLock"));
        if (block.attach())
            block.detach();
        QSystemSemaphore semaphore(QStringLiteral("KorvaneLock"), 1, QSystemSemaphore::Create);
    }
    qputenv("TMPDIR", previous);
}

void TestKilledInstance::nextStartAfterAKill_data()
{
    QTest::addColumn<bool>("linkedFirst");
    QTest::addColumn<int>("kills");
    QTest::newRow("killed with its window up") << true << 1;
    QTest::newRow("killed while it starts") << false << 1;
    QTest::newRow("killed three times in a row") << true << 3;
}

void TestKilledInstance::nextStartAfterAKill()
{
    QFETCH(bool, linkedFirst);
    QFETCH(int, kills);
    QRandomGenerator random(QRandomGenerator::global()->generate());

    auto current = std::make_unique<Instance>(m_environment);
    QVERIFY(current->started());
    for (int kill = 0; kill < kills; ++kill) {
        if (linkedFirst)
            QVERIFY2(current->waitFor(kLinked, kRefused, kWaitMs), current->output().constData());
        else
            QThread::msleep(random.bounded(300u));
        QVERIFY(current->kill());
        QElapsedTimer sinceKill;
        sinceKill.start();

        current = std::make_unique<Instance>(m_environment);
        QVERIFY(current->started());
        const qint64 startedAfter = sinceKill.elapsed();
        QVERIFY2(startedAfter < kRestartWithinMs, qPrintable(QString::number(startedAfter)));
        QVERIFY2(current->waitFor(kLinked, kRefused, kWaitMs), current->output().constData());
        qInfo("kill %d: started again %lld ms after it, linked %lld ms after it", kill + 1, startedAfter,
            sinceKill.elapsed());
    }
    // Linked, the main window is shown next and the program stays in its event loop.
    QThread::msleep(500);
    QVERIFY2(current->running(), current->output().constData());

    // The check still works: a start beside the live instance is refused.
    Instance beside(m_environment);
    QVERIFY(beside.started());
    QVERIFY2(beside.waitFor(kRefused, kLinked, kWaitMs), beside.output().constData());
    QVERIFY(beside.kill());
    QVERIFY(current->running());
    QVERIFY(current->kill());
}

QTEST_GUILESS_MAIN(TestKilledInstance)
#include "test_killedinstance.moc"
