#include "editor/EditAdapter.h"

#include "document/PageDocument.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// The view geometry of QPlainTextEdit is protected; a pointer to member taken through a derived
// class reaches it on any QPlainTextEdit, so the adapter also serves controls it did not create.
struct ViewAccess : QPlainTextEdit {
    static QTextBlock firstVisible(const QPlainTextEdit* e) {
        return (e->*(&ViewAccess::firstVisibleBlock))();
    }
    static QPointF offset(const QPlainTextEdit* e) { return (e->*(&ViewAccess::contentOffset))(); }
    // Lays the block out when it is not yet.
    static QRectF rect(const QPlainTextEdit* e, const QTextBlock& b) {
        return (e->*(&ViewAccess::blockBoundingRect))(b);
    }
};

// Lines of a block as laid out; a block that is not laid out counts as one line.
int layoutLines(const QTextBlock& b) {
    const QTextLayout* l = b.layout();
    return l ? std::max(1, l->lineCount()) : 1;
}

} // namespace

TEditAdapter::TEditAdapter(const QPlainTextEdit* edit) : edit_(edit) {}

const QTextDocument* TEditAdapter::doc() const {
    return edit_->document();
}

int TEditAdapter::offsetFromPosition(int position) const {
    return pageOffsetOf(*doc(), position);
}

int TEditAdapter::positionFromOffset(int offset) const {
    return documentPositionOf(*doc(), offset);
}

int TEditAdapter::textLength() const {
    return pageLengthOf(*doc());
}

int TEditAdapter::logicalLineCount() const {
    return pageLineCountOf(*doc());
}

QSize TEditAdapter::viewportSize() const {
    return edit_->viewport()->size();
}

TDisplayLine TEditAdapter::makeLine(const QTextBlock& block, int lineInBlock, int number,
                                    int blockStart) const {
    TDisplayLine d;
    d.Block = block;
    d.LineInBlock = lineInBlock;
    d.Number = number;
    d.BlockStart = blockStart >= 0 ? blockStart : blockStartOffset(block);
    const QTextLayout* l = block.layout();
    if (l && l->lineCount() > lineInBlock) {
        const QTextLine line = l->lineAt(lineInBlock);
        d.Start = d.BlockStart + line.textStart();
        d.Length = line.textLength();
        d.Top = line.y();
        d.Height = line.height();
    } else {
        d.Start = d.BlockStart;
        d.Length = block.length() - 1;
    }
    return d;
}

// The top visible line: the first line of the first visible block that starts inside the view.
TDisplayLine TEditAdapter::topLine() const {
    QTextBlock b = ViewAccess::firstVisible(edit_);
    QPointF offset = ViewAccess::offset(edit_);
    while (b.isValid()) {
        const QRectF r = ViewAccess::rect(edit_, b);
        const QTextLayout* l = b.layout();
        const QPointF origin = offset + l->position();
        for (int i = 0; i < l->lineCount(); ++i) {
            if (origin.y() + l->lineAt(i).y() >= -0.5) {
                TDisplayLine d = makeLine(b, i, b.firstLineNumber() + i);
                d.Origin = origin;
                d.Top += origin.y();
                return d;
            }
        }
        offset.ry() += r.height();
        if (!b.next().isValid())
            break;
        b = b.next();
    }
    // Nothing starts inside the view (an empty or unlaid document): the first visible block.
    b = ViewAccess::firstVisible(edit_);
    if (!b.isValid())
        b = doc()->firstBlock();
    ViewAccess::rect(edit_, b);
    TDisplayLine d = makeLine(b, 0, b.firstLineNumber());
    d.Origin = ViewAccess::offset(edit_) + b.layout()->position();
    d.Top += d.Origin.y();
    return d;
}

bool TEditAdapter::nextLine(TDisplayLine& line) const {
    if (line.LineInBlock + 1 < layoutLines(line.Block)) {
        TDisplayLine d =
            makeLine(line.Block, line.LineInBlock + 1, line.Number + 1, line.BlockStart);
        d.Origin = line.Origin;
        d.Top += d.Origin.y();
        line = d;
        return true;
    }
    const QTextBlock next = line.Block.next();
    if (!next.isValid())
        return false;
    const QPointF base = line.Origin - line.Block.layout()->position();
    const qreal height = ViewAccess::rect(edit_, line.Block).height();
    ViewAccess::rect(edit_, next);
    // On a page without display blocks, a line break (CR LF) ends every block: the next block's
    // offset follows from this one's without looking it up.
    const TPageDocument* page = TPageDocument::of(doc());
    const int nextStart =
        page && !page->hasContinuations() ? line.BlockStart + line.Block.length() - 1 + 2 : -1;
    TDisplayLine d = makeLine(next, 0, line.Number + 1, nextStart);
    d.Origin = base + QPointF(0, height) + next.layout()->position();
    d.Top += d.Origin.y();
    line = d;
    return true;
}

bool TEditAdapter::previousLine(TDisplayLine& line) const {
    if (line.LineInBlock > 0) {
        TDisplayLine d =
            makeLine(line.Block, line.LineInBlock - 1, line.Number - 1, line.BlockStart);
        d.Origin = line.Origin;
        d.Top += d.Origin.y();
        line = d;
        return true;
    }
    const QTextBlock prev = line.Block.previous();
    if (!prev.isValid())
        return false;
    const QPointF base = line.Origin - line.Block.layout()->position();
    if (prev.layout()->lineCount() == 0) {
        // Not laid out: it counts as one line, as it does for the scroll bar. Laying it out here
        // would renumber every line below it behind the scroll bar's back.
        const qreal height = QFontMetricsF(doc()->defaultFont()).lineSpacing();
        TDisplayLine d = makeLine(prev, 0, line.Number - 1);
        d.Origin = base - QPointF(0, height);
        d.Top = d.Origin.y();
        d.Height = height;
        line = d;
        return true;
    }
    const qreal height = ViewAccess::rect(edit_, prev).height();
    const int last = layoutLines(prev) - 1;
    TDisplayLine d = makeLine(prev, last, line.Number - 1);
    d.Origin = base - QPointF(0, height) + prev.layout()->position();
    d.Top += d.Origin.y();
    line = d;
    return true;
}

std::vector<TDisplayLine> TEditAdapter::visibleLines(int above) const {
    std::vector<TDisplayLine> lines;
    TDisplayLine top = topLine();
    TDisplayLine up = top;
    for (int i = 0; i < above && previousLine(up); ++i)
        lines.push_back(up);
    std::reverse(lines.begin(), lines.end());
    const qreal bottom = edit_->viewport()->height();
    TDisplayLine line = top;
    do {
        if (line.Top >= bottom)
            break;
        lines.push_back(line);
    } while (nextLine(line));
    return lines;
}

int TEditAdapter::firstVisibleLine() const {
    return topLine().Number;
}

TDisplayLine TEditAdapter::lineAt(int offset) const {
    offset = std::clamp(offset, 0, textLength());
    const int pos = positionFromOffset(offset);
    const QTextBlock b = doc()->findBlock(pos);
    const QTextLayout* l = b.layout();
    int lineInBlock = 0;
    if (l && l->lineCount() > 1) {
        const QTextLine line = l->lineForTextPosition(pos - b.position());
        lineInBlock = line.isValid() ? line.lineNumber() : l->lineCount() - 1;
    }
    return makeLine(b, lineInBlock, b.firstLineNumber() + lineInBlock);
}

int TEditAdapter::lineFromOffset(int offset) const {
    return lineAt(offset).Number;
}

int TEditAdapter::lineIndex(int line) const {
    if (line < 0 || line >= doc()->lineCount())
        return -1;
    const QTextBlock b = doc()->findBlockByLineNumber(line);
    if (!b.isValid())
        return -1;
    const int inBlock = line - b.firstLineNumber();
    if (inBlock >= layoutLines(b))
        return -1;
    return makeLine(b, inBlock, line).Start;
}

int TEditAdapter::lineLength(int offset) const {
    return lineAt(offset).Length;
}

std::optional<QPoint> TEditAdapter::posFromOffset(int offset) const {
    const TDisplayLine target = lineAt(offset);
    const qreal height = edit_->viewport()->height();
    // Walk from the top line towards the target, no further than one view height off either
    // edge: geometry of blocks far from the view is not known without laying them out.
    TDisplayLine line = topLine();
    const bool down = target.Block.blockNumber() > line.Block.blockNumber() ||
                      (target.Block == line.Block && target.LineInBlock >= line.LineInBlock);
    while (!(line.Block == target.Block && line.LineInBlock == target.LineInBlock)) {
        if (line.Top > 2 * height || line.Top < -height)
            return std::nullopt;
        if (!(down ? nextLine(line) : previousLine(line)))
            return std::nullopt;
    }
    const QTextLayout* layout = line.Block.layout();
    qreal x = line.Origin.x();
    // A block above the view that is not laid out has no glyph positions: its left edge.
    if (layout->lineCount() > line.LineInBlock)
        x += layout->lineAt(line.LineInBlock)
                 .cursorToX(positionFromOffset(offset) - line.Block.position());
    return QPoint(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(line.Top)));
}

std::optional<TEditAdapter::THit> TEditAdapter::charFromPos(QPoint point) const {
    const std::vector<TDisplayLine> lines = visibleLines();
    if (lines.empty())
        return std::nullopt;
    const TDisplayLine* hit = &lines.back();
    for (const TDisplayLine& l : lines) {
        if (point.y() < l.Top + l.Height) {
            hit = &l;
            break;
        }
    }
    const QTextLayout* layout = hit->Block.layout();
    if (!layout || layout->lineCount() <= hit->LineInBlock)
        return THit{hit->Start, hit->Number};
    const QTextLine tl = layout->lineAt(hit->LineInBlock);
    int inBlock = tl.xToCursor(point.x() - hit->Origin.x(), QTextLine::CursorOnCharacter);
    inBlock = std::clamp(inBlock, tl.textStart(), tl.textStart() + tl.textLength());
    return THit{hit->BlockStart + inBlock, hit->Number};
}
