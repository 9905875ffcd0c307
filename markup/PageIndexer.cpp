#include "markup/PageIndexer.h"

#include "document/PageDocument.h"
#include "document/PageText.h"
#include "platform/core/LatestJobWorker.h"

#include <QPointer>
#include <QTextDocument>

TPageIndexer::TPageIndexer(const TPageDocument& page, QObject* parent)
    : QObject(parent), page_(page), worker_(std::make_unique<TLatestJobWorker>()) {
    pauseTimer_.setSingleShot(true);
    connect(&pauseTimer_, &QTimer::timeout, this, &TPageIndexer::start);
    connect(page.textDocument(), &QTextDocument::contentsChanged, this, &TPageIndexer::textChanged);
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
    if (on && !current())
        start();
}

void TPageIndexer::textChanged() {
    ++generation_;
    if (cancel_)
        *cancel_ = true;
    if (active_)
        pauseTimer_.start(pause);
}

void TPageIndexer::start() {
    if (current())
        return;
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    cancel_ = cancel;
    const int generation = generation_;
    worker_->post([this, text = page_.rawText(), generation, cancel] {
        if (*cancel)
            return;
        std::shared_ptr<TIndexed> indexed = make(pageBytes(text), generation, cancel.get());
        if (*cancel)
            return;
        QMetaObject::invokeMethod(
            this, [this, indexed] { take(indexed); }, Qt::QueuedConnection);
    });
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
        latest_ = make(pageBytes(page_.rawText()), generation_);
        emit indexReady();
    }
    return latest_;
}

void TPageIndexer::waitIdle() {
    worker_->waitIdle();
}
