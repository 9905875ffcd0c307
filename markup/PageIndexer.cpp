#include "markup/PageIndexer.h"

#include "document/PageDocument.h"
#include "document/PageSlices.h"
#include "document/PageText.h"
#include "platform/core/LatestJobWorker.h"

#include <QElapsedTimer>
#include <QTextDocument>

TPageIndexer::TPageIndexer(const TPageDocument& page, QObject* parent)
    : QObject(parent), page_(page), worker_(std::make_unique<TLatestJobWorker>()),
      watch_(page, {.changed = [this](int, int, int) { textChanged(); }}) {
    pauseTimer_.setSingleShot(true);
    connect(&pauseTimer_, &QTimer::timeout, this, &TPageIndexer::start);
    sliceTimer_.setInterval(0);
    connect(&sliceTimer_, &QTimer::timeout, this, &TPageIndexer::snapshotTurn);
}

TPageIndexer::~TPageIndexer() {
    if (cancel_)
        *cancel_ = true;
    // The reading under way ends first; what it posts back dies with this object.
    worker_.reset();
}

std::string TPageIndexer::pageBytes(const QString& rawText) {
    return pagetext::toPageBytes(rawText);
}

std::shared_ptr<TPageIndexer::TIndexed> TPageIndexer::make(const std::string& bytes, int generation,
                                                           const std::atomic<bool>* cancel) {
    auto indexed = std::make_shared<TIndexed>();
    indexed->index = markup::indexPage(bytes, cancel);
    indexed->groups = markup::groupLinks(indexed->index);
    indexed->generation = generation;
    return indexed;
}

void TPageIndexer::setActive(bool on) {
    if (on == active_)
        return;
    active_ = on;
    pauseTimer_.stop();
    dropSnapshot();
    if (on && !current())
        start();
}

void TPageIndexer::textChanged() {
    ++generation_;
    if (cancel_)
        *cancel_ = true;
    dropSnapshot();
    if (active_)
        pauseTimer_.start(pause);
}

void TPageIndexer::start() {
    if (current() || slices_)
        return;
    if (page_.length() < kSlicedFrom) {
        auto cancel = std::make_shared<std::atomic<bool>>(false);
        cancel_ = cancel;
        const int generation = generation_;
        worker_->post([this, text = page_.rawText(), generation, cancel] {
            if (*cancel)
                return;
            std::shared_ptr<TIndexed> indexed = make(pageBytes(text), generation, cancel.get());
            if (!*cancel)
                QMetaObject::invokeMethod(
                    this, [this, indexed] { take(indexed); }, Qt::QueuedConnection);
        });
        return;
    }
    slices_ = std::make_unique<TPageSlices>(page_);
    sliced_.clear();
    sliced_.reserve(static_cast<std::size_t>(page_.length()));
    snapshotTurn();
}

void TPageIndexer::snapshotTurn() {
    if (!slices_)
        return;
    QElapsedTimer clock;
    clock.start();
    while (slices_->next(sliced_, qsizetype(1) << 16))
        if (clock.elapsed() >= kTurnMs) {
            sliceTimer_.start();
            return;
        }
    slices_.reset();
    sliceTimer_.stop();
    post(std::move(sliced_));
    sliced_ = std::string();
}

void TPageIndexer::post(std::string bytes) {
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    cancel_ = cancel;
    const int generation = generation_;
    worker_->post([this, bytes = std::move(bytes), generation, cancel] {
        if (*cancel)
            return;
        std::shared_ptr<TIndexed> indexed = make(bytes, generation, cancel.get());
        if (!*cancel)
            QMetaObject::invokeMethod(
                this, [this, indexed] { take(indexed); }, Qt::QueuedConnection);
    });
}

void TPageIndexer::dropSnapshot() {
    slices_.reset();
    sliced_ = std::string();
    sliceTimer_.stop();
}

void TPageIndexer::take(std::shared_ptr<TIndexed> indexed) {
    if (indexed->generation != generation_ || current())
        return;
    latest_ = std::move(indexed);
    cancel_.reset();
    emit indexReady();
}

std::shared_ptr<const TPageIndexer::TIndexed> TPageIndexer::now() {
    if (!current()) {
        if (cancel_)
            *cancel_ = true;
        dropSnapshot();
        latest_ = make(pageBytes(page_.rawText()), generation_);
        emit indexReady();
    }
    return latest_;
}

void TPageIndexer::waitIdle() {
    while (slices_)
        snapshotTurn();
    worker_->waitIdle();
}
