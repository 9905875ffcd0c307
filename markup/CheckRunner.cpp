#include "markup/CheckRunner.h"

#include "document/PageDocument.h"
#include "document/PageText.h"

#include <QPlainTextEdit>
#include <QTextDocument>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using namespace markup;

// One check in a worker: the snapshot goes in, the result comes out.
struct TCheckRunner::TJob {
    int generation = 0;
    QString text;
    TCheckResult result;
    std::atomic<bool> done{false};
};

// One round of file look-ups. Paths are looked up in groups by their first two folders, one worker
// per group, so that one vanished network folder does not hold up the others.
struct TCheckRunner::TProbe {
    std::vector<std::string> paths;
    std::mutex lock;
    std::vector<int> answers; ///< per path: -1 none yet, 0 missing, 1 present
    std::atomic<int> running{0};
};

namespace {

// At most this many look-up workers alive at once; beyond that, files get no answer.
std::atomic<int> probesAlive{0};
constexpr int kMaxProbes = 8;

// "/a/b" of "/a/b/c/d.wav": the part of a path that one network folder shares.
std::string pathGroup(const std::string& path) {
    size_t slash = 0;
    for (int k = 0; k < 3 && slash != std::string::npos; ++k)
        slash = path.find('/', slash + 1);
    return path.substr(0, slash);
}

} // namespace

TCheckRunner::TCheckRunner(const TPageDocument& page, QObject* parent)
    : QObject(parent), page_(page),
      watch_(page, {.changed = [this](int, int, int) { textChanged(); }}) {
    pauseTimer_.setSingleShot(true);
    connect(&pauseTimer_, &QTimer::timeout, this, &TCheckRunner::start);
    pollTimer_.setInterval(20);
    connect(&pollTimer_, &QTimer::timeout, this, &TCheckRunner::poll);
}

TCheckRunner::~TCheckRunner() {
    // A check ends by itself, within a second even on the longest page; file look-ups may never
    // end and are left to themselves.
    if (worker_.joinable())
        worker_.join();
}

std::string TCheckRunner::pageBytes(const QString& text) {
    return pagetext::toPageBytes(text);
}

void TCheckRunner::setActive(bool on) {
    if (on == active_)
        return;
    active_ = on;
    ++generation_;
    pauseTimer_.stop();
    pollTimer_.stop();
    job_.reset();
    probe_.reset();
    checked_ = {};
    result_ = {};
    if (on)
        start();
    else
        emit resultReady();
}

bool TCheckRunner::busy() const {
    return job_ || probe_ || pauseTimer_.isActive();
}

void TCheckRunner::textChanged() {
    ++generation_;
    if (active_)
        pauseTimer_.start(pause);
}

void TCheckRunner::start() {
    if (!active_)
        return;
    if (job_) {
        // One check at a time; the running one is stale and the next starts when it ends.
        pauseTimer_.start(pause);
        return;
    }
    auto job = std::make_shared<TJob>();
    job->generation = generation_;
    job->text = page_.rawText();
    job_ = job;
    if (worker_.joinable())
        worker_.join(); // a check dropped when the panel was hidden
    worker_ = std::thread([job] {
        job->result = checkMarkup(pageBytes(job->text));
        job->text.clear();
        job->done = true;
    });
    pollTimer_.start();
}

void TCheckRunner::poll() {
    if (job_ && job_->done) {
        std::shared_ptr<TJob> job = std::move(job_);
        if (job->generation == generation_) {
            checked_ = std::move(job->result);
            checkedGeneration_ = job->generation;
            probe_.reset();
            startProbe();
            publish();
        }
    }
    if (probe_) {
        if (probe_->running == 0)
            finishFiles();
        else if (probeClock_.elapsed() >= fileTimeLimit.count())
            finishFiles();
    }
    if (!job_ && !probe_)
        pollTimer_.stop();
}

void TCheckRunner::startProbe() {
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(known_, [&](const auto& k) { return now - k.second.when > fileMemory; });
    auto probe = std::make_shared<TProbe>();
    for (const TFileRef& ref : checked_.files)
        if (!known_.contains(ref.path))
            probe->paths.push_back(ref.path);
    if (probe->paths.empty())
        return;
    probe->answers.assign(probe->paths.size(), -1);
    probe_ = probe;
    probeClock_.start();
    std::map<std::string, std::vector<size_t>> groups;
    for (size_t k = 0; k < probe->paths.size(); ++k)
        groups[pathGroup(probe->paths[k])].push_back(k);
    for (auto& [name, members] : groups) {
        if (probesAlive >= kMaxProbes)
            break; // those files get no answer this time
        ++probesAlive;
        ++probe->running;
        std::thread([probe, members, exists = fileExists] {
            for (size_t k : members) {
                const bool present = exists(probe->paths[k]);
                std::lock_guard<std::mutex> hold(probe->lock);
                probe->answers[k] = present ? 1 : 0;
            }
            --probe->running;
            --probesAlive;
        }).detach();
    }
}

void TCheckRunner::finishFiles() {
    std::shared_ptr<TProbe> probe = std::move(probe_);
    const auto now = std::chrono::steady_clock::now();
    {
        std::lock_guard<std::mutex> hold(probe->lock);
        for (size_t k = 0; k < probe->paths.size(); ++k) {
            const int a = probe->answers[k];
            const TFileState state = a < 0   ? TFileState::NoAnswer
                                     : a > 0 ? TFileState::Present
                                             : TFileState::Missing;
            known_[probe->paths[k]] = {state, now};
        }
    }
    // The answers are kept; after an edit the offsets are stale and the next check shows them.
    if (checkedGeneration_ == generation_)
        publish();
}

void TCheckRunner::publish() {
    result_ = checked_;
    result_.files.clear();
    for (const TFileRef& ref : checked_.files) {
        const auto k = known_.find(ref.path);
        if (k == known_.end())
            continue; // still being looked up
        if (auto f = fileFinding(ref, k->second.state))
            addFinding(result_, std::move(*f));
    }
    emit resultReady();
}
