// A custom profile save interrupted by SIGKILL. The saving side is a copy of this program
// in a helper mode: a driver that saves two profiles in turn into custom slot 1 through
// manager::setProfile, the very call the profile editor and the import make, over and
// over until it is killed. Afterwards the profile file must hold one of the two whole
// profiles (pugixml parses it, the program's own load gives every value back), and what
// a killed save left behind must be gone after the next start.

#include "hiddenentries.h"

#include <manager.h>
#include <outputcommit.h>
#include <scanprofile.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

#include <pugixml.hpp>

#include <cstring>
#include <unistd.h>

namespace
{

constexpr int kWaitMs = 60000;
constexpr int kKills = 50;
constexpr int kSlot = manager::kFirstCustomSlot;

// Two profiles that differ in every field the file holds, so that a mix of the two
// cannot pass for either.
ScanProfile savedProfile(int which)
{
    const bool second = which % 2 == 1;
    ScanProfile profile;
    profile.setMode(second ? ScanProfile::FilmMode : ScanProfile::SlideMode);
    SlideSettings slide;
    slide.description = second ? QStringLiteral("Second & \"last\"") : QStringLiteral("First <slides>");
    slide.scanningTarget = second ? 3 : 1;
    slide.resolution = second ? 0 : 1;
    slide.colourDepth = second ? 1 : 0;
    slide.directory = second ? QStringLiteral("/tmp/second") : QStringLiteral("/tmp/first");
    slide.prefix = second ? QStringLiteral("Two") : QStringLiteral("One");
    slide.fileFormat = second ? 1 : 0;
    slide.multipass = { second, second ? 4 : 2 };
    slide.saturation = { !second, second ? -30 : 25 };
    slide.brightness = { second, second ? 12 : -7 };
    slide.suggestedText = QString(second ? 600 : 400, second ? QLatin1Char('b') : QLatin1Char('a'));
    profile.setSlideSettings(slide);
    FilmSettings film;
    film.description = second ? QStringLiteral("Film two") : QStringLiteral("Film one");
    film.scanningTarget = second ? 2 : 1;
    film.noiseReduction = { second, second ? 3 : 1 };
    film.autoColour = { !second, 0 };
    film.brightness = { second, second ? 40 : -40 };
    film.suggestedText = second ? QStringLiteral("Negative Color") : QStringLiteral("Positive Color");
    profile.setFilmSettings(film);
    return profile;
}

bool sameSettings(const ScanProfile& a, const ScanProfile& b)
{
    return a.isSlideMode() == b.isSlideMode() && a.slideSettings() == b.slideSettings()
        && a.filmSettings() == b.filmSettings();
}

// The helper mode: saves until killed. 'b' and 'e' on standard output (unbuffered) mark
// the start and end of every save, so that the test can tell where the kill landed.
int runSaveLoop(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    manager* data = manager::instance();
    data->initProfiles();
    (void)!::write(STDOUT_FILENO, "r", 1);
    for (int which = 0;; ++which) {
        (void)!::write(STDOUT_FILENO, "b", 1);
        if (!data->setProfile(kSlot, savedProfile(which)))
            return 1;
        (void)!::write(STDOUT_FILENO, "e", 1);
    }
}

} // namespace

class TestInterruptedProfileSaves : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void killedWhileSaving();
    void leftTemporaryIsNeitherLoadedNorKept_data();
    void leftTemporaryIsNeitherLoadedNorKept();

private:
    // Which of the two saved profiles the file holds: 0 or 1, -1 for neither.
    static int whichProfile(const QString& path);
};

void TestInterruptedProfileSaves::initTestCase()
{
    manager::instance()->initProfiles();
    QVERIFY(manager::instance()->setProfile(kSlot, savedProfile(0)));
    QCOMPARE(whichProfile(manager::customProfilePath(kSlot)), 0);
    QCOMPARE(whichProfile(manager::customProfilePath(kSlot + 1)), -1);
}

int TestInterruptedProfileSaves::whichProfile(const QString& path)
{
    // Whole and well-formed for pugixml, not only for our reader, which would take a
    // file cut after the root's end.
    pugi::xml_document document;
    if (!document.load_file(QFile::encodeName(path).constData()))
        return -1;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.readAll().endsWith("</KorObject>\n"))
        return -1;
    ScanProfile loaded;
    if (!loaded.load(path))
        return -1;
    for (int which = 0; which < 2; ++which) {
        if (sameSettings(loaded, savedProfile(which)))
            return which;
    }
    return -1;
}

void TestInterruptedProfileSaves::killedWhileSaving()
{
    const QString target = manager::customProfilePath(kSlot);
    const QString folder = manager::dataFolder();

    // The length of one save here gives the spread of the kills.
    QElapsedTimer timer;
    timer.start();
    for (int which = 1; which <= 20; ++which)
        QVERIFY(manager::instance()->setProfile(kSlot, savedProfile(which)));
    const qint64 saveMicroseconds = std::max<qint64>(timer.nsecsElapsed() / 1000 / 20, 50);

    QRandomGenerator random(QRandomGenerator::global()->generate());
    int inSave = 0; // kills that landed between the start and the end of a save
    int leftBehind = 0; // kills after which a temporary file was left
    int saves = 0;
    int held[2] = { 0, 0 };
    for (int kill = 0; kill < kKills; ++kill) {
        QProcess saver;
        saver.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--save-loop") });
        QVERIFY(saver.waitForStarted(kWaitMs));
        QByteArray out;
        while (!out.contains('r')) {
            QVERIFY2(saver.waitForReadyRead(kWaitMs), saver.readAllStandardError().constData());
            out += saver.readAllStandardOutput();
        }
        // Anywhere in the first few saves.
        QThread::usleep(unsigned(random.bounded(quint32(saveMicroseconds * 6))));
        QVERIFY(saver.state() == QProcess::Running);
        saver.kill();
        QVERIFY(saver.waitForFinished(kWaitMs));
        QCOMPARE(saver.exitStatus(), QProcess::CrashExit);
        out += saver.readAllStandardOutput();
        inSave += out.endsWith('b') ? 1 : 0;
        saves += int(out.count('e'));

        const int which = whichProfile(target);
        QVERIFY2(which >= 0,
            qPrintable(QStringLiteral("kill %1: %2 is not a whole saved profile").arg(kill).arg(target)));
        ++held[which];
        const QStringList hidden = hiddenEntries(folder);
        for (const QString& name : hidden)
            QVERIFY2(OutputCommit::isTemporary(name), qPrintable(name));
        leftBehind += hidden.isEmpty() ? 0 : 1;
    }

    // The next start clears what the killed saves left and loads a whole profile.
    manager::instance()->initProfiles();
    QCOMPARE(hiddenEntries(folder), QStringList());
    const int which = whichProfile(target);
    QVERIFY(which >= 0);
    QVERIFY(sameSettings(manager::instance()->profile(kSlot), savedProfile(which)));
    qInfo("%d kills, %d saves done, a save takes %lld us: %d kills landed inside a save, %d left a "
          "temporary file; the file held the first profile %d times, the second %d times",
        kKills, saves, saveMicroseconds, inSave, leftBehind, held[0], held[1]);
    // The kills are spread over the saves, not all between them.
    QVERIFY(inSave > 0);
}

void TestInterruptedProfileSaves::leftTemporaryIsNeitherLoadedNorKept_data()
{
    QTest::addColumn<bool>("oldFile");
    QTest::newRow("beside the old file") << true;
    QTest::newRow("killed in the slot's first save") << false;
}

// A save killed between its write and its rename leaves a whole profile under a name
// that contains the slot's file name; a later start must neither load it nor keep it.
// The slot keeps the old file, or without one the built-in profile.
void TestInterruptedProfileSaves::leftTemporaryIsNeitherLoadedNorKept()
{
    QFETCH(bool, oldFile);
    const QString target = manager::customProfilePath(kSlot);
    QVERIFY(manager::instance()->setProfile(kSlot, savedProfile(0)));
    if (!oldFile)
        QVERIFY(QFile::remove(target));
    // The id of a process that has ended (QProcess forgets it once the process is gone).
    QProcess ended;
    ended.start(QStringLiteral("sleep"), { QStringLiteral("0.01") });
    QVERIFY(ended.waitForStarted(5000));
    const qint64 pid = ended.processId();
    QVERIFY(ended.waitForFinished(5000));
    QVERIFY(OutputCommit::processGone(pid));
    const QString abandoned = QFileInfo(target).path() + QStringLiteral("/.") + QFileInfo(target).fileName()
        + QLatin1Char('.') + OutputCommit::hostTag() + QLatin1Char('.') + QString::number(pid)
        + QStringLiteral(".aB3dE5.part");
    QFile file(abandoned);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(savedProfile(1).toXml());
    file.close();

    manager::instance()->initProfiles();
    QVERIFY(!QFile::exists(abandoned));
    const ScanProfile slot = manager::instance()->profile(kSlot);
    QCOMPARE(slot.path(), target);
    if (oldFile) {
        QVERIFY(sameSettings(slot, savedProfile(0)));
    } else {
        QCOMPARE(slot.description(), QStringLiteral("Custom 1"));
        QCOMPARE(whichProfile(target), -1);
        QVERIFY(QFile::exists(target));
    }
}

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--save-loop") == 0)
        return runSaveLoop(argc, argv);
    QCoreApplication app(argc, argv);
    TestInterruptedProfileSaves test;
    const int result = QTest::qExec(&test, argc, argv);
    manager::release();
    return result;
}

#include "test_interruptedprofilesaves.moc"
