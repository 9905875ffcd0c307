#include "markup/CompletionPopup.h"

#include "document/PageDocument.h"
#include "document/PageText.h"
#include "editor/ColMemo.h"
#include "markup/PageIndexer.h"
#include "markup/core/Actions.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QScrollBar>
#include <QTextCursor>

#include <algorithm>

using namespace markup;

namespace {

// Lines read before the caret's: a link's visible text may start there.
constexpr int kLinesBefore = 2;
constexpr int kVisibleRows = 10;
// Pages up to this long are indexed at once for their names.
constexpr int kReadNowUpTo = 4 << 20;

// The kind of list that a typed character opens.
TCompletionKind triggerOf(const QString& text) {
    if (text == "^")
        return TCompletionKind::Code;
    if (text == "=")
        return TCompletionKind::ActionWord;
    if (text == ":")
        return TCompletionKind::TargetName;
    if (text == "[")
        return TCompletionKind::Variable;
    return TCompletionKind::None;
}

} // namespace

TCompletionPopup::TCompletionPopup(TColorMemo* memo, TPageIndexer* indexer, QObject* parent)
    : QObject(parent), memo_(memo), indexer_(indexer) {
    // A list beside the editor that never takes the focus: the editor keeps the keys.
    list_ = new QListWidget(memo);
    list_->setObjectName("CompletionList");
    list_->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    list_->setAttribute(Qt::WA_ShowWithoutActivating);
    list_->setFocusPolicy(Qt::NoFocus);
    list_->setUniformItemSizes(true);
    list_->hide();
    connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        list_->setCurrentItem(item);
        accept();
    });
    memo_->installEventFilter(this);
    connect(memo_, &QPlainTextEdit::textChanged, this, [this] {
        const TCompletionKind trigger = typedTrigger_;
        typedTrigger_ = TCompletionKind::None;
        if (trigger != TCompletionKind::None && enabled_)
            refresh(true, trigger);
    });
    connect(memo_, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (isOpen())
            refresh(false);
    });
}

TCompletionPopup::~TCompletionPopup() = default;

void TCompletionPopup::setEnabled(bool on) {
    enabled_ = on;
    if (!on)
        close();
}

bool TCompletionPopup::isOpen() const {
    return list_->isVisible();
}

void TCompletionPopup::close() {
    list_->hide();
    context_ = {};
    moved_ = false;
}

TCompletionPopup::TWindow TCompletionPopup::window() const {
    const TPageDocument& page = memo_->Page();
    const int caret = memo_->adapter().offsetFromPosition(memo_->textCursor().selectionStart());
    const int line = page.lineColumnOfOffset(caret).line;
    const int first = std::max(0, line - kLinesBefore);
    TWindow w;
    w.offset = page.lineOffset(first);
    for (int l = first; l <= line; ++l) {
        if (l > first)
            w.bytes += "\r\n";
        w.bytes += pagetext::toPageBytes(page.lineText(l));
    }
    w.caret = std::clamp(caret - w.offset, 0, static_cast<int>(w.bytes.size()));
    return w;
}

const TPageIndex& TCompletionPopup::index() const {
    // A long page is not read again while the author types: its last index serves, and a new one
    // is on its way.
    if (indexer_->current() || memo_->Page().length() < kReadNowUpTo)
        return indexer_->now()->index;
    if (!indexer_->latest()) {
        static const TPageIndex none;
        return none;
    }
    return indexer_->latest()->index;
}

std::vector<TCompletionItem> TCompletionPopup::itemsFor(const TCompletionContext& c,
                                                        const TWindow& w) const {
    switch (c.kind) {
    case TCompletionKind::Code:
        return codeItems(sizeText ? sizeText().toStdString() : std::string("12"),
                         colorNumber ? colorNumber() : 0);
    case TCompletionKind::ActionWord:
        return actionItems(c.closed);
    case TCompletionKind::TargetName:
        return nameItems(index().targetNames());
    case TCompletionKind::Variable: {
        const bool closed = c.to < static_cast<int>(w.bytes.size()) &&
                            w.bytes[static_cast<std::size_t>(c.to)] == ']';
        return nameItems(index().variableNames(), closed ? "" : "]");
    }
    case TCompletionKind::FileArgument: {
        std::vector<TCompletionItem> items;
        if (!files)
            return items;
        for (const QString& path : files(c.action)) {
            const std::string bytes = pagetext::toPageBytes(path);
            if (!actions::canQuote(bytes))
                continue;
            TCompletionItem item;
            item.text = pagetext::toPageBytes(QFileInfo(path).fileName());
            item.insert = bytes;
            item.caret = static_cast<int>(bytes.size());
            items.push_back(std::move(item));
        }
        return items;
    }
    case TCompletionKind::None:
        break;
    }
    return {};
}

void TCompletionPopup::refresh(bool opening, TCompletionKind kind) {
    const TWindow w = window();
    TCompletionContext c = completionAt(w.bytes, w.caret);
    // A selected placeholder is replaced whole: nothing of it counts as typed.
    const QTextCursor cursor = memo_->textCursor();
    if (c.kind == TCompletionKind::FileArgument && cursor.hasSelection())
        c.prefix.clear();
    if (c.kind == TCompletionKind::None ||
        (opening && kind != TCompletionKind::None && c.kind != kind) ||
        (!opening && c.kind != context_.kind)) {
        close();
        return;
    }
    if (opening || items_.empty())
        items_ = itemsFor(c, w);
    if (opening)
        moved_ = false;
    context_ = c;
    windowOffset_ = w.offset;
    fill();
}

void TCompletionPopup::fill() {
    const TCompletionContext typed = filtered();
    shown_ = filterItems(items_, typed.prefix);
    // Whole as typed: no choice adds to it, unless longer ones start with it.
    const bool onlyWhole =
        typedWhole(typed, shown_) &&
        (typed.kind == TCompletionKind::Code ||
         std::all_of(shown_.begin(), shown_.end(), [&](const TCompletionItem& item) {
             return item.text.size() == typed.prefix.size();
         }));
    if (shown_.empty() || onlyWhole) {
        close();
        return;
    }
    const QString current = list_->currentItem() ? list_->currentItem()->text() : QString();
    list_->clear();
    for (const TCompletionItem& item : shown_) {
        QString label = pagetext::fromBytes(item.text);
        if (!item.detail.empty())
            label += QString(" %1 %2").arg(QChar(0x2014)).arg(pagetext::fromBytes(item.detail));
        list_->addItem(label);
    }
    const auto same = list_->findItems(current, Qt::MatchExactly);
    list_->setCurrentRow(same.isEmpty() ? 0 : list_->row(same.first()));
    place();
}

void TCompletionPopup::place() {
    // The list's own face at the editor's size, so that it reads like the text it goes into.
    QFont f = list_->font();
    const QFont editor = memo_->font();
    if (editor.pointSizeF() > 0)
        f.setPointSizeF(editor.pointSizeF());
    else
        f.setPixelSize(editor.pixelSize());
    if (f != list_->font())
        list_->setFont(f);
    const int rows = std::min(list_->count(), kVisibleRows);
    const int rowHeight = std::max(list_->sizeHintForRow(0), 12);
    int width = 160;
    for (int r = 0; r < list_->count(); ++r)
        width = std::max(width, list_->sizeHintForColumn(0) + 28);
    list_->resize(std::min(width, 420), rows * rowHeight + 2 * list_->frameWidth() + 2);
    const QRect caret = memo_->cursorRect();
    list_->move(memo_->viewport()->mapToGlobal(caret.bottomLeft() + QPoint(0, 2)));
    list_->show();
    list_->raise();
}

void TCompletionPopup::accept() {
    const int row = list_->currentRow();
    if (!isOpen() || row < 0 || row >= static_cast<int>(shown_.size())) {
        close();
        return;
    }
    const TCompletionItem item = shown_[static_cast<std::size_t>(row)];
    const TCompletionContext c = context_;
    close();
    TPageDocument& page = memo_->Page();
    const int from = windowOffset_ + c.from;
    // What is selected goes too (a placeholder), as far as it reaches.
    const QTextCursor cursor = memo_->textCursor();
    const int selectionEnd = memo_->adapter().offsetFromPosition(cursor.selectionEnd());
    const int to = std::max(windowOffset_ + c.to, selectionEnd);
    page.replace(from, to - from, pagetext::fromBytes(item.insert));
    QTextCursor after(page.textDocument());
    after.setPosition(page.positionFromOffset(from + item.caret));
    if (item.selectLength > 0)
        after.setPosition(page.positionFromOffset(from + item.caret + item.selectLength),
                          QTextCursor::KeepAnchor);
    memo_->setTextCursor(after);
    memo_->ensureCursorVisible();
    // An action whose first placeholder is its file: the files are offered at once.
    if (c.kind == TCompletionKind::ActionWord && enabled_)
        refresh(true, TCompletionKind::FileArgument);
}

bool TCompletionPopup::choiceAdds() const {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(shown_.size()))
        return false;
    return !typedWhole(filtered(), {shown_[static_cast<std::size_t>(row)]});
}

TCompletionContext TCompletionPopup::filtered() const {
    TCompletionContext c = context_;
    // File names filter on the name, whatever folder the typed path names.
    if (c.kind == TCompletionKind::FileArgument)
        c.prefix = pagetext::toPageBytes(QFileInfo(pagetext::fromBytes(c.prefix)).fileName());
    return c;
}

bool TCompletionPopup::openAtCaret() {
    refresh(true);
    return isOpen();
}

bool TCompletionPopup::stepArgument(bool forward) {
    const TWindow w = window();
    const QTextCursor cursor = memo_->textCursor();
    const int selectionEnd = memo_->adapter().offsetFromPosition(cursor.selectionEnd()) - w.offset;
    const auto span = argumentStep(w.bytes, w.caret, selectionEnd, forward);
    if (!span)
        return false;
    const TPageDocument& page = memo_->Page();
    QTextCursor c(page.textDocument());
    c.setPosition(page.positionFromOffset(w.offset + span->offset));
    c.setPosition(page.positionFromOffset(w.offset + span->offset + span->length),
                  QTextCursor::KeepAnchor);
    memo_->setTextCursor(c);
    if (enabled_)
        refresh(true, TCompletionKind::FileArgument);
    return true;
}

bool TCompletionPopup::eventFilter(QObject* watched, QEvent* e) {
    if (watched != memo_)
        return QObject::eventFilter(watched, e);
    if (e->type() == QEvent::FocusOut || e->type() == QEvent::Hide) {
        close();
        return false;
    }
    if (e->type() != QEvent::KeyPress)
        return false;
    auto* k = static_cast<QKeyEvent*>(e);
    const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
    if (isOpen() && (mods == Qt::NoModifier || mods == Qt::ShiftModifier)) {
        const int row = list_->currentRow();
        const int last = list_->count() - 1;
        switch (k->key()) {
        case Qt::Key_Up:
            list_->setCurrentRow(row > 0 ? row - 1 : last);
            moved_ = true;
            return true;
        case Qt::Key_Down:
            list_->setCurrentRow(row < last ? row + 1 : 0);
            moved_ = true;
            return true;
        case Qt::Key_PageUp:
            list_->setCurrentRow(std::max(row - kVisibleRows, 0));
            moved_ = true;
            return true;
        case Qt::Key_PageDown:
            list_->setCurrentRow(std::min(row + kVisibleRows, last));
            moved_ = true;
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
            if (moved_ || choiceAdds()) {
                accept();
                return true;
            }
            close();
            break;
        case Qt::Key_Escape:
            close();
            return true;
        default:
            break;
        }
    }
    if (!enabled_ || memo_->isReadOnly())
        return false;
    if (mods == Qt::ControlModifier && k->key() == Qt::Key_Space)
        return openAtCaret() || true;
    if ((k->key() == Qt::Key_Tab && mods == Qt::NoModifier) || k->key() == Qt::Key_Backtab)
        return stepArgument(k->key() == Qt::Key_Tab);
    typedTrigger_ = triggerOf(k->text());
    return false;
}
