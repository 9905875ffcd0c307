#include "platform/PreviewPager.h"

#include "platform/QtPrintDevice.h"

#include <QEvent>
#include <QGraphicsItem>
#include <QGraphicsView>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScrollBar>

#include <climits>

TPreviewPager::TPreviewPager(QPrintPreviewWidget& preview, const std::vector<std::u16string>& lines,
                             const TFontAttributes& font, TProgressFactory progress)
    : preview_(preview), font_(font), progress_(std::move(progress)), pages_(lines) {
    // Scrolling through many pages refreshes once it pauses, not at every page passed.
    refresh_.setSingleShot(true);
    refresh_.setInterval(80);
    connect(&refresh_, &QTimer::timeout, this, &TPreviewPager::refresh);
    // Told at the end of every refresh (once the new page items are in) and when the current
    // page changes.
    connect(&preview_, &QPrintPreviewWidget::previewChanged, this, [this] {
        awaitingPages_ = false;
        currentPageMoved();
    });
    // Going to a page by its number moves the view without telling previewChanged.
    if (auto* view = preview_.findChild<QGraphicsView*>()) {
        view_ = view->viewport();
        view_->installEventFilter(this);
        connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this,
                &TPreviewPager::currentPageMoved);
        connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this,
                &TPreviewPager::currentPageMoved);
    }
}

void TPreviewPager::paint(QPrinter& target) {
    painting_ = true;
    struct TDone {
        bool& flag;
        ~TDone() { flag = false; }
    } done{painting_};
    const auto [firstSeen, lastSeen] = pagesInSight();
    const int first = std::max(0, firstSeen - kBehind);
    const int last = std::min(lastSeen + kAhead, first + kMostDrawn - 1);
    // The view's items are made again once the new pages are in: until then what the view shows
    // is no guide.
    itemPages_.clear();
    awaitingPages_ = true;
    if (pages_.indexed() && (target.pageLayout() != layout_ || target.resolution() != resolution_))
        pages_.reset();
    TQtPrintDevice device(target, font_);
    if (pages_.indexed()) {
        pages_.printWindow(device, first, last);
    } else {
        layout_ = target.pageLayout();
        resolution_ = target.resolution();
        std::unique_ptr<TPrintProgress> progress = progress_ ? progress_() : nullptr;
        pages_.printAll(device, first, last, progress.get());
    }
    first_ = std::min(first, pages_.pageCount() - 1);
    last_ = std::min(last, pages_.pageCount() - 1);
}

bool TPreviewPager::eventFilter(QObject* watched, QEvent* e) {
    // While the preview's printer records new pages it has already deleted the pictures that the
    // view shows: the view must not paint them when window events are let through between pages
    // (it crashes, Qt 6.4). It is painted again once the new pages are in.
    if (painting_ && watched == view_ && e->type() == QEvent::Paint)
        return true;
    return QObject::eventFilter(watched, e);
}

std::pair<int, int> TPreviewPager::pagesInSight() {
    const int current = std::max(0, preview_.currentPage() - 1);
    auto* view = view_ ? qobject_cast<QGraphicsView*>(view_->parentWidget()) : nullptr;
    if (!view || !view->scene())
        return {current, current};
    // The preview adds one item per page, in the order of the pages.
    if (itemPages_.isEmpty()) {
        int page = 0;
        for (QGraphicsItem* item : view->scene()->items(Qt::AscendingOrder))
            if (item->type() == QGraphicsItem::UserType && !item->parentItem())
                itemPages_.insert(item, page++);
    }
    int first = INT_MAX, last = -1;
    for (QGraphicsItem* item : view->items(view_->rect())) {
        const auto it = itemPages_.constFind(item);
        if (it == itemPages_.cend())
            continue;
        first = std::min(first, it.value());
        last = std::max(last, it.value());
    }
    if (last < 0)
        return {current, current};
    return {first, last};
}

bool TPreviewPager::sightDrawn() {
    const auto [firstSeen, lastSeen] = pagesInSight();
    const int need = std::min(lastSeen + 2, pages_.pageCount() - 1);
    return std::max(0, firstSeen - 1) >= first_ &&
           (need <= last_ || last_ - first_ + 1 >= kMostDrawn);
}

void TPreviewPager::currentPageMoved() {
    if (!pages_.indexed() || painting_ || awaitingPages_)
        return;
    if (!sightDrawn())
        refresh_.start();
}

void TPreviewPager::refresh() {
    // A refresh asked for while the pages are being drawn (the device lets window events through
    // between pages) waits for that pass to end.
    if (painting_ || awaitingPages_) {
        refresh_.start();
        return;
    }
    // The view passes other pages while it settles after a refresh: only where it rests counts.
    if (!sightDrawn())
        preview_.updatePreview();
}
