// korvane-process killed with SIGKILL at random moments of writing its final TIFF or JPEG:
// the final name afterwards holds nothing or the whole file, and what the killed run left
// behind is removed by the next run into that folder.

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

QStringList hiddenEntries(const QString& folder)
{
    return QDir(folder)
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
        .filter(QRegularExpression(QStringLiteral("^\\.")));
}

} // namespace

class TestKilledWrites : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void killedWhileWriting_data();
    void killedWhileWriting();

private:
    // Starts the tool and waits until its pipeline is done: what follows is the write.
    bool startAndWaitForTheWrite(QProcess& tool, const QString& output);

    QTemporaryDir m_folder;
    QString m_input;
    QString m_profile;
};

void TestKilledWrites::initTestCase()
{
    QVERIFY(m_folder.isValid());
    QVERIFY(QFile::exists(QStringLiteral(KORVANE_PROCESS_PATH)));
    QDir::setCurrent(QCoreApplication::applicationDirPath()); // the tool's data folder
    m_input = m_folder.filePath(QStringLiteral("dump.tif"));
    QVERIFY(writeInput(m_input));
    m_profile = QStringLiteral(KORVANE_TEST_DATA_DIR "/profiles/handwritten.kor");
    QVERIFY(QFile::exists(m_profile));
}

bool TestKilledWrites::startAndWaitForTheWrite(QProcess& tool, const QString& output)
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

void TestKilledWrites::killedWhileWriting_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::newRow("TIFF") << QStringLiteral(".tif");
    QTest::newRow("JPEG") << QStringLiteral(".jpg");
}

void TestKilledWrites::killedWhileWriting()
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

QTEST_GUILESS_MAIN(TestKilledWrites)
#include "test_killedwrites.moc"
