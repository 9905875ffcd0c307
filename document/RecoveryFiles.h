#pragma once

#include "document/core/RecoveryCopy.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Recovery copies on disk: one folder private to the user, one file per running program, each
// with a lock file beside it (see TRecovery) that tells a live program's copy from a dead one's.

// $XDG_STATE_HOME/Larkpad/recovery, or ~/.local/state/Larkpad/recovery when the variable is unset
// or not an absolute path.
QString recoveryFolder();

// Creates the folder when needed and makes it private to the user (mode 0700); false on failure.
bool makePrivateFolder(const QString& folder);

// The copies in the folder, oldest first (copies set aside as damaged are not listed).
QStringList listRecoveryCopies(const QString& folder);

// The copies whose lock files are there without the copy: a program that ended before its first
// copy was complete.
QStringList listOrphanRecoveryLocks(const QString& folder);

// Removes what a program that ended while writing a copy left beside it (its temporary files);
// the copy, its lock file and copies set aside stay.
void removeRecoveryLeftovers(const QString& copyPath);

// A file name for a new copy of this program in the folder.
QString newRecoveryCopyPath(const QString& folder);

// The lock file of a copy.
QString recoveryLockPath(const QString& copyPath);

// Writes a copy: header then body, into a temporary file beside it (mode 0600) that replaces the
// copy only once it is completely written. Returns false on any failure, leaving the previous
// copy as it was.
bool writeRecoveryCopy(const QString& path, const std::string& header, const QByteArray& body);

// A copy as read back: sound (text holds the page's text in the editor's form) or not (error
// says why).
struct TRecoveredCopy {
    bool ok = false;
    QString error;
    recovery::TCopyHeader header;
    QString path; ///< the page's path from the header, empty for Untitled
    QString text;
};
TRecoveredCopy readRecoveryCopy(const QString& path);

// Renames a damaged copy with ".damaged" appended (a number added when that name is taken);
// returns the new name, or an empty string when the rename failed.
QString setRecoveryCopyAside(const QString& path);
