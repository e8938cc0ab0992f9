#pragma once

#include <QString>

// Files are written under a temporary name in the target's folder and put in place
// only when complete, so that a failed write never leaves a half file where a good
// one stood, and a final scan never overwrites a file that appeared meanwhile.
namespace OutputCommit
{

// This machine's name as temporary names carry it: letters, digits, '-' and '_' only.
QString hostTag();

// Creates an empty, uniquely named file beside target (same folder, so that the
// rename cannot cross file systems) and returns its path; empty when the folder is
// missing or not writable. Its mode is what the umask gives any new file. The name is
// hidden and carries the writer's host and process id
// (".Image0001.tif.<host>.<pid>.XXXXXX.part"), so that a later writer can tell it
// abandoned, also in a folder that other machines share.
QString createTemporaryBeside(const QString& target);

// Whether the process of that id no longer runs (a process killed mid-write leaves its
// temporary files behind; nothing else can remove them).
bool processGone(qint64 pid);

// Whether the writer of that host and process id no longer runs: only a process of
// this host can be looked up, so another host's writer never counts as gone.
bool writerGone(const QString& host, qint64 pid);

// Removes the temporary files in folder that a writer of this host which no longer
// runs left behind. Returns how many were removed.
int removeAbandoned(const QString& folder);

// Whether fileName (without folder) is the name of such a temporary file, so that a
// reader of the folder can pass over it.
bool isTemporary(const QString& fileName);

// Writes bytes to target through a temporary file beside it, synced to the disk before
// it replaces target; the target's permissions are kept (a new file gets the umask's).
// What earlier writers killed in that folder left is removed first. False, with target
// as it was and no temporary file, when any step fails.
bool writeReplacing(const QString& target, const QByteArray& bytes);

// Renames temporary over target, replacing a file there, whose mode the new file
// keeps. On failure the temporary file is removed and the result is false.
bool commitReplacing(const QString& temporary, const QString& target);

// Renames temporary to target only if no file of that name exists, atomically.
// When the name is taken and ends in a four-digit counter (Image0007.tif), the
// following free numbers up to 9998 are tried. Returns the name used, or empty
// (temporary removed) when none could be taken.
QString commitWithoutReplacing(const QString& temporary, const QString& target);

} // namespace OutputCommit
