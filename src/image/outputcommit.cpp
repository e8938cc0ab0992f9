#include "outputcommit.h"

#include "imagelog.h"
#include "outputname.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace OutputCommit
{

namespace
{

enum class Placed { Done, Taken, Failed };

// ".<target name>.<host>.<pid>.XXXXXX.part", as createTemporaryBeside names them; the
// host has no dots, so the last fields are found however many dots the target has.
const QRegularExpression& temporaryPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\..+\\.([A-Za-z0-9_-]+)\\.(\\d+)\\.[^.]{6}\\.part$"));
    return pattern;
}

// Any writer's temporary, this version's or an earlier one's that carried no host.
const QRegularExpression& anyTemporaryPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^\\..+\\.(\\d+)\\.[^.]{6}\\.part$"));
    return pattern;
}

QString randomTail()
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString tail;
    for (int i = 0; i < 6; ++i)
        tail += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof(letters) - 1))]);
    return tail;
}

// rename without replacing: renameat2 where the file system has it, else a hard
// link, which fails on an existing name just the same.
Placed placeWithoutReplacing(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return Placed::Done;
    if (errno == EEXIST)
        return Placed::Taken;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return Placed::Failed;
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return Placed::Done;
    }
    return errno == EEXIST ? Placed::Taken : Placed::Failed;
}

} // namespace

QString hostTag()
{
    static const QString tag = [] {
        QString host = QSysInfo::machineHostName();
        static const QRegularExpression unfit(QStringLiteral("[^A-Za-z0-9_-]"));
        host.replace(unfit, QStringLiteral("_"));
        return host.isEmpty() ? QStringLiteral("_") : host;
    }();
    return tag;
}

QString createTemporaryBeside(const QString& target)
{
    const QFileInfo info(target);
    if (target.isEmpty() || !info.dir().exists())
        return QString();
    // Hidden and with a suffix no scan uses, so that it never counts as a taken name.
    const QString stem = info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.')
        + hostTag() + QLatin1Char('.') + QString::number(QCoreApplication::applicationPid())
        + QLatin1Char('.');
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString path = stem + randomTail() + QStringLiteral(".part");
        // Created as open() creates any file, so the umask (and a default ACL) decides
        // its mode, and the rename hands that mode on to the scan.
        const int fd
            = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST)
            break;
    }
    qCWarning(lcImage) << "cannot create a file in" << info.absolutePath() << std::strerror(errno);
    return QString();
}

bool writerGone(const QString& host, qint64 pid)
{
    // Another machine's process ids say nothing here: its files are left alone.
    return host == hostTag() && processGone(pid);
}

bool processGone(qint64 pid)
{
    if (pid <= 0 || pid == QCoreApplication::applicationPid())
        return false;
    // Signal 0 only asks whether the process exists; EPERM means it does (another user's).
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

bool isTemporary(const QString& fileName)
{
    return anyTemporaryPattern().match(fileName).hasMatch();
}

int removeAbandoned(const QString& folder)
{
    int removed = 0;
    const QDir dir(folder);
    const QStringList names = dir.entryList({ QStringLiteral(".*.part") }, QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = temporaryPattern().match(name);
        if (match.hasMatch() && writerGone(match.captured(1), match.captured(2).toLongLong())
            && QFile::remove(dir.filePath(name)))
            ++removed;
    }
    return removed;
}

bool commitReplacing(const QString& temporary, const QString& target)
{
    // A replaced file keeps the mode its owner gave it.
    if (QFileInfo::exists(target))
        QFile::setPermissions(temporary, QFile::permissions(target));
    const QByteArray source = QFile::encodeName(temporary);
    const QByteArray destination = QFile::encodeName(target);
    if (std::rename(source.constData(), destination.constData()) == 0)
        return true;
    qCWarning(lcImage) << "cannot rename" << temporary << "to" << target;
    QFile::remove(temporary);
    return false;
}

bool writeReplacing(const QString& target, const QByteArray& bytes)
{
    const QFileInfo info(target);
    removeAbandoned(info.absolutePath());
    const QString temporary = createTemporaryBeside(target);
    if (temporary.isEmpty())
        return false;
    QFile file(temporary);
    // Synced before the rename: after a power cut the new name must not point at a file
    // whose blocks never reached the disk.
    bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
        && ::fsync(file.handle()) == 0;
    file.close();
    written = written && file.error() == QFileDevice::NoError;
    if (!written) {
        qCWarning(lcImage) << "cannot write" << temporary << file.errorString();
        QFile::remove(temporary);
        return false;
    }
    return commitReplacing(temporary, target);
}

QString commitWithoutReplacing(const QString& temporary, const QString& target)
{
    Placed placed = placeWithoutReplacing(temporary, target);
    if (placed == Placed::Done)
        return target;
    if (placed == Placed::Taken) {
        // Someone took the name between the choice and now: keep the scan under the
        // next free number instead of overwriting theirs.
        const QFileInfo info(target);
        static const QRegularExpression counted(QStringLiteral("^(.*)(\\d{4})$"));
        const QRegularExpressionMatch match = counted.match(info.completeBaseName());
        if (match.hasMatch()) {
            const QString extension
                = info.suffix().isEmpty() ? QString() : QStringLiteral(".") + info.suffix();
            for (int n = match.captured(2).toInt() + 1; n <= OutputName::kLastNumber; ++n) {
                const QString candidate = OutputName::candidate(info.path(), match.captured(1), n, extension);
                placed = placeWithoutReplacing(temporary, candidate);
                if (placed == Placed::Done)
                    return candidate;
                if (placed == Placed::Failed)
                    break;
            }
        }
    }
    qCWarning(lcImage) << "cannot put the written file in place as" << target;
    QFile::remove(temporary);
    return QString();
}

} // namespace OutputCommit
