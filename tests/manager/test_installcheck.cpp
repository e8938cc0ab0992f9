// A program folder is judged by what the program will read from it: whole files, not names.
#include "installcheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

// A copy of the staged program folder's data and manual that the test may damage.
bool copyTree(const QString& from, const QString& to)
{
    QDirIterator files(from, QDir::Files, QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
    while (files.hasNext()) {
        const QString file = files.next();
        const QString target = to + file.mid(from.size());
        if (!QDir().mkpath(QFileInfo(target).path()) || !QFile::copy(file, target))
            return false;
    }
    return true;
}

void overwrite(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

} // namespace

class TestInstallCheck : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;

private slots:
    void init()
    {
        const QString staged = QCoreApplication::applicationDirPath();
        QVERIFY(m_folder.isValid());
        QDir(m_folder.path()).removeRecursively();
        QVERIFY(copyTree(staged + QStringLiteral("/data"), m_folder.filePath(QStringLiteral("data"))));
        QVERIFY(QDir().mkpath(m_folder.filePath(QStringLiteral("manual"))));
        overwrite(InstallCheck::manualPath(m_folder.path()), "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
    }

    void completeFolderHasNoProblems() { QCOMPARE(InstallCheck::problems(m_folder.path()), QStringList()); }

    void damagedFilesAreNamed_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content"); // empty: the file is removed
        QTest::addColumn<QString>("problem");
        QTest::newRow("manual is not a PDF")
            << "manual/manual_English 002.pdf" << QByteArray("<html>") << "The user manual ";
        QTest::newRow("manual missing")
            << "manual/manual_English 002.pdf" << QByteArray() << "The user manual ";
        QTest::newRow("TIFF trailer cut short")
            << "data/tifend.dat" << QByteArray(10, '\0') << "The TIFF templates ";
        QTest::newRow("TIFF header not a TIFF")
            << "data/tifstart.dat" << QByteArray(11370, 'x') << "The TIFF templates ";
        QTest::newRow("crop parameters missing")
            << "data/TQB/AUTOCROP_V2.INI" << QByteArray() << "The parameter file ";
    }
    void damagedFilesAreNamed()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, problem);
        const QString path = m_folder.filePath(file);
        if (content.isEmpty())
            QVERIFY(QFile::remove(path));
        else
            overwrite(path, content);
        const QStringList problems = InstallCheck::problems(m_folder.path());
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems.first().startsWith(problem), qPrintable(problems.first()));
        const QString named
            = file.startsWith(QLatin1String("data/tif")) ? m_folder.filePath(QStringLiteral("data")) : path;
        QVERIFY2(problems.first().contains(named), qPrintable(problems.first()));
    }
};

QTEST_GUILESS_MAIN(TestInstallCheck)
#include "test_installcheck.moc"
