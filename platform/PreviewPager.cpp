#include "platform/PreviewPager.h"

#include "platform/QtPrintDevice.h"

#include <QEvent>
#include <QGraphicsView>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScrollBar>

TPreviewPager::TPreviewPager(QPrintPreviewWidget& preview, const std::vector<std::u16string>& lines,
                             const TFontAttributes& font, TProgressFactory progress)
    : preview_(preview), font_(font), progress_(std::move(progress)), pages_(lines) {
    // Scrolling through many pages refreshes once it pauses, not at every page passed.
    refresh_.setSingleShot(true);
    refresh_.setInterval(80);
    connect(&refresh_, &QTimer::timeout, this, &TPreviewPager::refresh);
    connect(&preview_, &QPrintPreviewWidget::previewChanged, this,
            &TPreviewPager::currentPageMoved);
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
    const int current = preview_.currentPage() - 1;
    const int first = std::max(0, current - kBehind);
    const int last = current + kAhead;
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

void TPreviewPager::currentPageMoved() {
    if (!pages_.indexed())
        return;
    const int current = preview_.currentPage() - 1;
    const int lastPage = pages_.pageCount() - 1;
    const bool drawn =
        std::max(0, current - 1) >= first_ && std::min(current + 2, lastPage) <= last_;
    if (!drawn)
        refresh_.start();
}

void TPreviewPager::refresh() {
    // A refresh asked for while the pages are being drawn (the device lets window events through
    // between pages) waits for that pass to end.
    if (painting_) {
        refresh_.start();
        return;
    }
    preview_.updatePreview();
}
