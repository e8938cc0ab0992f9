// korvane-process interrupted while it writes its final TIFF or JPEG. Killed with SIGKILL
// at random moments of the write: the final name afterwards holds nothing or the whole
// file, and what the killed run left behind is removed by the next run into that folder.
// On a full disk (a file-size limit): the failure is reported, no partial file is left and
// the files already in the folder are unchanged.

#include "hiddenentries.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <tiffio.h>

#include <vector>

namespace
{

constexpr int kWaitMs = 120000;
constexpr int kKills = 50;
constexpr uint32_t kWidth = 800;
constexpr uint32_t kHeight = 600;

bool writeInput(const QString& path)
{
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tiff)
        return false;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 1800.f);
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 1800.f);
    std::vector<std::uint16_t> row(std::size_t(kWidth) * 3);
    QRandomGenerator random(17);
    bool ok = true;
    for (uint32_t y = 0; y < kHeight && ok; ++y) {
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = std::uint16_t(8000 + (i * 37 + y * 91) % 40000 + random.bounded(2000));
        ok = TIFFWriteScanline(tiff, row.data(), y) >= 0;
    }
    TIFFClose(tiff);
    return ok;
}

// The whole file is there: libtiff reads every row, or the JPEG ends with its end marker
// and decodes at full size.
bool complete(const QString& path)
{
    if (path.endsWith(QLatin1String(".jpg"))) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const QByteArray bytes = file.readAll();
        if (!bytes.endsWith("\xff\xd9"))
            return false;
        QImageReader reader(path);
        return reader.read().size() == QSize(int(kWidth), int(kHeight));
    }
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tiff)
        return false;
    uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    std::vector<unsigned char> row(std::size_t(TIFFScanlineSize(tiff)));
    bool ok = width == kWidth && height == kHeight;
    for (uint32_t y = 0; y < height && ok; ++y)
        ok = TIFFReadScanline(tiff, row.data(), y) >= 0;
    TIFFClose(tiff);
    return ok;
}

} // namespace

class TestInterruptedWrites : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void killedWhileWriting_data();
    void killedWhileWriting();
    void fullDisk_data();
    void fullDisk();

private:
    // Starts the tool and waits until its pipeline is done: what follows is the write.
    bool startAndWaitForTheWrite(QProcess& tool, const QString& output);

    QTemporaryDir m_folder;
    QString m_input;
    QString m_profile;
    QString m_qualityProfile;
};

void TestInterruptedWrites::initTestCase()
{
    QVERIFY(m_folder.isValid());
    QVERIFY(QFile::exists(QStringLiteral(KORVANE_PROCESS_PATH)));
    QDir::setCurrent(QCoreApplication::applicationDirPath()); // the tool's data folder
    m_input = m_folder.filePath(QStringLiteral("dump.tif"));
    QVERIFY(writeInput(m_input));
    m_profile = QStringLiteral(KORVANE_TEST_DATA_DIR "/profiles/handwritten.kor");
    QVERIFY(QFile::exists(m_profile));
    // The same profile asking Quality in both modes: model 84 then writes at 10000 dpi.
    QFile profile(m_profile);
    QVERIFY(profile.open(QIODevice::ReadOnly));
    QFile quality(m_folder.filePath(QStringLiteral("quality.kor")));
    QVERIFY(quality.open(QIODevice::WriteOnly));
    quality.write(profile.readAll().replace("resolution=\"1\"", "resolution=\"0\""));
    m_qualityProfile = quality.fileName();
}

bool TestInterruptedWrites::startAndWaitForTheWrite(QProcess& tool, const QString& output)
{
    tool.start(QStringLiteral(KORVANE_PROCESS_PATH),
        { QStringLiteral("--profile"), m_profile, QStringLiteral("--model"), QStringLiteral("83"), m_input,
            output });
    if (!tool.waitForStarted(kWaitMs))
        return false;
    QByteArray out;
    while (!out.contains("pipeline")) {
        if (!tool.waitForReadyRead(kWaitMs))
            return false;
        out += tool.readAllStandardOutput();
    }
    return true;
}

void TestInterruptedWrites::killedWhileWriting_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::newRow("TIFF") << QStringLiteral(".tif");
    QTest::newRow("JPEG") << QStringLiteral(".jpg");
}

void TestInterruptedWrites::killedWhileWriting()
{
    QFETCH(QString, suffix);
    QTemporaryDir out;
    QVERIFY(out.isValid());

    // An undisturbed run gives the length of the write.
    QProcess first;
    QVERIFY(startAndWaitForTheWrite(first, out.filePath(QStringLiteral("first") + suffix)));
    QElapsedTimer timer;
    timer.start();
    QVERIFY(first.waitForFinished(kWaitMs));
    QCOMPARE(first.exitCode(), 0);
    const qint64 writeMicroseconds = std::max<qint64>(timer.nsecsElapsed() / 1000, 1000);
    QVERIFY(complete(out.filePath(QStringLiteral("first") + suffix)));

    QRandomGenerator random(QRandomGenerator::global()->generate());
    int kills = 0;
    int leftBehind = 0; // kills after which a temporary file or work folder was left
    int written = 0; // kills that came after the final name was in place
    for (int attempt = 0; kills < kKills && attempt < 4 * kKills; ++attempt) {
        const QString output = out.filePath(QStringLiteral("killed%1").arg(attempt) + suffix);
        QProcess tool;
        QVERIFY(startAndWaitForTheWrite(tool, output));
        // Anywhere in the write, and a little beyond it.
        QThread::usleep(unsigned(random.bounded(quint32(writeMicroseconds * 12 / 10))));
        if (tool.state() == QProcess::Running) {
            tool.kill();
            ++kills;
        }
        QVERIFY(tool.waitForFinished(kWaitMs));
        if (QFile::exists(output)) {
            QVERIFY2(complete(output), qPrintable(output));
            ++written;
        }
        if (!hiddenEntries(out.path()).isEmpty())
            ++leftBehind;
    }
    QCOMPARE(kills, kKills);

    // The next run into the folder removes what the killed ones left, and no more.
    QProcess next;
    QVERIFY(startAndWaitForTheWrite(next, out.filePath(QStringLiteral("next") + suffix)));
    QVERIFY(next.waitForFinished(kWaitMs));
    QCOMPARE(next.exitCode(), 0);
    QCOMPARE(hiddenEntries(out.path()), QStringList());
    QVERIFY(complete(out.filePath(QStringLiteral("next") + suffix)));
    QVERIFY(complete(out.filePath(QStringLiteral("first") + suffix)));
    qInfo("%d kills during a %lld us write: %d left temporary files, %d came after the final name", kills,
        writeMicroseconds, leftBehind, written);
    // The kills are spread over the write, not all before or after it.
    QVERIFY(leftBehind > 0);
}

void TestInterruptedWrites::fullDisk_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<int>("limitKilobytes");
    QTest::addColumn<QString>("model");
    // The TIFF is 2.8 MB, the JPEG about 25 kB; each limit lets the write start and fail.
    // Model 84 with Quality writes 10000 dpi through raw files in the work folder (2.8 and
    // 11.5 MB): the 11.5 MB TIFF, the 650 kB JPEG.
    QTest::newRow("TIFF, 1 MB left") << QStringLiteral(".tif") << 1024 << "83";
    QTest::newRow("TIFF, nothing left") << QStringLiteral(".tif") << 0 << "83";
    QTest::newRow("JPEG, 16 kB left") << QStringLiteral(".jpg") << 16 << "83";
    QTest::newRow("JPEG, nothing left") << QStringLiteral(".jpg") << 0 << "83";
    QTest::newRow("enlarged TIFF, 10 MB left") << QStringLiteral(".tif") << 10240 << "84";
    QTest::newRow("enlarged TIFF, 4 MB left") << QStringLiteral(".tif") << 4096 << "84";
    QTest::newRow("enlarged JPEG, 1 MB left") << QStringLiteral(".jpg") << 1024 << "84";
}

void TestInterruptedWrites::fullDisk()
{
    QFETCH(QString, suffix);
    QFETCH(int, limitKilobytes);
    QFETCH(QString, model);
    QTemporaryDir out;
    QVERIFY(out.isValid());
    // A file already in the folder, with a number the output would follow.
    const QString existing = out.filePath(QStringLiteral("Image0001") + suffix);
    {
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("a picture of the user's");
    }
    const QString output = out.filePath(QStringLiteral("Image0002") + suffix);

    // The limit stands for the disk: a write past it fails with EFBIG (the signal that
    // would kill the writer instead is ignored, as a full disk sends none).
    QProcess tool;
    const QString command
        = QStringLiteral("trap '' XFSZ; ulimit -f %1; exec \"$0\" \"$@\"").arg(limitKilobytes * 2);
    tool.start(QStringLiteral("/bin/sh"),
        { QStringLiteral("-c"), command, QStringLiteral(KORVANE_PROCESS_PATH), QStringLiteral("--profile"),
            model == QLatin1String("84") ? m_qualityProfile : m_profile, QStringLiteral("--model"), model,
            m_input, output });
    QVERIFY(tool.waitForFinished(kWaitMs));
    const QString error = QString::fromUtf8(tool.readAllStandardError());
    QVERIFY2(tool.exitStatus() == QProcess::NormalExit && tool.exitCode() > 0, qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("could not")), qPrintable(error));
    QVERIFY(!QFile::exists(output));
    QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList { QFileInfo(existing).fileName() });
    QFile file(existing);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("a picture of the user's"));
}

QTEST_GUILESS_MAIN(TestInterruptedWrites)
#include "test_interruptedwrites.moc"
