#include "editor/MatchMarks.h"

#include "document/PageDocument.h"
#include "editor/LineGeometry.h"

#include <QGlyphRun>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <cmath>

namespace {

// The first character of [first, last) whose left edge lies at or right of x, by bisection.
int firstAtOrRight(const QTextLine& line, int first, int last, qreal x, bool longBlock) {
    while (first < last) {
        const int mid = first + (last - first) / 2;
        if (edgeX(line, mid, longBlock) < x)
            first = mid + 1;
        else
            last = mid;
    }
    return first;
}

} // namespace

void TMatchMarks::setSearch(const TTextSearch& search) {
    search_ = search;
    rects_.clear();
}

QColor TMatchMarks::tint() {
    return QColor(0xFF, 0xE8, 0x8C); // a light amber: under blue, green or navy codes alike
}

void TMatchMarks::prepare(const QTextDocument& document, const std::vector<TDisplayLine>& lines,
                          int viewportWidth) {
    rects_.clear();
    if (!isActive())
        return;
    const qsizetype n = search_.needle().size();
    const TPageDocument* page = TPageDocument::of(&document);
    QTextBlock cachedBlock;
    QString blockText;
    for (const TDisplayLine& l : lines) {
        const QTextLayout* layout = l.Block.layout();
        if (!layout || layout->lineCount() <= l.LineInBlock)
            continue;
        const QTextLine tl = layout->lineAt(l.LineInBlock);
        const int blockLength = l.Block.length() - 1;
        const bool longBlock = blockLength > kPiecewiseLength;
        int from = tl.textStart();
        int to = tl.textStart() + tl.textLength();
        if (to - from > kPiecewiseLength) {
            // A long unwrapped line: only the part in view.
            from = std::max(from, firstAtOrRight(tl, from, to, -l.Origin.x(), true) - 1);
            to = std::min(to, firstAtOrRight(tl, from, to, viewportWidth - l.Origin.x(), true) + 1);
        }
        // The line's characters with enough of its neighbours for a match that runs over a wrap
        // and for the whole-word test.
        const int windowStart = static_cast<int>(std::max<qsizetype>(0, from - n));
        const int windowEnd = static_cast<int>(std::min<qsizetype>(blockLength, to + n));
        QString window;
        if (!longBlock) {
            if (l.Block != cachedBlock) {
                cachedBlock = l.Block;
                blockText = l.Block.text();
            }
            window = blockText.mid(windowStart, windowEnd - windowStart);
        } else {
            window.reserve(windowEnd - windowStart);
            for (int i = windowStart; i < windowEnd; ++i)
                window += document.characterAt(l.Block.position() + i);
        }
        // A long line's display blocks: a match may run over the cut into the block before or
        // after.
        int start = windowStart;
        if (page && start == 0 && from - n < 0 && page->continuesLine(l.Block.blockNumber())) {
            const QString previous = l.Block.previous().text();
            const QString tail = previous.right(n - from);
            window.prepend(tail);
            start -= int(tail.size());
        }
        if (page && windowEnd == blockLength && to + n > blockLength &&
            page->continuesLine(l.Block.blockNumber() + 1))
            window += l.Block.next().text().left(to + n - blockLength);
        const qsizetype lo = std::max<qsizetype>(0, from - start - n + 1);
        for (TTextMatch m = search_.next(window, lo); m.found();
             m = search_.next(window, m.end())) {
            const int a = std::max(from, static_cast<int>(start + m.Start));
            const int b = std::min(to, static_cast<int>(start + m.end()));
            if (start + m.Start >= to)
                break;
            if (a >= b)
                continue;
            const qreal x0 = l.Origin.x() + edgeX(tl, a, longBlock);
            const qreal x1 = l.Origin.x() + edgeX(tl, b, longBlock);
            const int left = static_cast<int>(std::floor(std::min(x0, x1)));
            const int right = static_cast<int>(std::ceil(std::max(x0, x1)));
            const int top = static_cast<int>(std::floor(l.Top));
            const int bottom = static_cast<int>(std::ceil(l.Top + l.Height));
            if (right > left)
                rects_.emplace_back(left, top, right - left, bottom - top);
        }
    }
}

void TMatchMarks::paint(QPainter& painter, const QRect& area) const {
    for (const QRect& r : rects_) {
        const QRect part = r & area;
        if (!part.isEmpty())
            painter.fillRect(part, tint());
    }
}
