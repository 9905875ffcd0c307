#include "editor/PageStep.h"

#include <QAbstractTextDocumentLayout>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

namespace pagestep {

namespace {

// The block's height; lays it out when it has no lines yet.
qreal heightOf(const QTextBlock& block) {
    return block.document()->documentLayout()->blockBoundingRect(block).height();
}

} // namespace

TBlockTops::TBlockTops(QTextBlock top, int viewHeight)
    : top_(top), topNumber_(top.blockNumber()), viewHeight_(viewHeight), reach_(int(heightOf(top))),
      down_(top), downNumber_(topNumber_), up_(top), upNumber_(topNumber_) {}

qreal TBlockTops::top(const QTextBlock& block, int number) {
    // Each walk goes on from the block it reached last, back or forth: the caret's walk asks for
    // one block after another, and starting again from the view's first block each time would
    // cost the square of the lines walked. The tops it keeps are exact, so they are the same as
    // a walk from the first block would give.
    if (number >= topNumber_) {
        while (downNumber_ > number) {
            down_ = down_.previous();
            --downNumber_;
            downTop_ -= heightOf(down_);
        }
        while (downNumber_ < number && downTop_ - reach_ <= 2 * viewHeight_) {
            downTop_ += heightOf(down_);
            down_ = down_.next();
            ++downNumber_;
        }
        return downTop_;
    }
    while (upNumber_ < number) {
        upTop_ += heightOf(up_);
        up_ = up_.next();
        ++upNumber_;
    }
    while (upNumber_ > number && upTop_ + reach_ >= -viewHeight_) {
        up_ = up_.previous();
        --upNumber_;
        upTop_ -= heightOf(up_);
    }
    return upNumber_ == number ? upTop_ : upTop_ - heightOf(block);
}

int lineOf(const QTextLayout& layout, int positionInBlock, int blockTextLength) {
    const int n = layout.lineCount();
    if (n == 0)
        return -1;
    if (positionInBlock == blockTextLength)
        return n - 1;
    // The first line that ends past the position (its trailing spaces included).
    int lo = 0, hi = n;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        const QTextLine l = layout.lineAt(mid);
        if (l.textStart() + l.textLength() > positionInBlock)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo < n ? lo : -1;
}

TWalk walkCaret(TBlockTops& tops, const QTextCursor& from, qreal x, qreal limit, bool down,
                qreal margin) {
    QTextBlock block = from.block();
    int number = block.blockNumber();
    heightOf(block);
    int cur = std::max(0, lineOf(*block.layout(), from.positionInBlock(), block.length() - 1));
    // Where the caret was put last: its line, and its position once hit tested (-1: not yet).
    QTextBlock placed;
    int placedLine = -1;
    int position = from.position();
    auto resolve = [&] {
        if (position < 0)
            position = placed.position() + placed.layout()->lineAt(placedLine).xToCursor(x);
        return position;
    };
    for (;;) {
        QTextBlock b = block;
        int bn = number;
        int l = cur + (down ? 1 : -1);
        if (down ? l >= b.layout()->lineCount() : l < 0) {
            b = down ? b.next() : b.previous();
            if (!b.isValid())
                break;
            bn += down ? 1 : -1;
            heightOf(b);
            l = down ? 0 : b.layout()->lineCount() - 1;
        }
        const QTextLayout& layout = *b.layout();
        const QTextLine line = layout.lineAt(l);
        int at = -1;
        int landed = l;
        // Only a hit near a wrapped line's end can give the end, that is the next line's start.
        if (l < layout.lineCount() - 1 && x >= line.x() + line.naturalTextWidth() - margin) {
            at = line.xToCursor(x);
            if (at == line.textStart() + line.textLength()) {
                landed = l + 1;
                // Going up this is the line the caret came from: a caret already at its start
                // does not move, and the control's walk ends there.
                if (!down && b.position() + at == resolve())
                    break;
            }
        }
        block = b;
        number = bn;
        cur = landed;
        placed = b;
        placedLine = l;
        position = at >= 0 ? b.position() + at : -1;
        const qreal top = tops.top(b, bn) + layout.lineAt(landed).y();
        if (down ? !(top < limit) : !(top > limit))
            break;
    }
    if (placedLine < 0)
        return {from.position(), false};
    return {resolve(), true};
}

} // namespace pagestep
