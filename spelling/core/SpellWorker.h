#pragma once

// The thread that checks words off the user-interface thread. Urgent jobs (the words of the lines
// in view) run before the sweep of the rest of the page, whatever was handed over first. A job
// that runs always finishes. Plain C++.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace spelling {

class TSpellWorker {
public:
    TSpellWorker();
    // Drops the jobs that wait, lets the running one finish and ends the thread.
    ~TSpellWorker();
    TSpellWorker(const TSpellWorker&) = delete;
    TSpellWorker& operator=(const TSpellWorker&) = delete;

    void post(std::function<void()> job, bool urgent);
    // Drops the jobs that wait (a running one finishes).
    void clear();
    // Waits until no job runs or waits.
    void waitIdle();
    // Jobs waiting in the sweep.
    std::size_t sweepWaiting();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_, idle_;
    std::deque<std::function<void()>> urgent_, sweep_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace spelling
