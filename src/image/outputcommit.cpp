#include "outputcommit.h"

#include "imagelog.h"
#include "outputname.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace OutputCommit
{

namespace
{

enum class Placed { Done, Taken, Failed };

// ".<target name>.<pid>.XXXXXX.part", as createTemporaryBeside names them.
const QRegularExpression& temporaryPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^\\..+\\.(\\d+)\\.[^.]{6}\\.part$"));
    return pattern;
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

QString createTemporaryBeside(const QString& target)
{
    const QFileInfo info(target);
    if (target.isEmpty() || !info.dir().exists())
        return QString();
    // Hidden and with a suffix no scan uses, so that it never counts as a taken name.
    QTemporaryFile file(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.')
        + QString::number(QCoreApplication::applicationPid()) + QStringLiteral(".XXXXXX.part"));
    file.setAutoRemove(false);
    if (!file.open()) {
        qCWarning(lcImage) << "cannot create a file in" << info.absolutePath() << file.errorString();
        return QString();
    }
    const QString path = file.fileName();
    file.close();
    return path;
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
    return temporaryPattern().match(fileName).hasMatch();
}

int removeAbandoned(const QString& folder)
{
    int removed = 0;
    const QDir dir(folder);
    const QStringList names = dir.entryList({ QStringLiteral(".*.part") }, QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = temporaryPattern().match(name);
        if (match.hasMatch() && processGone(match.captured(1).toLongLong())
            && QFile::remove(dir.filePath(name)))
            ++removed;
    }
    return removed;
}

bool commitReplacing(const QString& temporary, const QString& target)
{
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
    // The temporary file is created readable by its owner only.
    const QFileDevice::Permissions permissions = info.exists()
        ? QFile::permissions(target)
        : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser
            | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    QFile::setPermissions(temporary, permissions);
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
