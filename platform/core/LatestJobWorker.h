#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// One worker thread that runs jobs in order, keeping at most one waiting: a job handed over while
// another waits replaces it (the newer one makes the older one pointless). A job that is running
// always finishes, so a later job never races with it.
class TLatestJobWorker {
public:
    TLatestJobWorker();
    // Runs the job that waits, if any, then ends the thread.
    ~TLatestJobWorker();
    TLatestJobWorker(const TLatestJobWorker&) = delete;
    TLatestJobWorker& operator=(const TLatestJobWorker&) = delete;

    void post(std::function<void()> job);
    // Waits until no job runs or waits.
    void waitIdle();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_, idle_;
    std::optional<std::function<void()>> waiting_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};
