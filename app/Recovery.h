#pragma once

#include "document/PageWatcher.h"
#include "document/core/RecoveryCopy.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLockFile;
class QTimer;
class TPageDocument;
class TDialogs;
class TDocumentCommands;
class TLatestJobWorker;
class TPrompts;
struct TRecoveredCopy;
struct TCopyStream;

// The clock and the alarm that copies are scheduled on: a steady clock in milliseconds and one
// single-shot alarm on it. The program runs on the system's; tests move a clock of their own.
class TRecoveryAlarm {
public:
    virtual ~TRecoveryAlarm() = default;
    virtual std::int64_t now() const = 0;
    // Calls ring once when now() reaches at (soon if it has already), instead of any earlier time.
    virtual void set(std::int64_t at) = 0;
    virtual void cancel() = 0;

    std::function<void()> ring;
};

// Keeps a recovery copy of the document's text while it is marked changed, and offers the copies
// that programs which did not close normally left behind.
//
// The copy belongs to this program as long as it holds the copy's lock file, so a second program
// never touches it and a dead program's copy is told by its stale lock. The user-interface thread
// only takes a snapshot of the text; encoding and writing happen on a worker thread, which also
// deletes the copy once the document is saved or its changes are discarded (the modified flag
// clears), so a late write can never bring a deleted copy back.
//
// The snapshot is taken in slices over several turns of the event loop, each a few milliseconds:
// each slice is encoded to page bytes at once and handed to the worker, which streams it to the
// copy's temporary file. A change of the text before the last slice drops that snapshot (the
// previous copy stays) and the next copy is owed as after any change. A copy overdue (typing that
// never paused long enough for a whole snapshot) is taken in slices too, but kept: its slices
// stay text until the last one, and a change of the part already taken is made in them as well,
// so that the copy holds the text as it is when the last slice is taken.
class TRecovery : public QObject {
    Q_OBJECT
public:
    struct TParts {
        TPageDocument& page;
        TDocumentCommands& document;
        TPrompts& prompts;
        TDialogs& dialogs;
    };
    TRecovery(TParts parts, QString folder);
    ~TRecovery() override;

    // Offers the copies whose programs no longer run. One copy is asked about: Yes puts its text
    // back into the document, No deletes it, Cancel keeps it. More than one are listed together,
    // to recover one, delete some or keep them all. A damaged copy is renamed aside and reported
    // (in the list when there is one). Nothing in a folder that is not the user's own is read,
    // and files there that are not the user's copies are reported and left alone. Returns
    // whether a text was recovered.
    bool offerRecovery();
    // The document was saved or its changes dropped: the copy goes.
    void discard();
    // The program closes normally: the copy goes.
    void closeNormally();

    // Starts a snapshot of the changed text now, its first slice at once (the alarm calls it when
    // due); the event loop takes the rest.
    void writeNow();
    // Whether a snapshot is being taken.
    bool snapshotting() const { return stream_ != nullptr || forced_ != nullptr; }
    // At most this many characters per turn of the event loop (0: as many as a few milliseconds
    // take); tests take a snapshot in small steps.
    void setSnapshotTurn(qsizetype characters) { turnLimit_ = characters; }
    // When the next copy is due, on the alarm's clock; none when no copy is owed.
    std::optional<std::int64_t> nextCopyAt() const { return schedule_.dueAt(); }
    // Schedules on another clock from now on (the system's until then).
    void setAlarm(std::unique_ptr<TRecoveryAlarm> alarm);
    // Takes the rest of a snapshot under way at once, then waits until the worker has written or
    // deleted what it was given.
    void waitIdle();
    // This program's copy; empty until the first copy is written or one is recovered.
    QString copyPath() const { return copyPath_; }

    // Told once, the first time a copy cannot be written: which folder, and why.
    std::function<void(const QString& message)> cannotWrite;

private:
    void changed();
    void modificationChanged(bool modified);
    void arm();
    void rung();
    bool ownCopy();
    void writeFailed(const QString& why);
    void snapshotTurn();
    // Encodes and hands over slices until the budget is spent (none: to the end).
    void takeSlices(qint64 budgetMs, qsizetype limit);
    void abandonSnapshot();
    // The overdue snapshot: its turns, and a change of the text while it is taken.
    struct TForcedSnapshot;
    void forcedTurn(qint64 budgetMs, qsizetype limit);
    void forcedEdit(int position, int removed, int added);
    void postForced();
    struct TFoundCopy;
    bool offerOne(TFoundCopy& copy);
    bool offerList(std::vector<TFoundCopy>& found);
    void restoreCopy(std::unique_ptr<QLockFile> lock, const QString& copy,
                     const TRecoveredCopy& found);

    TParts parts_;
    QString folder_;
    recovery::TSchedule schedule_;
    std::unique_ptr<TRecoveryAlarm> alarm_;
    std::unique_ptr<QLockFile> lock_; ///< held while copyPath_ is this program's
    QString copyPath_;
    bool copyMayExist_ = false;
    bool failureTold_ = false;
    std::shared_ptr<TCopyStream> stream_;     ///< the snapshot under way, shared with its writer
    int nextPosition_ = 0;                    ///< the snapshot's next document position
    int nextBlock_ = 0;                       ///< and its block
    QString carry_;                           ///< text held back for the next slice
    std::unique_ptr<TForcedSnapshot> forced_; ///< the overdue snapshot under way
    QTimer* snapshotTimer_ = nullptr;
    qsizetype turnLimit_ = 0;
    std::unique_ptr<TLatestJobWorker> worker_; ///< it ends before what its jobs use
    TPageWatch watch_;                         ///< last: the page is watched while all stands
};
