#pragma once

#include "document/PageWatcher.h"
#include "markup/core/PageIndex.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <memory>

class TLatestJobWorker;
class TPageDocument;
class TPageSlices;

// The page's index (targets, links, variables) kept up to date in the background: after each
// pause in typing, a snapshot of the text is read in a worker thread, so that a long page never
// stalls typing; an index that the text has overtaken is dropped (and the reading it came from
// stopped early). The snapshot of a long page is itself taken in slices over several turns of the
// event loop, a few milliseconds each.
class TPageIndexer : public QObject {
    Q_OBJECT
public:
    struct TIndexed {
        markup::TPageIndex index;
        markup::TLinkGroups groups;
        int generation = 0;
    };

    explicit TPageIndexer(const TPageDocument& page, QObject* parent = nullptr);
    ~TPageIndexer() override;

    // On: indexes now and after every pause. Off: stops following the text.
    void setActive(bool on);
    bool active() const { return active_; }
    std::chrono::milliseconds pause{300};
    // Pages longer than this (in characters) are copied in slices.
    static constexpr int kSlicedFrom = 1 << 20;
    static constexpr int kTurnMs = 8;

    // The last index made, perhaps behind the text; null before the first.
    std::shared_ptr<const TIndexed> latest() const { return latest_; }
    // Whether the latest index is of the text as it is.
    bool current() const { return latest_ && latest_->generation == generation_; }
    // The index of the text as it is, made here and now unless the latest one is.
    std::shared_ptr<const TIndexed> now();
    // Waits for the reading under way, if any, and takes its index (tests and benchmarks).
    void waitIdle();

    // The page bytes (CR LF) of a document's raw text, as the worker reads them.
    static std::string pageBytes(const QString& rawText);
    static std::shared_ptr<TIndexed> make(const std::string& bytes, int generation,
                                          const std::atomic<bool>* cancel = nullptr);

signals:
    // latest() was replaced.
    void indexReady();

private:
    void textChanged();
    void start();
    void take(std::shared_ptr<TIndexed> indexed);
    void snapshotTurn();
    void post(std::string bytes);
    void dropSnapshot();

    const TPageDocument& page_;
    bool active_ = false;
    int generation_ = 1; ///< counts text changes
    QTimer pauseTimer_;
    std::shared_ptr<const TIndexed> latest_;
    std::shared_ptr<std::atomic<bool>> cancel_; ///< of the reading under way
    std::unique_ptr<TPageSlices> slices_;       ///< the sliced snapshot under way
    std::string sliced_;                        ///< its bytes so far
    QTimer sliceTimer_;
    std::unique_ptr<TLatestJobWorker> worker_;
    TPageWatch watch_; ///< last: the page is watched while all stands
};
