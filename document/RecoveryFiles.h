#pragma once

#include "document/core/RecoveryCopy.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <string_view>

// Recovery copies on disk: one folder private to the user, one file per running program, each
// with a lock file beside it (see TRecovery) that tells a live program's copy from a dead one's.

// $XDG_STATE_HOME/Larkpad/recovery, or ~/.local/state/Larkpad/recovery when the variable is unset
// or not an absolute path.
QString recoveryFolder();

// Whether the folder may hold this user's copies: a folder of the user's own, not a symbolic link
// (which is left alone), made private (mode 0700) when it was not. False with the reason in why
// (for a folder that is not there, the system's own reason).
bool checkPrivateFolder(const QString& folder, QString* why = nullptr);

// Creates the folder when needed, then checks it as checkPrivateFolder does.
bool makePrivateFolder(const QString& folder, QString* why = nullptr);

// The copies in the folder, oldest first (copies set aside as damaged are not listed). Whatever
// has a copy's name is listed, links and other users' files too: reading tells them apart.
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

// What the lock file of a copy says, before the lock is tried: a file that is not a lock of this
// user's (empty, a link, another user's) is stale; none at all is left to the system's lock.
recovery::TLockState recoveryLockState(const QString& lockPath);

// Writes a copy: header then body, into a temporary file beside it (mode 0600) that replaces the
// copy only once it is completely written. Returns false on any failure, leaving the previous
// copy as it was, with the system's reason in why. A symbolic link in the copy's place is never
// written through.
bool writeRecoveryCopy(const QString& path, const std::string& header, const QByteArray& body,
                       QString* why = nullptr);

// Writes a copy as its body comes, piece by piece, as writeRecoveryCopy does: the body goes to the
// temporary file after room for the header, which is written once the body's size and hash are
// known. Nothing replaces the previous copy unless commit succeeds; destroying the writer first
// leaves it as it was.
class TRecoveryCopyWriter {
public:
    TRecoveryCopyWriter();
    ~TRecoveryCopyWriter();
    // False with the reason in why: the copy cannot be made.
    bool open(const QString& path, const recovery::TCopyHeader& header, QString* why = nullptr);
    // Adds page bytes to the body. False once writing failed (commit tells why).
    bool add(std::string_view bytes);
    // Writes the header and puts the copy in place.
    bool commit(QString* why = nullptr);

private:
    struct TState;
    std::unique_ptr<TState> s_;
};

// A copy as read back: sound (text holds the page's text in the editor's form) or not (error
// says why).
struct TRecoveredCopy {
    bool ok = false;
    bool foreign = false; ///< not a file of this user's (a link, another user's): left alone
    QString error;
    qint64 size = 0; ///< bytes of the copy
    recovery::TCopyHeader header;
    QString path; ///< the page's path from the header, empty for Untitled
    QString text;
};
// Only a regular file of the user's own is read; a link is not followed.
TRecoveredCopy readRecoveryCopy(const QString& path);

// Renames a damaged copy with ".damaged" appended (a number added when that name is taken);
// returns the new name, or an empty string when the rename failed.
QString setRecoveryCopyAside(const QString& path);
