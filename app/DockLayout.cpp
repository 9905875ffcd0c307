#include "app/DockLayout.h"

#include "platform/core/DockWidths.h"

#include <QDockWidget>
#include <QEvent>
#include <QLayout>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>

TDockLayout::TDockLayout(QMainWindow& window, QWidget& editor)
    : QObject(&window), window_(window), editor_(editor) {
    window_.installEventFilter(this);
    editor_.installEventFilter(this);
}

void TDockLayout::addDock(QDockWidget* dock, double firstShare) {
    docks_.push_back({dock, firstShare, -1});
    dock->installEventFilter(this);
    // Laid out at once: a command that shows a dock and then sizes it finds it laid out.
    const auto changed = [this] {
        updateEditorMinimum();
        arrange();
    };
    connect(dock, &QDockWidget::visibilityChanged, this, changed);
    connect(dock, &QDockWidget::topLevelChanged, this, changed);
    connect(dock, &QDockWidget::dockLocationChanged, this, changed);
}

double TDockLayout::share(const QDockWidget* dock) const {
    for (const TDock& d : docks_)
        if (d.dock == dock)
            return d.share;
    return 0;
}

void TDockLayout::setShare(const QDockWidget* dock, double share) {
    for (TDock& d : docks_)
        if (d.dock == dock)
            d.share = std::clamp(share, docks::kLeastShare, docks::kMostShare);
    schedule();
}

bool TDockLayout::besideEditor(const TDock& d) const {
    const Qt::DockWidgetArea area = window_.dockWidgetArea(d.dock);
    return !d.dock->isHidden() && !d.dock->isFloating() &&
           (area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea);
}

std::vector<TDockLayout::TDock*> TDockLayout::besideEditor() {
    std::vector<TDock*> shown;
    for (TDock& d : docks_)
        if (besideEditor(d))
            shown.push_back(&d);
    return shown;
}

// The width the editor and the docks beside it share: the window's less the docks' separators.
int TDockLayout::room(std::size_t docks) const {
    return window_.width() - int(docks) * separator();
}

int TDockLayout::separator() const {
    return window_.style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, &window_);
}

int TDockLayout::editorMinimum() const {
    int docksMinimum = 0;
    bool any = false;
    for (const TDock& d : docks_) {
        if (!besideEditor(d))
            continue;
        any = true;
        docksMinimum += d.dock->minimumSizeHint().width() + separator();
    }
    if (!any)
        return 0;
    // The columns and what the editor shows around its text: its frame, margins and scroll bar.
    int around = 0;
    if (auto* text = qobject_cast<QPlainTextEdit*>(&editor_))
        around = 2 * text->frameWidth() + 2 * int(text->document()->documentMargin()) +
                 text->verticalScrollBar()->sizeHint().width();
    const int columns = kColumns * editor_.fontMetrics().averageCharWidth() + around;
    const int screen = window_.screen() ? window_.screen()->availableGeometry().width() : 32767;
    return docks::editorMinimum(columns, screen, docksMinimum);
}

void TDockLayout::updateEditorMinimum() {
    const int minimum = editorMinimum();
    if (editor_.minimumWidth() == minimum)
        return;
    editor_.setMinimumWidth(minimum);
    // The docks the new minimum squeezes were not dragged: nothing is taken as a share until the
    // next arrangement.
    arrangedRoom_ = -1;
    schedule();
}

void TDockLayout::schedule() {
    if (scheduled_)
        return;
    scheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        scheduled_ = false;
        arrange();
    });
}

void TDockLayout::arrange() {
    const std::vector<TDock*> shown = besideEditor();
    const int room = this->room(shown.size());
    if (!shown.empty()) {
        std::vector<docks::TDockWant> wants;
        QList<QDockWidget*> list;
        for (TDock* d : shown) {
            wants.push_back({d->share, d->dock->minimumSizeHint().width()});
            list << d->dock;
        }
        const std::vector<int> widths = docks::dockWidths(room, editor_.minimumWidth(), wants);
        arranging_ = true;
        window_.resizeDocks(list, QList<int>(widths.begin(), widths.end()), Qt::Horizontal);
        // Laid out now, so that the docks' resizes come while they are known to be this one's.
        window_.layout()->activate();
        arranging_ = false;
        for (TDock* d : shown)
            d->arranged = d->dock->width();
    }
    arrangedRoom_ = room;
}

bool TDockLayout::eventFilter(QObject* watched, QEvent* e) {
    if (watched == &window_ && e->type() == QEvent::Resize)
        schedule();
    else if (watched == &editor_ &&
             (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange))
        updateEditorMinimum();
    else if (e->type() == QEvent::Resize && !arranging_) {
        // A dock that changes its width while the window keeps its own was dragged: its new
        // width is its share from now on.
        const std::vector<TDock*> shown = besideEditor();
        const int room = this->room(shown.size());
        for (TDock* d : shown)
            if (d->dock == watched && room == arrangedRoom_ && room > 0 &&
                d->dock->width() != d->arranged) {
                d->arranged = d->dock->width();
                d->share =
                    std::clamp(double(d->arranged) / room, docks::kLeastShare, docks::kMostShare);
            }
    }
    return QObject::eventFilter(watched, e);
}
