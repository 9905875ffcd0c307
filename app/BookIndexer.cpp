#include "app/BookIndexer.h"

#include "document/PageDocument.h"
#include "document/PageText.h"
#include "platform/core/LatestJobWorker.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImageReader>

namespace {

// Progress is posted back at most this often.
constexpr auto kProgressEvery = std::chrono::milliseconds(50);

} // namespace

TBookIndexer::TBookIndexer(const TPageDocument& page, QObject* parent)
    : QObject(parent), page_(page), work_(std::make_shared<TWork>()),
      worker_(std::make_unique<TLatestJobWorker>()),
      watch_(page, {.changed = [this](int, int, int) { changed(pause); },
                    .path = [this](const QString&) { pathChanged(); }}) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &TBookIndexer::run);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { changed(settle); });
    pathChanged();
}

TBookIndexer::~TBookIndexer() {
    if (stop_)
        stop_->stop = true;
    // The run under way ends first; what it posts back dies with this object.
    worker_.reset();
}

void TBookIndexer::pathChanged() {
    const QString path = page_.path();
    const QString folder = path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
    if (folder != folder_) {
        if (!watcher_.directories().isEmpty())
            watcher_.removePaths(watcher_.directories());
        folder_ = folder;
        if (!folder_.isEmpty())
            watcher_.addPath(folder_);
        latest_.reset();
    }
    changed(std::chrono::milliseconds(0));
}

void TBookIndexer::changed(std::chrono::milliseconds wait) {
    ++generation_;
    if (stop_)
        stop_->stop = true;
    if (active_)
        timer_.start(wait);
}

void TBookIndexer::setActive(bool on) {
    if (on == active_)
        return;
    active_ = on;
    timer_.stop();
    if (on && !current())
        run();
}

void TBookIndexer::setBusy(bool busy) {
    if (busy == busy_)
        return;
    busy_ = busy;
    emit busyChanged(busy);
}

void TBookIndexer::run() {
    timer_.stop();
    if (stop_)
        stop_->stop = true;
    if (folder_.isEmpty()) {
        latest_.reset();
        setBusy(false);
        emit resultReady();
        return;
    }
    auto stop = std::make_shared<TStop>();
    stop_ = stop;
    setBusy(true);
    const int generation = generation_;
    worker_->post([this, stop, generation, work = work_, folder = folder_.toStdString(),
                   file = QFileInfo(page_.path()).fileName().toStdString(),
                   text = page_.rawText()] {
        if (stop->stop && !stop->byAuthor)
            return;
        auto result = std::make_shared<TResult>();
        result->generation = generation;
        book::TBook listed = book::TBook::list(folder, &result->error);
        if (work->index.book().folder() != folder)
            work->index = {};
        work->index.setBook(std::move(listed));
        const book::TBook& b = work->index.book();
        // The page last read from its document is read again, from the disk unless it is the
        // open page still; the open page always from its document.
        if (const int was = b.indexOfFile(work->open); was >= 0)
            work->index.invalidate(was);
        const int open = b.indexOfFile(file);
        work->open = open >= 0 ? file : std::string();
        if (open >= 0)
            work->index.invalidate(open);
        const book::TPageReader reader =
            book::withOpenPage(book::readPageFile, open >= 0 ? b.pathOf(open) : std::string(),
                               [&text] { return pagetext::toPageBytes(text); });
        auto last = std::chrono::steady_clock::now() - kProgressEvery;
        const bool done = work->index.indexPending(
            reader,
            [this, &last](int n, int total) {
                const auto now = std::chrono::steady_clock::now();
                if (now - last < kProgressEvery)
                    return;
                last = now;
                QMetaObject::invokeMethod(
                    this, [this, n, total] { emit progress(n, total); }, Qt::QueuedConnection);
            },
            &stop->stop);
        if (!done && !stop->byAuthor)
            return;
        book::TCheckOptions options;
        options.pictureReadable = [](const std::string& path) {
            return QImageReader(QString::fromStdString(path)).canRead();
        };
        if (done)
            result->findings = book::checkBook(work->index, options, &stop->stop);
        if (stop->stop && !stop->byAuthor)
            return;
        result->index = work->index;
        result->complete = !stop->stop;
        result->counts = book::findingCounts(result->findings, b.count());
        QMetaObject::invokeMethod(
            this, [this, result] { take(result); }, Qt::QueuedConnection);
    });
}

void TBookIndexer::stop() {
    if (!stop_)
        return;
    stop_->byAuthor = true;
    stop_->stop = true;
}

void TBookIndexer::take(std::shared_ptr<TResult> result) {
    if (result->generation != generation_) {
        // Overtaken: a run asked for once (the panel hidden) runs again on the pages as they are.
        if (!active_ && !timer_.isActive())
            run();
        return;
    }
    latest_ = std::move(result);
    stop_.reset();
    setBusy(false);
    emit resultReady();
}

void TBookIndexer::waitIdle() {
    if (timer_.isActive())
        run();
    worker_->waitIdle();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}
