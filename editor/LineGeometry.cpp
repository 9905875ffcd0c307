#include "editor/LineGeometry.h"

#include "document/PageDocument.h"
#include "document/PageText.h"

#include <QRegion>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

qreal edgeX(const QTextLine& line, int pos, bool longBlock) {
    if (!longBlock)
        return line.cursorToX(pos);
    if (pos >= line.textStart() + line.textLength())
        return line.x() + line.naturalTextWidth();
    for (const QGlyphRun& g : line.glyphRuns(pos, 1))
        if (!g.positions().isEmpty())
            return g.positions().front().x();
    return line.x() + line.naturalTextWidth();
}

int charAtX(const QTextLine& line, qreal x, bool longBlock) {
    if (!longBlock)
        return line.xToCursor(x);
    const int first = line.textStart(), last = line.textStart() + line.textLength();
    const qreal x0 = line.x(), width = std::max<qreal>(1, line.naturalTextWidth());
    const qreal perChar = width / std::max(1, last - first);
    int c = first + static_cast<int>((x - x0) / perChar);
    for (int step = 0; step < 6; ++step) {
        c = std::clamp(c, first, last);
        const qreal e = edgeX(line, c, true);
        const int move = static_cast<int>((x - e) / perChar);
        if (move == 0)
            break;
        c += move;
    }
    return std::clamp(c, first, last);
}

std::pair<int, int> longLineWindow(const QTextLine& line, qreal originX, qreal width) {
    const int c0 = charAtX(line, -originX, true);
    const int c1 = charAtX(line, width - originX, true);
    return {std::max(line.textStart(), c0 - kPiecewiseMargin),
            std::min(line.textStart() + line.textLength(), c1 + kPiecewiseMargin)};
}

// ---- TLongLineEdges -----------------------------------------------------------------------------

TLongLineEdges::TLongLineEdges(const QTextDocument* doc, const QTextBlock& block,
                               const QTextLine& line, int from, int to)
    : line_(line), from_(from), to_(to) {
    QString text;
    text.reserve(to - from);
    for (int i = from; i < to; ++i)
        text += doc->characterAt(block.position() + i);
    layout_.setText(text);
    layout_.setFont(doc->defaultFont());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout_.setTextOption(option);
    layout_.setCacheEnabled(true);
    layout_.beginLayout();
    QTextLine l = layout_.createLine();
    if (l.isValid())
        l.setLineWidth(1e9);
    layout_.endLayout();
    offset_ = edgeX(line, from, true) - (l.isValid() ? l.cursorToX(0) : 0);
}

qreal TLongLineEdges::x(int pos) const {
    if (pos < from_ || pos > to_ || layout_.lineCount() == 0)
        return edgeX(line_, pos, true);
    return offset_ + layout_.lineAt(0).cursorToX(pos - from_);
}

// ---- TDisplayLineEdges --------------------------------------------------------------------------

TDisplayLineEdges::TDisplayLineEdges(const QTextDocument* doc, const TDisplayLine& line,
                                     const QTextLine& tl, qreal viewportWidth)
    : doc_(doc), block_(line.Block), tl_(tl),
      longBlock_(line.Block.length() - 1 > kPiecewiseLength) {
    if (tl.textLength() > kPiecewiseLength) {
        const auto [from, to] = longLineWindow(tl, line.Origin.x(), viewportWidth);
        longEdges_.emplace(doc, line.Block, tl, from, to);
    }
}

void TDisplayLineEdges::fetch() const {
    if (fetched_ || longEdges_)
        return;
    fetched_ = true;
    glyphs_ = tl_.glyphRuns();
    // The spaces that end a wrapped line may have no glyphs.
    int spaces = 0;
    const int lineEndPos = block_.position() + tl_.textStart() + tl_.textLength();
    while (spaces < tl_.textLength() && doc_->characterAt(lineEndPos - 1 - spaces) == u' ')
        ++spaces;
    if (glyphs_.size() == 1 && !(glyphs_[0].flags() & QGlyphRun::RightToLeft)) {
        const qsizetype n = glyphs_[0].positions().size();
        if (n == tl_.textLength() || (spaces > 0 && n == tl_.textLength() - spaces))
            pens_ = glyphs_[0].positions();
    }
    for (qsizetype k = 1; k < pens_.size(); ++k)
        if (pens_[k].x() < pens_[k - 1].x())
            pens_.clear();
}

double TDisplayLineEdges::Edge(int pos) const {
    if (longEdges_)
        return longEdges_->x(pos);
    fetch();
    const qsizetype k = pos - tl_.textStart();
    if (!pens_.isEmpty() && k >= 0 && k < pens_.size())
        return pens_[k].x();
    // From the line's visible end on: the end of its text.
    if (!pens_.isEmpty() && k >= pens_.size() && k <= tl_.textLength())
        return tl_.x() + tl_.naturalTextWidth();
    return edgeX(tl_, pos, longBlock_);
}

const QList<QGlyphRun>& TDisplayLineEdges::Glyphs() const {
    fetch();
    return glyphs_;
}

// ---- Scan regions -------------------------------------------------------------------------------

std::vector<TScanRegion> scanRegions(const std::vector<TDisplayLine>& lines, const QRegion& area,
                                     bool wrap, qreal width, qreal bottom) {
    std::vector<TScanRegion> regions;
    bool open = false;
    for (const TDisplayLine& l : lines) {
        if (l.Top >= 0 && l.Top + l.Height > bottom) {
            if (open)
                regions.back().End = l.Start;
            open = false;
            break;
        }
        const QTextLayout* layout = l.Block.layout();
        if (!wrap && l.Length > kPiecewiseLength && layout && layout->lineCount() > 0) {
            if (open)
                regions.back().End = l.Start;
            open = false;
            if (!area.intersects(QRect(0, static_cast<int>(l.Top), static_cast<int>(width),
                                       static_cast<int>(std::ceil(l.Height)))))
                continue;
            // Unwrapped: the block's only line, starting at the block's start.
            const auto [from, to] = longLineWindow(layout->lineAt(0), l.Origin.x(), width);
            regions.push_back({l.BlockStart + from, l.BlockStart + to});
            continue;
        }
        if (!open) {
            regions.push_back({l.Start, l.Start + l.Length});
            open = true;
        } else {
            regions.back().End = l.Start + l.Length;
        }
    }
    return regions;
}

int copyRegion(const QTextDocument* doc, const TScanRegion& r, QTextBlock b,
               std::vector<char>& text) {
    const int n = r.End - r.Start;
    text.resize(static_cast<size_t>(n) + 1);
    char* out = text.data();
    // A cut between a long line's display blocks is no character; other block ends are CR LF.
    while (b.isValid() &&
           blockStartOffset(b) + b.length() - 1 + (lineBreakAfter(b) ? 2 : 0) <= r.Start)
        b = b.next();
    std::vector<char16_t> chars;
    while (b.isValid()) {
        const int bs = blockStartOffset(b);
        if (bs >= r.End)
            break;
        const int len = b.length() - 1;
        const int from = std::max(r.Start, bs);
        const int to = std::min(r.End, bs + len);
        if (to > from) {
            const int count = to - from;
            if (len <= kPiecewiseLength) {
                const QString t = b.text();
                pagetext::toBytes(reinterpret_cast<const char16_t*>(t.utf16()) + (from - bs),
                                  static_cast<size_t>(count), out + (from - r.Start));
            } else {
                // A long block is read character by character: copying it whole would cost
                // what the whole line costs.
                chars.resize(static_cast<size_t>(count));
                for (int i = 0; i < count; ++i)
                    chars[static_cast<size_t>(i)] =
                        doc->characterAt(b.position() + (from - bs) + i).unicode();
                pagetext::toBytes(chars.data(), chars.size(), out + (from - r.Start));
            }
        }
        // The line break, as CR LF.
        for (int k = 0; k < 2 && lineBreakAfter(b); ++k) {
            const int at = bs + len + k;
            if (at >= r.Start && at < r.End)
                out[at - r.Start] = k == 0 ? '\r' : '\n';
        }
        b = b.next();
    }
    out[n] = '\0';
    return n;
}
