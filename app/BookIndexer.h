#pragma once

#include "book/core/BookCheck.h"
#include "book/core/BookIndex.h"
#include "document/PageWatcher.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <memory>

class TLatestJobWorker;
class TPageDocument;

// The book of the open page (the page files of its folder), indexed and checked in a worker
// thread: the folder is listed again, the pages that changed since the last run are read (the open
// page from its document, every other from the disk) and the whole book is checked. Runs after
// each pause in typing and a short while after the folder changes, while it is active; run() asks
// for one run now whether active or not. A run that a newer one overtakes stops early; one the
// author stops keeps the pages indexed so far for the next.
class TBookIndexer : public QObject {
    Q_OBJECT
public:
    struct TResult {
        book::TBookIndex index;
        std::vector<book::TBookFinding> findings;
        std::vector<int> counts; ///< findings of each page
        bool complete = true;    ///< false: stopped before every page was read
        std::string error;       ///< why the folder could not be listed (UTF-8), else empty
        int generation = 0;
    };

    explicit TBookIndexer(const TPageDocument& page, QObject* parent = nullptr);
    ~TBookIndexer() override;

    std::chrono::milliseconds pause{700};  ///< after an edit of the open page
    std::chrono::milliseconds settle{300}; ///< after a change in the folder

    // On: runs now if the book changed since the last run, then after every change.
    void setActive(bool on);
    bool active() const { return active_; }
    // The folder of the open page; empty for an untitled page (no book).
    QString folder() const { return folder_; }
    // The last result, perhaps behind the pages; null before the first or without a book.
    std::shared_ptr<const TResult> latest() const { return latest_; }
    bool current() const { return latest_ && latest_->generation == generation_; }
    bool busy() const { return busy_; }

    // Runs now (the latest is dropped when it is behind).
    void run();
    // Stops the run under way; the pages done stay indexed.
    void stop();
    // Waits for the run under way and takes its result (tests).
    void waitIdle();

signals:
    void progress(int done, int total);
    void busyChanged(bool busy);
    void resultReady();

private:
    struct TStop {
        std::atomic<bool> stop{false};
        std::atomic<bool> byAuthor{false};
    };
    void pathChanged();
    void changed(std::chrono::milliseconds wait);
    void take(std::shared_ptr<TResult> result);
    void setBusy(bool busy);

    const TPageDocument& page_;
    bool active_ = false;
    bool busy_ = false;
    QString folder_;
    int generation_ = 1; ///< counts changes of the book
    QTimer timer_;
    QFileSystemWatcher watcher_;
    std::shared_ptr<const TResult> latest_;
    std::shared_ptr<TStop> stop_; ///< of the run under way
    // Touched by the worker's jobs only: they run one at a time.
    struct TWork {
        book::TBookIndex index;
        std::string open; ///< the page last read from the document
    };
    std::shared_ptr<TWork> work_;
    std::unique_ptr<TLatestJobWorker> worker_;
    TPageWatch watch_; ///< last: the page is watched while all stands
};
