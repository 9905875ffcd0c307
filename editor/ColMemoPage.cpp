// Page Up and Page Down: the view scrolls as the plain text control scrolls it, and the caret
// lands where the control's line-by-line walk would leave it, found from line geometry with one
// hit test (see PageStep.h).
#include "editor/ColMemo.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace {

// A key that types text: none of the keys here.
bool types(const QKeyEvent* e) {
    return !e->text().isEmpty() && e->text().at(0).isPrint();
}

// The x the cursor's vertical moves would take at the caret now.
qreal xAtCaret(const QTextCursor& c) {
    const QTextBlock block = c.block();
    const QTextLayout* layout = block.layout();
    const int line = pagestep::lineOf(*layout, c.positionInBlock(), block.length() - 1);
    return line < 0 ? -1 : layout->lineAt(line).cursorToX(c.positionInBlock());
}

// The screen line after (or before) the caret's, if any.
bool nextLine(const QTextCursor& c, bool down, QTextBlock* block, int* line) {
    QTextBlock b = c.block();
    int l = pagestep::lineOf(*b.layout(), c.positionInBlock(), b.length() - 1) + (down ? 1 : -1);
    if (down ? l >= b.layout()->lineCount() : l < 0) {
        b = down ? b.next() : b.previous();
        if (!b.isValid())
            return false;
        b.document()->documentLayout()->blockBoundingRect(b);
        l = down ? 0 : b.layout()->lineCount() - 1;
    }
    *block = b;
    *line = l;
    return true;
}

} // namespace

void TColorMemo::watchCaretForPages() {
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &TColorMemo::caretMovedForPages);
    // An edit at the caret leaves it with the x where it ends, even when it stays put.
    connect(document(), &QTextDocument::contentsChange, this, [this](int from, int, int added) {
        const QTextCursor c = textCursor();
        if (c.position() == from + added)
            caretTookX(c);
    });
}

void TColorMemo::caretMovedForPages() {
    if (pages_.moving)
        return;
    pages_.yKept = false;
    // Up and Down keep the x, or take it where they start from when the cursor had none.
    if (pages_.vertical && textCursor().verticalMovementX() == pages_.xWhole)
        return;
    caretTookX(pages_.vertical ? pages_.verticalFrom : textCursor());
}

void TColorMemo::caretTookX(const QTextCursor& at) {
    pages_.xAt = at;
    // Text typed there goes after the place the x was taken at.
    pages_.xAt.setKeepPositionOnInsert(true);
    pages_.xWhole = at.verticalMovementX();
    pages_.x = std::numeric_limits<qreal>::quiet_NaN();
    pages_.truncated = false;
}

qreal TColorMemo::pageX(const QTextCursor& c) {
    const int whole = c.verticalMovementX();
    // No x yet: the move takes it where the caret is, as the cursor itself would.
    if (whole < 0)
        return xAtCaret(c);
    // After an edit the cursor takes its x a little after the caret moved there.
    if (whole != pages_.xWhole) {
        pages_.xWhole = whole;
        pages_.x = std::numeric_limits<qreal>::quiet_NaN();
    }
    if (std::isnan(pages_.x)) {
        pages_.x = whole;
        for (const QTextCursor& at : {pages_.xAt, c}) {
            if (at.isNull() || at.block().layout()->lineCount() == 0)
                continue;
            const qreal x = xAtCaret(at);
            if (int(x) == whole) {
                pages_.x = x;
                break;
            }
        }
    }
    return pages_.x;
}

bool TColorMemo::pageKey(QKeyEvent* e) {
    using QK = QKeySequence;
    if (types(e))
        return false;
    const Qt::TextInteractionFlags flags = textInteractionFlags();
    const bool selecting = flags & Qt::TextSelectableByKeyboard;
    const bool moving = flags & (Qt::TextSelectableByKeyboard | Qt::TextEditable);
    if (selecting && (e->matches(QK::SelectPreviousPage) || e->matches(QK::SelectNextPage)))
        pageUpDown(e->matches(QK::SelectNextPage), QTextCursor::KeepAnchor);
    else if (moving && (e->matches(QK::MoveToPreviousPage) || e->matches(QK::MoveToNextPage)))
        pageUpDown(e->matches(QK::MoveToNextPage), QTextCursor::MoveAnchor);
    else
        return false;
    return true;
}

void TColorMemo::pageUpDown(bool down, QTextCursor::MoveMode mode) {
    QTextCursor cursor = textCursor();
    // The caret's line, measured as the control measures its caret, from the view's first block.
    auto caretLine = [&](qreal* top, qreal* height) {
        pagestep::TBlockTops tops(firstVisibleBlock(), viewport()->height());
        const QTextBlock block = cursor.block();
        blockBoundingRect(block);
        const int line =
            pagestep::lineOf(*block.layout(), cursor.positionInBlock(), block.length() - 1);
        const QTextLine l = line < 0 ? QTextLine() : block.layout()->lineAt(line);
        *top = tops.top(block, block.blockNumber()) + (l.isValid() ? l.y() : 0);
        *height = l.isValid() ? l.height() : 10;
    };
    // The caret into view first, as the control does; without the toolkit's caret rectangle
    // when nothing scrolls across, since that shapes the caret's line.
    qreal top = 0, height = 0;
    const QScrollBar* across = horizontalScrollBar();
    if (across->maximum() != 0 || across->value() != 0) {
        ensureCursorVisible();
        caretLine(&top, &height);
    } else {
        caretLine(&top, &height);
        const QRect shown =
            QRectF(0, top, 1, height).toRect().translated(0, -int(-contentOffset().y()));
        if (shown.top() < 0 || shown.bottom() > viewport()->rect().bottom()) {
            ensureCursorVisible();
            caretLine(&top, &height);
        }
    }
    if (!pages_.yKept)
        pages_.y = top + contentOffset().y();
    qreal lastY = pages_.y;

    // The view first: the line cut by the bottom edge goes to the top, or the page above comes
    // into view; the scroll bar's value is the top screen line.
    QScrollBar* bar = verticalScrollBar();
    auto scrollTo = [&](const QTextBlock& block, int line) {
        const int before = bar->value();
        bar->setValue(block.firstLineNumber() + std::max(0, line));
        if (bar->value() == before)
            QPlainTextEdit::scrollContentsBy(0, 0); // a top out of step with the bar
    };
    QRectF visible = QRectF(viewport()->rect()).translated(-contentOffset());
    const QTextBlock first = firstVisibleBlock();
    if (down) {
        QTextBlock block = first;
        QRectF br = blockBoundingRect(block);
        qreal h = 0;
        bool atEnd = false;
        while (h + br.height() <= visible.bottom()) {
            if (!block.next().isValid()) {
                atEnd = true;
                lastY = visible.bottom(); // the caret goes to the last line
                break;
            }
            h += br.height();
            block = block.next();
            br = blockBoundingRect(block);
        }
        if (!atEnd) {
            const QTextLayout* layout = block.layout();
            const qreal diff = visible.bottom() - h;
            int line = 0;
            while (line < layout->lineCount() - 1 &&
                   layout->lineAt(line).naturalTextRect().bottom() <= diff)
                ++line;
            scrollTo(block, line);
        }
    } else {
        visible.translate(0, -visible.height());
        QTextBlock block = first;
        qreal h = 0;
        while (h >= visible.top()) {
            if (!block.previous().isValid()) {
                if (block.blockNumber() == 0 && bar->value() == 0)
                    lastY = 0; // the caret goes to the first line
                break;
            }
            block = block.previous();
            h -= blockBoundingRect(block).height();
        }
        int line = 0;
        const QTextLayout* layout = block.layout();
        const qreal diff = visible.top() - h;
        while (line < layout->lineCount() && layout->lineAt(line).naturalTextRect().top() < diff)
            ++line;
        if (line == layout->lineCount()) {
            if (block.next().isValid() && block.next() != first) {
                block = block.next();
                line = 0;
            } else {
                --line;
            }
        }
        scrollTo(block, line);
    }

    // Then the caret, as far down (up) as the line at its old height in the view.
    const qreal x = pageX(cursor);
    const QFontMetricsF metrics(document()->defaultFont());
    const qreal margin =
        std::max(metrics.maxWidth(), document()->defaultTextOption().tabStopDistance()) + 1;
    pagestep::TBlockTops tops(firstVisibleBlock(), viewport()->height());
    const pagestep::TWalk walk =
        pagestep::walkCaret(tops, cursor, x, lastY - contentOffset().y(), down, margin);
    if (walk.moved || cursor.verticalMovementX() < 0) {
        cursor.setPosition(walk.position, mode);
        cursor.setVerticalMovementX(int(x));
        pages_.xWhole = int(x);
        pages_.x = x;
        pages_.truncated = x != std::floor(x);
    }
    pages_.moving = true;
    setTextCursor(cursor);
    pages_.moving = false;
    pages_.yKept = true;
    // A selection made with the keyboard is offered to the X11 selection, as the control does.
    QClipboard* clipboard = QApplication::clipboard();
    if (mode == QTextCursor::KeepAnchor && cursor.hasSelection() && clipboard->supportsSelection())
        clipboard->setMimeData(createMimeDataFromSelection(), QClipboard::Selection);
}

bool TColorMemo::lineKey(QKeyEvent* e) {
    using QK = QKeySequence;
    if (types(e))
        return false;
    const bool down = e->matches(QK::MoveToNextLine) || e->matches(QK::SelectNextLine);
    const bool up = e->matches(QK::MoveToPreviousLine) || e->matches(QK::SelectPreviousLine);
    if (!down && !up) {
        // Home, End, Left and Right take the x where they leave the caret, even when it stays.
        const int k = e->key();
        if (k != Qt::Key_Home && k != Qt::Key_End && k != Qt::Key_Left && k != Qt::Key_Right)
            return false;
        QPlainTextEdit::keyPressEvent(e);
        caretTookX(textCursor());
        return true;
    }
    const QTextCursor before = textCursor();
    pages_.vertical = true;
    pages_.verticalFrom = before;
    const bool wasTruncated = pages_.truncated && before.verticalMovementX() == pages_.xWhole;
    QPlainTextEdit::keyPressEvent(e);
    // The control moved the caret with the whole x a page key left it: the line it landed on is
    // hit tested again with the exact one.
    QTextCursor c = textCursor();
    QTextBlock block;
    int line = 0;
    if (wasTruncated && c.position() != before.position() &&
        c.verticalMovementX() == pages_.xWhole && nextLine(before, down, &block, &line)) {
        const int at = block.position() + block.layout()->lineAt(line).xToCursor(pages_.x);
        if (at != c.position()) {
            const bool select =
                e->matches(QK::SelectNextLine) || e->matches(QK::SelectPreviousLine);
            c.setPosition(at, select ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
            c.setVerticalMovementX(pages_.xWhole);
            setTextCursor(c);
        }
    }
    pages_.vertical = false;
    pages_.verticalFrom = QTextCursor();
    return true;
}
