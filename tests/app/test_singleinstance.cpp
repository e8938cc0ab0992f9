// The single-instance channel between real processes. This program is the first
// instance itself (its application object owns a block under a key of its own) and
// starts copies of itself in helper modes for the other sides.
#include "languagedialog.h"
#include "sayingprompts.h"
#include "singleapplication.h"
#include "startup.h"

#include <QDateTime>
#include <QProcess>
#include <QSharedMemory>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace
{

QString s_key; // this test process's own block

qint64 now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

void say(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// A second copy of the program: the real start-up on a block that another process
// owns. Every modal window it raises is reported and answered.
int runSecondInstance(int argc, char** argv, const QString& key)
{
    SingleApplication app(argc, argv, key);
    say(QStringLiteral("running:%1").arg(app.isRunning()));
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* languages = qobject_cast<LanguageDialog*>(modal)) {
            say(QStringLiteral("language"));
            languages->accept();
        }
    });
    watcher.start(10);
    SayingPrompts boxes([](const QString& title, const QString& text) {
        say(QStringLiteral("box:%1|%2|%3").arg(title, text).arg(now()));
    });
    Startup::run(app, QString(), &boxes);
    say(QStringLiteral("done"));
    return 0;
}

// A first instance that reports what it finds, then quits.
int runFirstInstance(int argc, char** argv, const QString& key)
{
    SingleApplication app(argc, argv, key);
    say(QStringLiteral("running:%1").arg(app.isRunning()));
    return 0;
}

// Creates the block and dies without cleaning up, as a crashed first instance would.
int runCrashingHolder(const QString& key)
{
    QSharedMemory memory(key);
    if (!memory.create(SingleApplication::kBlockSize))
        return 2;
    say(QStringLiteral("held"));
    ::kill(::getpid(), SIGKILL);
    return 3;
}

QStringList runHelper(const QString& mode, const QString& key)
{
    QProcess helper;
    helper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    helper.start(QCoreApplication::applicationFilePath(), { mode, key });
    if (!helper.waitForFinished(20000)) {
        helper.kill();
        helper.waitForFinished(2000);
        return { QStringLiteral("timeout") };
    }
    return QString::fromUtf8(helper.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void firstInstancePollsAndRefusesToSend()
    {
        auto* app = qobject_cast<SingleApplication*>(QCoreApplication::instance());
        QVERIFY(app);
        QVERIFY(!app->isRunning());
        QVERIFY(!app->sendMessage(QStringLiteral("to myself")));
        const QList<QTimer*> timers = app->findChildren<QTimer*>();
        QCOMPARE(timers.size(), 1);
        QCOMPARE(timers.first()->interval(), 200);
        QVERIFY(timers.first()->isActive());
    }

    void secondInstanceLeavesTwoMessagesAndShowsItsBox()
    {
        auto* app = qobject_cast<SingleApplication*>(QCoreApplication::instance());
        QSignalSpy spy(app, &SingleApplication::messageAvailable);
        QVector<qint64> arrivals;
        QObject context; // ends the connection with this test
        connect(app, &SingleApplication::messageAvailable, &context, [&arrivals] { arrivals.append(now()); });

        QProcess helper;
        helper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        helper.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--second-instance"), s_key });
        QVERIFY(spy.wait(20000));
        QVERIFY(helper.state() == QProcess::NotRunning || helper.waitForFinished(20000));
        QCOMPARE(helper.exitCode(), 0);
        const QStringList lines
            = QString::fromUtf8(helper.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);

        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().first().toStringList(),
            QStringList({ QStringLiteral("I am another instance"),
                QStringLiteral("I want to send several message like argv if needed") }));

        // No language is stored yet, so the language question comes before the box.
        QCOMPARE(lines.value(0), QStringLiteral("running:1"));
        QCOMPARE(lines.value(1), QStringLiteral("language"));
        const QStringList box = lines.value(2).mid(4).split(QLatin1Char('|'));
        QVERIFY2(lines.value(2).startsWith(QStringLiteral("box:")), qPrintable(lines.join(QLatin1Char(' '))));
        QCOMPARE(box.value(0), QStringLiteral("Korvane"));
        QCOMPARE(box.value(1), QStringLiteral("Another program instance is already running, aborting."));
        QCOMPARE(lines.value(3), QStringLiteral("done"));

        // The messages are in the block before the box shows; one poll period (200 ms)
        // later they are read. The margin covers process scheduling on a busy machine.
        const qint64 shown = box.value(2).toLongLong();
        qInfo("messages read %lld ms after the box showed", arrivals.first() - shown);
        QVERIFY2(arrivals.first() - shown <= 200 + 250,
            qPrintable(QStringLiteral("read %1 ms after the box").arg(arrivals.first() - shown)));

        // The block is empty again.
        QSharedMemory reader(s_key);
        QVERIFY(reader.attach(QSharedMemory::ReadOnly));
        QVERIFY(reader.lock());
        const char first = static_cast<const char*>(reader.constData())[0];
        reader.unlock();
        QCOMPARE(first, char(0));
    }

    void checkForMessageDrainsRecordsWrittenByAnotherAttachment()
    {
        auto* app = qobject_cast<SingleApplication*>(QCoreApplication::instance());
        QSharedMemory writer(s_key);
        QVERIFY(writer.attach());
        QVERIFY(writer.lock());
        char* block = static_cast<char*>(writer.data());
        const char records[] = "\x03one\x03two";
        std::memcpy(block, records, sizeof records); // with its terminating zero
        writer.unlock();
        QSignalSpy spy(app, &SingleApplication::messageAvailable);
        app->checkForMessage();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().first().toStringList(), QStringList({ "one", "two" }));
        app->checkForMessage();
        QCOMPARE(spy.count(), 1); // an empty block emits nothing
    }

    void staleBlockOfACrashedInstanceIsCleared()
    {
        const QString key = s_key + QStringLiteral("-stale");
        QCOMPARE(runHelper(QStringLiteral("--crash-holder"), key), QStringList({ QStringLiteral("held") }));
        // The segment outlived its creator...
        QSharedMemory probe(key);
        QVERIFY(probe.attach());
        probe.detach(); // ...and is gone after the last detach
        QCOMPARE(runHelper(QStringLiteral("--crash-holder"), key), QStringList({ QStringLiteral("held") }));
        QCOMPARE(
            runHelper(QStringLiteral("--first-instance"), key), QStringList({ QStringLiteral("running:0") }));
    }

    void liveFirstInstanceIsStillFound()
    {
        QCOMPARE(runHelper(QStringLiteral("--first-instance"), s_key),
            QStringList({ QStringLiteral("running:1") }));
        auto* app = qobject_cast<SingleApplication*>(QCoreApplication::instance());
        QVERIFY(!app->isRunning());
        // The helper's attach and detach left the owner's block in place.
        QSharedMemory probe(s_key);
        QVERIFY(probe.attach());
    }
};

int main(int argc, char** argv)
{
    if (argc >= 3) {
        const QString mode = QString::fromLocal8Bit(argv[1]);
        const QString key = QString::fromLocal8Bit(argv[2]);
        int helperArgc = 1;
        if (mode == QLatin1String("--second-instance"))
            return runSecondInstance(helperArgc, argv, key);
        if (mode == QLatin1String("--first-instance"))
            return runFirstInstance(helperArgc, argv, key);
        if (mode == QLatin1String("--crash-holder"))
            return runCrashingHolder(key);
    }
    s_key = QStringLiteral("KorvaneLockTest-%1").arg(::getpid());
    SingleApplication app(argc, argv, s_key);
    TestSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_singleinstance.moc"
