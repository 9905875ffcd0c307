#include "platform/core/LatestJobWorker.h"

TLatestJobWorker::TLatestJobWorker() : thread_([this] { run(); }) {}

TLatestJobWorker::~TLatestJobWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void TLatestJobWorker::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        waiting_ = std::move(job);
    }
    wake_.notify_one();
}

void TLatestJobWorker::waitIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !busy_ && !waiting_; });
}

void TLatestJobWorker::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return waiting_ || stopping_; });
        if (!waiting_)
            return; // stopping, nothing left
        std::function<void()> job = std::move(*waiting_);
        waiting_.reset();
        busy_ = true;
        lock.unlock();
        try {
            job();
        } catch (...) {
            // A job reports its own failures; one that escapes must not end the program.
        }
        job = nullptr; // what the job holds (a snapshot of the text) goes now, not at the next one
        lock.lock();
        busy_ = false;
        if (!waiting_)
            idle_.notify_all();
    }
}
