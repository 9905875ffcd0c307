#include "spelling/core/SpellWorker.h"

namespace spelling {

TSpellWorker::TSpellWorker() : thread_([this] { run(); }) {}

TSpellWorker::~TSpellWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        urgent_.clear();
        sweep_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

void TSpellWorker::post(std::function<void()> job, bool urgent) {
    {
        std::lock_guard lock(mutex_);
        (urgent ? urgent_ : sweep_).push_back(std::move(job));
    }
    wake_.notify_one();
}

void TSpellWorker::clear() {
    std::lock_guard lock(mutex_);
    urgent_.clear();
    sweep_.clear();
    if (!busy_)
        idle_.notify_all();
}

void TSpellWorker::waitIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [&] { return !busy_ && urgent_.empty() && sweep_.empty(); });
}

std::size_t TSpellWorker::sweepWaiting() {
    std::lock_guard lock(mutex_);
    return sweep_.size();
}

void TSpellWorker::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || !urgent_.empty() || !sweep_.empty(); });
        if (stopping_)
            return;
        auto& queue = urgent_.empty() ? sweep_ : urgent_;
        std::function<void()> job = std::move(queue.front());
        queue.pop_front();
        busy_ = true;
        lock.unlock();
        job();
        job = nullptr;
        lock.lock();
        busy_ = false;
        if (urgent_.empty() && sweep_.empty())
            idle_.notify_all();
    }
}

} // namespace spelling
