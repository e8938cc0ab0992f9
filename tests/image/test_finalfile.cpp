#include "finalfile.h"
#include "imagetesthelpers.h"
#include "outputcommit.h"
#include "outputname.h"

#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

#include <sys/stat.h>

using namespace ImageTest;

Q_DECLARE_METATYPE(FinalFile::Failure)

namespace
{

void touch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class TestFinalFile : public QObject
{
    Q_OBJECT

private slots:
    void nextFreeName_data()
    {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty folder") << QStringList() << "Image0001.tif";
        QTest::newRow("two taken") << QStringList { "Image0001.tif", "Image0002.tif" } << "Image0003.tif";
        QTest::newRow("a gap") << QStringList { "Image0002.tif" } << "Image0001.tif";
        QTest::newRow("other extension") << QStringList { "Image0001.jpg" } << "Image0001.tif";
        QTest::newRow("a folder takes the name") << QStringList { "dir:Image0001.tif" } << "Image0002.tif";
    }

    void nextFreeName()
    {
        QFETCH(QStringList, present);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        for (const QString& name : present) {
            if (name.startsWith("dir:"))
                QVERIFY(QDir(dir.path()).mkdir(name.mid(4)));
            else
                touch(dir.filePath(name));
        }
        QCOMPARE(OutputName::nextFree(dir.path(), "Image", ".tif"), dir.filePath(expected));
    }

    void numbersStopAt9998()
    {
        QSet<QString> taken;
        for (int n = 1; n <= 9997; ++n)
            taken.insert(QStringLiteral("S%1.jpg").arg(n, 4, 10, QLatin1Char('0')));
        QCOMPARE(OutputName::nextFreeAmong(taken, "/f", "S", ".jpg"), QStringLiteral("/f/S9998.jpg"));
        taken.insert(QStringLiteral("S9998.jpg"));
        QVERIFY(OutputName::nextFreeAmong(taken, "/f", "S", ".jpg").isEmpty()); // 9999 is never used
        taken.remove(QStringLiteral("S0500.jpg"));
        QCOMPARE(OutputName::nextFreeAmong(taken, "/f", "S", ".jpg"), QStringLiteral("/f/S0500.jpg"));
    }

    void abandonedTemporariesAreRemoved()
    {
        // A process that has ended: its id names no running process any more.
        QProcess ended;
        ended.start(QStringLiteral("true"), QStringList());
        QVERIFY(ended.waitForFinished(5000));
        const qint64 gone = ended.processId() > 0 ? ended.processId() : 0;
        QProcess running;
        running.start(QStringLiteral("sleep"), { QStringLiteral("30") });
        QVERIFY(running.waitForStarted(5000));
        const QString alive = QString::number(running.processId());
        const QString own = QString::number(QCoreApplication::applicationPid());
        const QString host = OutputCommit::hostTag();
        const QString otherHost = host + QStringLiteral("-other");

        QTemporaryDir dir;
        const QString dead = QString::number(gone > 0 ? gone : 999999);
        QVERIFY(OutputCommit::processGone(dead.toLongLong()));
        QVERIFY(!OutputCommit::processGone(alive.toLongLong()));
        QVERIFY(!OutputCommit::processGone(own.toLongLong()));
        // Another machine sharing the folder may run a writer of a number that is free here.
        const QStringList kept { ".Image0002.tif." + host + "." + alive + ".Qx7aB2.part",
            ".Image0003.jpg." + host + "." + own + ".Qx7aB2.part",
            ".Image0006.tif." + otherHost + "." + dead + ".Qx7aB2.part",
            ".Image0007.tif." + dead + ".Qx7aB2.part", ".notes.part", "Image0001.tif",
            ".Image0004.tif." + host + ".12.short.part" };
        for (const QString& name : kept)
            touch(dir.filePath(name));
        touch(dir.filePath(".Image0001.tif." + host + "." + dead + ".aB3dE5.part"));
        QCOMPARE(OutputCommit::removeAbandoned(dir.path()), 1);
        QStringList expected = kept;
        expected.sort();
        QDir listing(dir.path());
        QCOMPARE(listing.entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
        QVERIFY(OutputCommit::isTemporary(".Image0006.tif." + otherHost + "." + dead + ".Qx7aB2.part"));

        // A temporary file carries this host and process, so another writer leaves it alone.
        const QString temporary = OutputCommit::createTemporaryBeside(dir.filePath("Image0005.tif"));
        QVERIFY2(QFileInfo(temporary).fileName().startsWith(".Image0005.tif." + host + "." + own + "."),
            qPrintable(temporary));
        QVERIFY(OutputCommit::isTemporary(QFileInfo(temporary).fileName()));
        QCOMPARE(OutputCommit::removeAbandoned(dir.path()), 0);
        QVERIFY(QFile::exists(temporary));
        running.kill();
        QVERIFY(running.waitForFinished(5000));
    }

    void takenNameIsNotOverwritten()
    {
        QTemporaryDir dir;
        const QString wanted = dir.filePath("Image0004.tif");
        QVERIFY(writeBytes(wanted, "theirs"));
        QVERIFY(writeBytes(dir.filePath("Image0005.tif"), "theirs too"));
        const QString temporary = OutputCommit::createTemporaryBeside(wanted);
        QVERIFY(!temporary.isEmpty());
        QVERIFY(writeBytes(temporary, "ours"));
        QCOMPARE(OutputCommit::commitWithoutReplacing(temporary, wanted), dir.filePath("Image0006.tif"));
        QCOMPARE(fileBytes(wanted), QByteArray("theirs"));
        QCOMPARE(fileBytes(dir.filePath("Image0005.tif")), QByteArray("theirs too"));
        QCOMPARE(fileBytes(dir.filePath("Image0006.tif")), QByteArray("ours"));

        // No counter to move on to: refused, and the temporary file is gone.
        const QString plain = dir.filePath("scan.tif");
        QVERIFY(writeBytes(plain, "theirs"));
        const QString second = OutputCommit::createTemporaryBeside(plain);
        QVERIFY(OutputCommit::commitWithoutReplacing(second, plain).isEmpty());
        QCOMPARE(fileBytes(plain), QByteArray("theirs"));
        QCOMPARE(entries(dir.path()),
            (QStringList { "Image0004.tif", "Image0005.tif", "Image0006.tif", "scan.tif" }));
    }

    void finalFileAtOrdinaryResolutions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("eightBit");
        QTest::addColumn<int>("resolution");
        QTest::newRow("16-bit TIFF at 3600") << "Image0001.tif" << false << 3600;
        QTest::newRow("8-bit TIFF at 1800") << "Image0001.tif" << true << 1800;
        QTest::newRow("JPEG at 5000") << "Image0001.jpg" << false << 5000;
    }

    void finalFileAtOrdinaryResolutions()
    {
        QFETCH(QString, name);
        QFETCH(bool, eightBit);
        QFETCH(int, resolution);
        QTemporaryDir work;
        QTemporaryDir out;
        STImage image = randomImage(24, 16, 16, 3);
        const STImage original = image;
        const FinalFile::Prepared prepared = FinalFile::prepare(image, resolution, eightBit, work.path());
        QVERIFY(prepared.ok);
        QVERIFY(!prepared.enlarged);
        QCOMPARE(image.resolution(), resolution);
        const QString path = out.filePath(name);
        QCOMPARE(FinalFile::write(image, prepared, path, work.path()), path);
        if (name.endsWith(".jpg")) {
            QImageReader reader(path);
            QCOMPARE(reader.format(), QByteArray("jpeg"));
            const QImage read = reader.read();
            QCOMPARE(read.size(), QSize(24, 16));
            QCOMPARE(read.dotsPerMeterX(), int(resolution / 0.0254));
        } else {
            const TiffContents tiff = readTiff(path);
            QVERIFY(tiff.ok);
            QCOMPARE(int(tiff.bitsPerSample), eightBit ? 8 : 16);
            QCOMPARE(tiff.xResolution, float(resolution));
            const STImage expected = eightBit ? original.to8Bit() : original;
            QCOMPARE(tiff.pixels,
                QByteArray(reinterpret_cast<const char*>(expected.data()), int(expected.byteCount())));
        }
        QCOMPARE(entries(out.path()), QStringList { name });
        QVERIFY(entries(work.path()).isEmpty());
    }

    // The format follows the file's own suffix, whatever the folders are called.
    void formatFollowsTheFileSuffix_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("jpeg");
        QTest::newRow("TIFF in a folder named like JPEG") << "trip.jpgs/Image0001.tif" << false;
        QTest::newRow("TIFF in a folder ending .jpg") << "old.jpg/Film0001.tif" << false;
        QTest::newRow("TIFF whose prefix holds .jpg") << "a.jpg.Image0001.tif" << false;
        QTest::newRow("JPEG") << "plain/Image0001.jpg" << true;
        QTest::newRow("JPEG, upper case") << "IMG0001.JPG" << true;
        QTest::newRow("JPEG, long suffix") << "IMG0001.jpeg" << true;
    }

    void formatFollowsTheFileSuffix()
    {
        QFETCH(QString, relative);
        QFETCH(bool, jpeg);
        QTemporaryDir work;
        QTemporaryDir out;
        const QString path = out.filePath(relative);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        STImage image = randomImage(8, 6, 16, 3);
        const FinalFile::Prepared prepared = FinalFile::prepare(image, 1800, false, work.path());
        QVERIFY(prepared.ok);
        QCOMPARE(FinalFile::write(image, prepared, path, work.path()), path);
        const QByteArray head = fileBytes(path).left(4);
        if (jpeg)
            QCOMPARE(head.left(2), QByteArray("\xFF\xD8"));
        else
            QCOMPARE(head, QByteArray("II*\0", 4));
        QCOMPARE(FinalFile::isJpegName(relative), jpeg);
    }

    // Every file a writer makes gets the mode the umask gives any new file; a file
    // written over an older one keeps the older one's mode.
    void modeOfWrittenFiles_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<int>("umask");
        QTest::addColumn<int>("oldMode"); // -1: no file there before
        QTest::addColumn<int>("mode");
        for (const char* writer : { "final TIFF", "final JPEG", "saveTiff", "bytes" }) {
            QTest::addRow("%s under 022", writer) << writer << 022 << -1 << 0644;
            QTest::addRow("%s under 027", writer) << writer << 027 << -1 << 0640;
        }
        QTest::newRow("saveTiff over a file") << "saveTiff" << 022 << 0604 << 0604;
        QTest::newRow("bytes over a file") << "bytes" << 077 << 0664 << 0664;
    }

    void modeOfWrittenFiles()
    {
        QFETCH(QString, writer);
        QFETCH(int, umask);
        QFETCH(int, oldMode);
        QTemporaryDir work;
        QTemporaryDir out;
        const QString path = out.filePath(writer == "final JPEG" ? "Image0001.jpg" : "Image0001.tif");
        if (oldMode >= 0) {
            QVERIFY(writeBytes(path, "old"));
            QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(oldMode)) == 0);
        }
        const mode_t before = ::umask(mode_t(umask));
        STImage image = randomImage(8, 6, 16, 3);
        QString written;
        if (writer.startsWith("final")) {
            const FinalFile::Prepared prepared = FinalFile::prepare(image, 1800, false, work.path());
            written = FinalFile::write(image, prepared, path, work.path());
        } else if (writer == "saveTiff") {
            written = image.saveTiff(path) ? path : QString();
        } else {
            written = OutputCommit::writeReplacing(path, "bytes") ? path : QString();
        }
        ::umask(before);
        QCOMPARE(written, path);
        struct stat info {
        };
        QVERIFY(::stat(QFile::encodeName(path).constData(), &info) == 0);
        QFETCH(int, mode);
        QCOMPARE(QString::number(info.st_mode & 0777, 8), QString::number(mode, 8));
    }

    void jpegAtAResolutionBeyondDotsPerMetre()
    {
        // Above 54 million dpi the dots per metre no longer fit an int; the file is still
        // written whole (the conversion used to overflow).
        QTemporaryDir work;
        QTemporaryDir out;
        STImage image = randomImage(24, 16, 16, 3);
        const FinalFile::Prepared prepared
            = FinalFile::prepare(image, std::numeric_limits<int>::max(), false, work.path());
        QVERIFY(prepared.ok);
        const QString path = out.filePath("Image0001.jpg");
        QCOMPARE(FinalFile::write(image, prepared, path, work.path()), path);
        const QImage read = QImageReader(path).read();
        QCOMPARE(read.size(), QSize(24, 16));
        QVERIFY(read.dotsPerMeterX() >= 0);
    }

    void finalFileAt10000Dpi_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("eightBit");
        QTest::newRow("16-bit TIFF") << "Image0001.tif" << false;
        QTest::newRow("8-bit TIFF") << "Image0001.tif" << true;
        QTest::newRow("JPEG") << "Image0001.jpg" << false;
    }

    void finalFileAt10000Dpi()
    {
        QFETCH(QString, name);
        QFETCH(bool, eightBit);
        QTemporaryDir work;
        QTemporaryDir out;
        STImage image = randomImage(20, 12, 16, 3);
        const FinalFile::Prepared prepared = FinalFile::prepare(image, 10000, eightBit, work.path());
        QVERIFY(prepared.ok);
        QVERIFY(prepared.enlarged);
        QCOMPARE(entries(work.path()), QStringList { "resizeImage.raw" }); // the dump is gone already
        const QString path = out.filePath(name);
        QCOMPARE(FinalFile::write(image, prepared, path, work.path()), path);
        if (name.endsWith(".jpg")) {
            const JpegContents jpeg = readJpeg(path);
            QVERIFY(jpeg.ok);
            QCOMPARE(QSize(jpeg.width, jpeg.height), QSize(40, 24));
            QCOMPARE(jpeg.xDensity, 10000);
            QCOMPARE(jpeg.comments, QList<QByteArray> { QByteArray("jpg\0", 4) });
        } else {
            const TiffContents tiff = readTiff(path);
            QVERIFY(tiff.ok);
            QCOMPARE(tiff.width, 40u);
            QCOMPARE(tiff.height, 24u);
            QCOMPARE(int(tiff.bitsPerSample), eightBit ? 8 : 16);
            QCOMPARE(tiff.xResolution, 10000.0f);
            QCOMPARE(tiff.description, QByteArray("tif"));
        }
        QVERIFY(entries(work.path()).isEmpty());
        QCOMPARE(entries(out.path()), QStringList { name });
    }

    void failedFinalFileLeavesNothing_data()
    {
        QTest::addColumn<int>("resolution");
        QTest::newRow("10000 dpi") << 10000;
        QTest::newRow("3600 dpi") << 3600;
    }

    void failedFinalFileLeavesNothing()
    {
        QFETCH(int, resolution);
        QTemporaryDir work;
        STImage image = randomImage(20, 12, 16, 3);
        const FinalFile::Prepared prepared = FinalFile::prepare(image, resolution, false, work.path());
        QVERIFY(prepared.ok);
        // The folder is gone, and 9998 taken numbers give an empty path.
        FinalFile::Failure failure = FinalFile::Failure::None;
        QVERIFY(FinalFile::write(image, prepared, work.filePath("gone/Image0001.tif"), work.path(), &failure)
                    .isEmpty());
        QCOMPARE(failure, FinalFile::Failure::FolderUnusable);
        QVERIFY(entries(work.path()).isEmpty());
        const FinalFile::Prepared again = FinalFile::prepare(image, resolution, false, work.path());
        QVERIFY(FinalFile::write(image, again, QString(), work.path(), &failure).isEmpty());
        QCOMPARE(failure, FinalFile::Failure::NoFreeName);
        QVERIFY(entries(work.path()).isEmpty());
    }

    void failedEnlargementLeavesNothing()
    {
        QTemporaryDir dir;
        STImage image = randomImage(20, 12, 16, 3);
        const QString missing = dir.filePath("missing");
        const FinalFile::Prepared prepared = FinalFile::prepare(image, 10000, false, missing);
        QVERIFY(!prepared.ok);
        QCOMPARE(prepared.failure, FinalFile::Failure::FolderUnusable);
        FinalFile::Failure failure = FinalFile::Failure::None;
        QVERIFY(
            FinalFile::write(image, prepared, dir.filePath("Image0001.tif"), missing, &failure).isEmpty());
        QCOMPARE(failure, FinalFile::Failure::FolderUnusable);
        QVERIFY(entries(dir.path()).isEmpty());

        const FinalFile::Prepared cancelled = FinalFile::prepare(image, 10000, false, dir.path());
        QVERIFY(cancelled.ok);
        FinalFile::discardRawFiles(dir.path());
        QVERIFY(entries(dir.path()).isEmpty());
    }

    void causeOfAFailure_data()
    {
        QTest::addColumn<QString>("folder"); // below a temporary folder; "file:" a plain file
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<FinalFile::Failure>("expected");
        QTest::newRow("missing folder") << "missing" << quint64(1) << FinalFile::Failure::FolderUnusable;
        QTest::newRow("a file, not a folder")
            << "file:plain" << quint64(1) << FinalFile::Failure::FolderUnusable;
        QTest::newRow("more than any disk holds")
            << "" << std::numeric_limits<quint64>::max() << FinalFile::Failure::DiskFull;
        QTest::newRow("room enough") << "" << quint64(1) << FinalFile::Failure::WriteFailed;
    }

    void causeOfAFailure()
    {
        QFETCH(QString, folder);
        QFETCH(quint64, bytes);
        QFETCH(FinalFile::Failure, expected);
        QTemporaryDir dir;
        QString path = dir.path();
        if (folder.startsWith(QLatin1String("file:"))) {
            path = dir.filePath(folder.mid(5));
            touch(path);
        } else if (!folder.isEmpty()) {
            path = dir.filePath(folder);
        }
        QCOMPARE(FinalFile::diagnose(path, bytes), expected);
    }

    void lastNumberTakenIsNoFreeName()
    {
        // The chosen name was taken after it was chosen, and no number follows it.
        QTemporaryDir dir;
        STImage image = randomImage(20, 12, 16, 3);
        const QString last = dir.filePath("Image9998.tif");
        QVERIFY(writeBytes(last, "theirs"));
        const FinalFile::Prepared prepared = FinalFile::prepare(image, 3600, false, dir.path());
        FinalFile::Failure failure = FinalFile::Failure::None;
        QVERIFY(FinalFile::write(image, prepared, last, dir.path(), &failure).isEmpty());
        QCOMPARE(failure, FinalFile::Failure::NoFreeName);
        QCOMPARE(fileBytes(last), QByteArray("theirs"));
        QCOMPARE(entries(dir.path()), QStringList { "Image9998.tif" });

        // A written file reports no failure.
        QCOMPARE(FinalFile::write(image, prepared, dir.filePath("Image0001.tif"), dir.path(), &failure),
            dir.filePath("Image0001.tif"));
        QCOMPARE(failure, FinalFile::Failure::None);
    }
};

QTEST_GUILESS_MAIN(TestFinalFile)
#include "test_finalfile.moc"
