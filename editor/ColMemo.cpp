// The editor view: keys, mouse, paint and the colouring pass over the page it shows. Its text and
// lines are in ColMemoText.cpp and its undo in ColMemoUndo.cpp; what stays here is the widget's
// event handling, which shares the pass's buffers and the caret's state, a little past 600 lines.
#include "editor/ColMemo.h"

#include "document/PageDocument.h"
#include "document/PageLayout.h"
#include "editor/HotSpots.h"
#include "editor/LineGeometry.h"
#include "editor/OverlayPainter.h"
#include "editor/core/CodeWords.h"
#include "platform/HandCursor.h"
#include "platform/QtColors.h"
#include "platform/QtFonts.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolTip>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// The pointer over a hot spot: the program's pointing hand.
QCursor hotSpotCursor() {
    return handCursor();
}

} // namespace

namespace {

// The page the editor shows: the window's, or a new one of its own.
TPageDocument* showPage(QPlainTextEdit* editor, TPageDocument* page) {
    if (!page)
        page = new TPageDocument(editor);
    editor->setDocument(page->textDocument());
    return page;
}

} // namespace

TColorMemo::TColorMemo(QWidget* owner) : TColorMemo(nullptr, owner) {}

TColorMemo::TColorMemo(TPageDocument* page, QWidget* owner)
    : QPlainTextEdit(owner), page_(showPage(this, page)), adapter_(this) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    pageLayout()->setWidth(viewport()->width());
    pageWatch_ = std::make_unique<TPageWatch>(
        *page_, TPageWatch::TNotices{.loadState = [this](TPageLoadState s) {
            if (s == TPageLoadState::Idle)
                typeHeldKeys();
        }});
    SetEditorFont(font_);
    // The hand cursor follows the mouse without a button held.
    viewport()->setMouseTracking(true);
    connect(this, &QPlainTextEdit::textChanged, this, &TColorMemo::textChangedHandler);
    watchCaretForPages();
    // Page Up, Page Down and the caret keeping itself in view move the view without passing
    // through scrollContentsBy: the control then shifts its image, whose line that was partly
    // visible at the bottom carries no keys. Every vertical move repaints the whole view.
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect&, int dy) {
        if (dy != 0)
            DrawKeys(false);
    });
}

TColorMemo::~TColorMemo() = default;

bool TColorMemo::Modified() const {
    return page_->isModified();
}
void TColorMemo::SetModified(bool modified) {
    page_->setModified(modified);
}

void TColorMemo::SetEditorFont(const TFontAttributes& font) {
    font_ = font;
    setFont(toPageFont(font));
    QPalette p = palette();
    p.setColor(QPalette::Text, toQColor(font.color, QPalette()));
    setPalette(p);
}

bool TColorMemo::WordWrap() const {
    return lineWrapMode() != QPlainTextEdit::NoWrap;
}

void TColorMemo::SetWordWrap(bool on) {
    setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

TPageLayout* TColorMemo::pageLayout() const {
    return static_cast<TPageLayout*>(document()->documentLayout());
}

void TColorMemo::resizeEvent(QResizeEvent* e) {
    // The page's layout wraps the lines anew at the view's width; the toolkit's own way gives
    // every line of the page a layout object. The toolkit then only sets its scroll bars.
    pageLayout()->setWidth(viewport()->width());
    QResizeEvent sameWidth(e->size(), QSize(e->size().width(), e->oldSize().height()));
    QPlainTextEdit::resizeEvent(&sameWidth);
}

void TColorMemo::SetScrollBars(TScrollStyle style) {
    const bool v = style == ssVertical || style == ssBoth;
    const bool h = style == ssHorizontal || style == ssBoth;
    setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

bool TColorMemo::holdsKey(const QKeyEvent* e) {
    if (page_->loadState() != TPageDocument::TLoadState::Loading || !isReadOnly())
        return false;
    const bool typing = (!e->text().isEmpty() && e->text().at(0).isPrint()) ||
                        e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter ||
                        e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backspace ||
                        e->key() == Qt::Key_Delete;
    if (!typing || (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    heldKeys_.push_back(std::make_unique<QKeyEvent>(e->type(), e->key(), e->modifiers(), e->text(),
                                                    e->isAutoRepeat(), e->count()));
    return true;
}

void TColorMemo::typeHeldKeys() {
    if (heldKeys_.empty() || isReadOnly())
        return;
    std::vector<std::unique_ptr<QKeyEvent>> keys;
    keys.swap(heldKeys_);
    for (const std::unique_ptr<QKeyEvent>& k : keys)
        keyPressEvent(k.get());
}

void TColorMemo::keyPressEvent(QKeyEvent* e) {
    if (holdsKey(e)) {
        e->accept();
        return;
    }
    // A navigation key without modifiers acts from the selection's end: the selection collapses
    // there first.
    const bool navigation = e->key() >= Qt::Key_Home && e->key() <= Qt::Key_PageDown;
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if (navigation && mods == Qt::NoModifier && textCursor().hasSelection()) {
        QTextCursor c = textCursor();
        c.setPosition(c.selectionEnd());
        setTextCursor(c);
        caretTookX(c);
        DrawKeys(false);
    }
    if (page_->hasContinuations())
        stepOverCut(e);
    if (pageKey(e) || wordKey(e) || lineKey(e)) {
        e->accept();
        return;
    }
    const QString text = e->text();
    if (!text.isEmpty() && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const QString page = toPageText(text);
        if (page != text && text != "\r") {
            QKeyEvent replaced(e->type(), e->key(), e->modifiers(), page, e->isAutoRepeat(),
                               e->count());
            QPlainTextEdit::keyPressEvent(&replaced);
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(e);
}

void TColorMemo::stepOverCut(const QKeyEvent* e) {
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    QTextCursor c = textCursor();
    const bool back = e->key() == Qt::Key_Left || e->key() == Qt::Key_Backspace;
    const bool ahead = e->key() == Qt::Key_Right || e->key() == Qt::Key_Delete;
    const bool deletes = e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete;
    if ((!back && !ahead) || (deletes && c.hasSelection()))
        return;
    const auto mode = shift && !deletes ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor;
    bool moved = false;
    if (back) {
        while (c.positionInBlock() == 0 && page_->continuesLine(c.blockNumber())) {
            c.setPosition(c.position() - 1, mode);
            moved = true;
        }
    } else {
        while (c.atBlockEnd() && page_->continuesLine(c.blockNumber() + 1)) {
            c.setPosition(c.position() + 1, mode);
            moved = true;
        }
    }
    if (moved)
        setTextCursor(c);
}

namespace {

std::u16string_view lineOf(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())};
}

} // namespace

bool TColorMemo::wordKey(const QKeyEvent* e) {
    using QK = QKeySequence;
    const bool back = e->matches(QK::MoveToPreviousWord) || e->matches(QK::SelectPreviousWord) ||
                      e->matches(QK::DeleteStartOfWord);
    const bool ahead = e->matches(QK::MoveToNextWord) || e->matches(QK::SelectNextWord) ||
                       e->matches(QK::DeleteEndOfWord);
    if (!back && !ahead)
        return false;
    const bool select = e->matches(QK::SelectPreviousWord) || e->matches(QK::SelectNextWord);
    const bool deletes = e->matches(QK::DeleteStartOfWord) || e->matches(QK::DeleteEndOfWord);
    QTextCursor c = textCursor();
    if (deletes && (c.hasSelection() || isReadOnly()))
        return false;
    QTextCursor target = c;
    target.movePosition(back ? QTextCursor::PreviousWord : QTextCursor::NextWord);
    // Across a line break the toolkit's move stands: codes never span lines.
    if (target.blockNumber() != c.blockNumber())
        return false;
    const QTextBlock block = c.block();
    const QString text = block.text();
    const int to =
        codewords::limitMove(lineOf(text), c.positionInBlock(), target.positionInBlock());
    if (to == target.positionInBlock())
        return false;
    const auto mode = select || deletes ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor;
    c.setPosition(block.position() + to, mode);
    if (deletes)
        c.removeSelectedText();
    setTextCursor(c);
    ensureCursorVisible();
    return true;
}

void TColorMemo::inputMethodEvent(QInputMethodEvent* e) {
    if (!e->commitString().isEmpty()) {
        const QString page = toPageText(e->commitString());
        if (page != e->commitString()) {
            QInputMethodEvent replaced(e->preeditString(), e->attributes());
            replaced.setCommitString(page, e->replacementStart(), e->replacementLength());
            QPlainTextEdit::inputMethodEvent(&replaced);
            return;
        }
    }
    QPlainTextEdit::inputMethodEvent(e);
}

void TColorMemo::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasText())
        return;
    QTextCursor c = textCursor();
    // A drop that moves text removes it and inserts it in one step: the cuts it leaves standing
    // are kept through that step.
    page_->prepareWideEdit();
    int lost = 0;
    page_->insertText(c, toPageText(source->text(), &lost));
    setTextCursor(c);
    ensureCursorVisible();
    if (lost > 0)
        emit charactersLost(lost);
}

QMimeData* TColorMemo::createMimeDataFromSelection() const {
    const QTextCursor c = textCursor();
    QString text = page_->rawText(c.selectionStart(), c.selectionEnd());
    text.replace(QChar(0x2029), u'\n');
    auto* data = new QMimeData;
    data->setText(text);
    return data;
}

bool TColorMemo::event(QEvent* e) {
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->matches(QKeySequence::Undo)) {
        if (!isReadOnly())
            Undo();
        return true;
    }
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->matches(QKeySequence::Redo)) {
        if (!isReadOnly())
            Redo();
        return true;
    }
    // Ctrl+A belongs to the main window's Assistants switch, not to select-all.
    if (e->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->matches(QKeySequence::SelectAll)) {
            e->ignore();
            return true;
        }
    }
    return QPlainTextEdit::event(e);
}

// A finding's underline tells its message when the pointer rests on it.
bool TColorMemo::viewportEvent(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        // The character under the pointer: the caret position nearest to it is on its left or its
        // right edge. Beyond a line's end, the line break only right after the last character.
        const QTextCursor at = cursorForPosition(help->pos());
        const int x = cursorRect(at).x();
        int character = at.position();
        if (x > help->pos().x() && character > at.block().position())
            --character;
        else if (at.atBlockEnd() && help->pos().x() - x > 2 * fontMetrics().averageCharWidth())
            character = -1;
        const int k = character < 0 ? -1 : findingMarks_.markAt(character);
        if (k >= 0 && !findingMarks_.marks()[k].message.isEmpty())
            QToolTip::showText(help->globalPos(), findingMarks_.marks()[k].message, viewport());
        else
            QToolTip::hideText();
        return true;
    }
    return QPlainTextEdit::viewportEvent(e);
}

// ---- Properties ---------------------------------------------------------------------------------

void TColorMemo::SetColorRules(const TDrawRules& rules) {
    if (&rules != &rules_)
        rules_.Assign(rules);
    viewport()->update();
}

void TColorMemo::SetColorLimMax(int value) {
    value = std::max(0, value);
    if (value == colorLimMax_)
        return;
    colorLimMax_ = value;
    drawArray_.assign(static_cast<size_t>(value), TKeyDescr{});
    if (value == 0)
        drawArray_.shrink_to_fit();
}

void TColorMemo::SetRedrawAlways(bool on) {
    redrawAlways_ = on;
    viewport()->update();
}

void TColorMemo::SetHotSpot(const THotSpot& hotSpot) {
    hotSpot_ = hotSpot;
    if (!hotSpot_.Active)
        setHandCursor(false);
    viewport()->update();
}

void TColorMemo::SetMatchMarks(const TTextSearch& search) {
    matchMarks_.setSearch(search);
    viewport()->update();
}

std::vector<TKeyDescr> TColorMemo::lastRuns() const {
    return runs_;
}

QRect TColorMemo::caretLineRect() const {
    const QTextCursor c = textCursor();
    const QTextBlock block = c.block();
    const QTextLayout* layout = block.layout();
    if (!layout || layout->lineCount() == 0)
        return {};
    const QTextLine line = layout->lineForTextPosition(c.positionInBlock());
    if (!line.isValid())
        return {};
    // Down from the first visible block to the caret's, as the view stacks them; a line counts
    // from the top line of the view on (see TEditAdapter::visibleLines).
    QTextBlock b = firstVisibleBlock();
    if (!b.isValid() || block.blockNumber() < b.blockNumber())
        return {};
    const qreal height = viewport()->height();
    qreal y = contentOffset().y();
    for (; b != block; b = b.next()) {
        y += blockBoundingRect(b).height();
        if (!b.next().isValid() || y >= height)
            return {};
    }
    const qreal lineTop = y + layout->position().y() + line.y();
    if (lineTop < -0.5 || lineTop >= height)
        return {};
    const int top = static_cast<int>(std::floor(lineTop));
    return QRect(0, top, viewport()->width(),
                 static_cast<int>(std::ceil(lineTop + line.height())) - top);
}

// ---- Scheduling the pass ------------------------------------------------------------------------

void TColorMemo::DrawKeys(bool LineOnly) {
    if (!LineOnly) {
        viewport()->update();
        return;
    }
    QRect r = caretLineRect();
    // Lines above the caret line take part when keys may span several lines.
    const int above = rules_.Count() > 0 ? std::max(0, rules_[0].KeyMaxHeight - 1) : 0;
    if (!r.isEmpty() && above > 0)
        r.setTop(0);
    if (!r.isEmpty())
        viewport()->update(r);
}

void TColorMemo::textChangedHandler() {
    // Other receivers of textChanged (the program's OnChange) run before the repaint below
    // reaches the screen: the pass runs in the next paint event.
    if (loading_)
        return;
    if (redrawAlways_) {
        DrawKeys(false);
        return;
    }
    const int lines = document()->lineCount();
    const int end = adapter_.textLength();
    const bool lineOnly = lines == lastLineCount_ && end == lastTextEnd_ + 1;
    DrawKeys(lineOnly);
    lastLineCount_ = lines;
    lastTextEnd_ = end;
}

// ---- Hot spots ----------------------------------------------------------------------------------

std::optional<QString> TColorMemo::hotSpotAt(QPoint point) const {
    return hotSpotTextAt(adapter_, document(), hotSpot_, point);
}

bool TColorMemo::hitsHotSpot(QPoint point) const {
    return hotSpotAt(point).has_value();
}

void TColorMemo::setHandCursor(bool hand) {
    if (hand == handShown_)
        return;
    handShown_ = hand;
    if (hand)
        viewport()->setCursor(hotSpotCursor());
    else
        viewport()->setCursor(Qt::IBeamCursor);
}

// ---- Input --------------------------------------------------------------------------------------

void TColorMemo::keyReleaseEvent(QKeyEvent* e) {
    // The release of Shift may still carry the Shift flag itself (X11 reports the state before
    // the event); no other modifier may be held.
    const Qt::KeyboardModifiers others = e->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (e->key() == Qt::Key_Shift && others == Qt::NoModifier)
        DrawKeys(false);
    QPlainTextEdit::keyReleaseEvent(e);
}

void TColorMemo::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && e->buttons() == Qt::LeftButton &&
        e->modifiers() == Qt::NoModifier)
        DrawKeys(false);
    QPlainTextEdit::mousePressEvent(e);
}

void TColorMemo::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        DrawKeys(false);
    QPlainTextEdit::mouseReleaseEvent(e);
    if (handShown_) {
        if (const auto src = hotSpotAt(e->position().toPoint()); src && OnHotSpotClick)
            OnHotSpotClick(this, *src);
    }
}

void TColorMemo::SetTextCursorInView(const QTextCursor& c) {
    // The blocks in view whole, before the caret moves: setting it scrolls it to an edge.
    const int first = firstVisibleBlock().blockNumber();
    const QTextBlock last = cursorForPosition(QPoint(0, viewport()->height() - 1)).block();
    const bool lastWhole =
        blockBoundingGeometry(last).translated(contentOffset()).bottom() <= viewport()->height();
    const int block = c.blockNumber();
    const bool inView = block >= first &&
                        (block < last.blockNumber() || (block == last.blockNumber() && lastWhole));
    setTextCursor(c);
    if (!inView || !viewport()->rect().contains(cursorRect()))
        centerCursor();
}

void TColorMemo::mouseDoubleClickEvent(QMouseEvent* e) {
    QPlainTextEdit::mouseDoubleClickEvent(e);
    QTextCursor c = textCursor();
    if (e->button() != Qt::LeftButton || !c.hasSelection())
        return;
    // The character under the pointer: the one before the nearest caret place when the pointer
    // is left of that place.
    const QPoint point = e->position().toPoint();
    const QTextCursor hit = cursorForPosition(point);
    const QTextBlock block = hit.block();
    const int start = c.selectionStart() - block.position();
    const int end = c.selectionEnd() - block.position();
    if (start < 0 || end > block.length() - 1)
        return;
    int index = hit.positionInBlock();
    if (index > 0 && point.x() < cursorRect(hit).center().x())
        --index;
    const QString text = block.text();
    const codewords::TRange word = codewords::limitWord(lineOf(text), index, start, end);
    if (word.Start == start && word.End == end)
        return;
    c.setPosition(block.position() + word.Start);
    c.setPosition(block.position() + word.End, QTextCursor::KeepAnchor);
    setTextCursor(c);
}

void TColorMemo::mouseMoveEvent(QMouseEvent* e) {
    QPlainTextEdit::mouseMoveEvent(e);
    if (hotSpot_.Active)
        setHandCursor(hitsHotSpot(e->position().toPoint()));
}

void TColorMemo::scrollContentsBy(int dx, int dy) {
    QPlainTextEdit::scrollContentsBy(dx, dy);
    if (dx != 0 && OnHScroll)
        OnHScroll(this);
    if (dy != 0 && OnVScroll)
        OnVScroll(this);
    // The line that was partly visible at the bottom may now be whole, and keys found from the
    // new top line differ: the scrolled image is not enough.
    DrawKeys(false);
}
