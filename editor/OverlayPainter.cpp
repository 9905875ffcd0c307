#include "editor/OverlayPainter.h"

#include "editor/LineGeometry.h"
#include "editor/core/DrawPass.h"
#include "platform/QtColors.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>
#include <tuple>

namespace {

// Glyphs of one colour for the whole view, one list per font, positioned in viewport coordinates
// exactly as the control positioned them.
struct TGlyphBatch {
    QGlyphRun Run; ///< font and flags
    QList<quint32> Indexes;
    QList<QPointF> Positions;
};

struct TColourBatch {
    QColor Color;
    std::vector<QRect> Rects;
    std::vector<TGlyphBatch> Glyphs;
    /// Whole lines drawn as the control draws them, with the origin of the draw.
    std::vector<std::pair<QTextLine, QPointF>> Lines;
};

// A glyph run with an underline, overline or strike-out. A drawn glyph run gets that line only
// where the glyphs stand side by side, and on the screen (where the painter is translated to the
// viewport) the toolkit puts it in the wrong place: such lines are drawn whole instead.
bool isDecorated(const QGlyphRun& run) {
    return run.flags() & (QGlyphRun::Underline | QGlyphRun::Overline | QGlyphRun::StrikeOut);
}

// Adds the glyphs of a line that put pixels into the rectangles of the batch's colour: those whose
// origin lies within one of the x ranges around the line's own rectangles, and whose ink meets one
// of the colour's rectangles on this line or the next ones (descenders, accents).
void addGlyphs(TColourBatch& batch, const TLineRuns& line,
               const std::vector<std::pair<qreal, qreal>>& ranges, const std::vector<QRect>& rects,
               TGlyphInk& ink) {
    const QPointF origin = line.Origin;
    for (const QGlyphRun& g : line.Glyphs) {
        const QRawFont font = g.rawFont();
        const QList<QPointF> positions = g.positions();
        const QList<quint32> indexes = g.glyphIndexes();
        TGlyphInk::TFont boxes = ink.font(font);
        TGlyphBatch* target = nullptr;
        // The ranges come sorted by their left ends, and the glyphs left to right but for a
        // step back, which starts the search over: ranges that end left of a glyph end left of
        // those after it, and when the first range left that does not starts right of a glyph,
        // all the others do.
        size_t k = 0;
        qreal lastX = -1e300;
        for (qsizetype i = 0; i < positions.size(); ++i) {
            const QPointF at = positions[i] + origin;
            if (at.x() < lastX)
                k = 0;
            lastX = at.x();
            while (k < ranges.size() && ranges[k].second < at.x())
                ++k;
            if (k == ranges.size() || at.x() < ranges[k].first)
                continue;
            const QRectF& box = boxes.box(indexes[i]);
            if (box.isEmpty())
                continue;
            const QRectF reach = TGlyphInk::reach(box, at);
            if (std::none_of(rects.begin(), rects.end(),
                             [&](const QRect& r) { return TGlyphInk::meets(reach, r); }))
                continue;
            if (!target) {
                for (TGlyphBatch& b : batch.Glyphs)
                    if (b.Run.rawFont() == font && b.Run.flags() == g.flags())
                        target = &b;
                if (!target) {
                    batch.Glyphs.push_back({g, {}, {}});
                    target = &batch.Glyphs.back();
                }
            }
            target->Indexes.push_back(indexes[i]);
            target->Positions.push_back(at);
        }
    }
}

// The rectangles of a line's runs (clipped to the area) of one colour.
void rectsOf(const std::vector<std::pair<QRect, QColor>>& line, const QColor& color,
             std::vector<QRect>& out) {
    const QRgb rgba = color.rgba();
    for (const auto& [rect, c] : line)
        if (c.rgba() == rgba && c == color)
            out.push_back(rect);
}

} // namespace

TRunPlan planRuns(const TOverlayView& view, const std::vector<TDisplayLine>& lines,
                  const std::vector<TKeyDescr>& runs, const QRegion& area) {
    TRunPlan plan;
    if (runs.empty())
        return plan;
    const QPalette& pal = view.Palette;
    const bool areaIsRect = area.rectCount() == 1;
    const QRect areaRect = area.boundingRect();
    const QTextBlock& caretBlock = view.CaretBlock;
    const bool drawKeys = view.OnDrawKey && *view.OnDrawKey;
    size_t first = 0;

    for (size_t li = 0; li < lines.size(); ++li) {
        const TDisplayLine& l = lines[li];
        const QTextLayout* layout = l.Block.layout();
        if (!layout || layout->lineCount() <= l.LineInBlock)
            continue;
        const int top = static_cast<int>(std::floor(l.Top));
        const int lineBottom = static_cast<int>(std::ceil(l.Top + l.Height));
        const int lineStart = l.Start;
        const int lineEnd = l.Start + l.Length;
        const bool lastOfBlock = l.LineInBlock == layout->lineCount() - 1;
        while (first < runs.size() && runs[first].EndPos < lineStart)
            ++first;
        if (first >= runs.size() || runs[first].StartPos >= lineEnd + 2)
            continue;
        if (!area.intersects(QRect(0, top, view.ViewportWidth, lineBottom - top)))
            continue;
        const QTextLine tl = layout->lineAt(l.LineInBlock);
        const TDisplayLineEdges edges(view.Document, l, tl, view.ViewportWidth);
        TLineRuns line;
        line.Plain.reserve(8);
        line.Covered.reserve(8);
        line.Line = li;
        line.TextLine = tl;
        line.Origin = l.Origin;
        const auto cover = [&](const QRect& rect) {
            if (areaIsRect && !(rect & areaRect).isEmpty())
                line.Covered.push_back(rect & areaRect);
        };
        int glyphFrom = INT_MAX, glyphTo = INT_MIN;
        int prevRight = INT_MIN;
        for (size_t j = first; j < runs.size() && runs[j].StartPos < lineEnd + 2; ++j) {
            const TKeyDescr& run = runs[j];
            if (run.StartPos < 0 || run.ZOrder >= kZSelection)
                continue;
            const int a = std::max(run.StartPos, lineStart);
            const int b = std::min(run.EndPos + 1, lineEnd);
            if (a >= b)
                continue;
            // The sides next to the selection or a tab keep the control's look.
            const auto untouched = [&](size_t k) {
                return runs[k].ZOrder >= kZSelection &&
                       (runs[k].EndPos + 1 == run.StartPos || runs[k].StartPos == run.EndPos + 1);
            };
            const bool inLeft = j > 0 && untouched(j - 1);
            const bool inRight = j + 1 < runs.size() && untouched(j + 1);
            const TRunColumns cols = RunColumns(edges, l.Origin.x(), a - l.BlockStart,
                                                b - l.BlockStart, inLeft, inRight, prevRight);
            if (cols.Empty())
                continue;
            prevRight = cols.Right;
            const QRect rect(cols.Left, top, cols.Right - cols.Left, lineBottom - top);
            const QColor color = toQColor(run.Color, pal);
            // A run that goes on to another line is drawn as plain text, line by line; a final
            // line break does not count.
            const bool multiLine =
                run.StartPos < lineStart || run.EndPos >= lineEnd + (lastOfBlock ? 2 : 0);
            if (!multiLine && run.IsKeyword && drawKeys) {
                QString pkey;
                const int pos = view.Adapter->positionFromOffset(a);
                for (int k = 0; k < b - a; ++k)
                    pkey += view.Document->characterAt(pos + k);
                plan.Keys.emplace_back(rect, color, pkey);
            } else if (!multiLine && run.ZOrder == kZHotSpotMarker) {
                plan.Solid.emplace_back(rect, color);
                if (color.alpha() == 255)
                    cover(rect);
            } else {
                line.Plain.emplace_back(rect, color);
                cover(rect);
                glyphFrom = std::min(glyphFrom, a - l.BlockStart);
                glyphTo = std::max(glyphTo, b - l.BlockStart);
                if (!multiLine && run.ZOrder == kZHotSpotText && view.UnderlineHotSpots)
                    plan.Underline.emplace_back(rect, color);
            }
            if (l.Block == caretBlock)
                plan.OverCaret = true;
        }
        if (line.Plain.empty() && line.Covered.empty())
            continue;

        // The line's glyphs near each run go to the batch of the run's colour, once per line
        // and colour: a glyph drawn twice would come out darker.
        // A long line gives only the glyphs around its runs.
        if (!edges.IsLong()) {
            line.Glyphs = edges.Glyphs();
            line.AllGlyphs = true;
            line.WholeLine = std::any_of(line.Glyphs.cbegin(), line.Glyphs.cend(), isDecorated);
        } else if (!line.Plain.empty()) {
            // Neighbours whose glyphs may reach into a run lie within a few characters.
            const int from = std::max(tl.textStart(), glyphFrom - 4);
            const int to = std::min(tl.textStart() + tl.textLength(), glyphTo + 4);
            if (to > from)
                line.Glyphs = tl.glyphRuns(from, to - from);
        }
        plan.Lines.push_back(std::move(line));
    }
    return plan;
}

bool paintRuns(QPainter& painter, const TOverlayView& view, const TRunPlan& plan,
               const QRegion& area) {
    TGlyphInk ownInk;
    TGlyphInk& ink = view.Ink ? *view.Ink : ownInk;
    const QPalette& pal = view.Palette;
    const QColor background = pal.color(QPalette::Base);
    const QFontMetricsF fm(view.Font);
    // How far a glyph may reach from its origin: its advance to the right, overhangs to the left.
    const qreal reachLeft = fm.maxWidth() + 2;
    const qreal reachRight = fm.height() / 2 + 2;

    // The runs' rectangles within the area, line by line.
    const bool areaIsRect = area.rectCount() == 1;
    const QRect areaRect = area.boundingRect();
    std::vector<std::vector<std::pair<QRect, QColor>>> inArea(plan.Lines.size());
    for (size_t p = 0; p < plan.Lines.size(); ++p)
        for (const auto& [rect, color] : plan.Lines[p].Plain) {
            if (areaIsRect) {
                const QRect r = rect & areaRect;
                if (!r.isEmpty())
                    inArea[p].emplace_back(r, color);
            } else {
                for (const QRect& r : area.intersected(rect))
                    inArea[p].emplace_back(r, color);
            }
        }

    std::vector<TColourBatch> batches;
    std::vector<QRect> clipped, near;
    std::vector<QColor> colors;
    std::vector<std::pair<qreal, qreal>> ranges;
    for (size_t p = 0; p < plan.Lines.size(); ++p) {
        const TLineRuns& line = plan.Lines[p];
        // The line's colours in the order of their values, each once per line: a glyph drawn
        // twice would come out darker.
        colors.clear();
        for (const auto& [rect, color] : inArea[p])
            if (std::find(colors.begin(), colors.end(), color) == colors.end())
                colors.push_back(color);
        std::stable_sort(colors.begin(), colors.end(),
                         [](const QColor& x, const QColor& y) { return x.rgba() < y.rgba(); });
        for (const QColor& color : colors) {
            clipped.clear();
            rectsOf(inArea[p], color, clipped);
            auto batch = std::find_if(batches.begin(), batches.end(),
                                      [&](const TColourBatch& b) { return b.Color == color; });
            if (batch == batches.end()) {
                batches.push_back({color, {}, {}, {}});
                batch = batches.end() - 1;
            }
            batch->Rects.insert(batch->Rects.end(), clipped.begin(), clipped.end());
            if (line.WholeLine) {
                batch->Lines.emplace_back(line.TextLine, line.Origin);
                continue;
            }
            ranges.clear();
            for (const QRect& r : clipped)
                ranges.emplace_back(r.left() - reachLeft, r.right() + 1 + reachRight);
            std::sort(ranges.begin(), ranges.end());
            // The batch is clipped to all the colour's rectangles: a glyph may also put pixels
            // into those of the lines next to its own.
            near = clipped;
            if (p > 0)
                rectsOf(inArea[p - 1], color, near);
            if (p + 1 < plan.Lines.size())
                rectsOf(inArea[p + 1], color, near);
            addGlyphs(*batch, line, ranges, near, ink);
        }
    }

    // The background the control drew under every run, then each colour in one clipped draw of
    // the control's own glyphs: one draw per colour for the whole view.
    for (const TColourBatch& b : batches)
        for (const QRect& r : b.Rects) {
            painter.fillRect(r, background);
            if (view.PaintUnder)
                view.PaintUnder(painter, r);
        }
    for (const TColourBatch& b : batches) {
        if (b.Glyphs.empty() && b.Lines.empty())
            continue;
        QRegion region;
        for (const QRect& r : b.Rects)
            region += r;
        painter.setClipRegion(region);
        painter.setPen(b.Color);
        for (const TGlyphBatch& g : b.Glyphs) {
            QGlyphRun run = g.Run;
            run.setGlyphIndexes(g.Indexes);
            run.setPositions(g.Positions);
            // Only long lines come here with such lines: their keys go without them rather than
            // get them in the wrong place.
            run.setUnderline(false);
            run.setOverline(false);
            run.setStrikeOut(false);
            painter.drawGlyphRun(QPointF(0, 0), run);
        }
        for (const auto& [line, origin] : b.Lines)
            line.draw(&painter, origin);
    }
    painter.setClipRegion(area);
    for (const auto& [rect, color] : plan.Underline) {
        const qreal y = rect.top() + fm.ascent() + std::max<qreal>(1, fm.underlinePos());
        painter.fillRect(QRectF(rect.left(), std::floor(y), rect.width(),
                                std::round(std::max<qreal>(1, fm.lineWidth()))),
                         color);
    }
    for (const auto& [rect, color] : plan.Solid)
        painter.fillRect(rect, color);
    for (const auto& [rect, color, pkey] : plan.Keys) {
        painter.save();
        painter.setClipRegion(area.intersected(rect));
        painter.setFont(view.Font);
        painter.setPen(color);
        painter.setBrush(background);
        (*view.OnDrawKey)(painter, pkey, rect, view.FontColor);
        painter.restore();
    }

    painter.setClipping(false);
    return plan.OverCaret;
}

bool paintRuns(QPainter& painter, const TOverlayView& view, const std::vector<TDisplayLine>& lines,
               const std::vector<TKeyDescr>& runs, const QRegion& area) {
    return paintRuns(painter, view, planRuns(view, lines, runs, area), area);
}

void paintCaret(QPainter& painter, const TOverlayView& view, const std::vector<TDisplayLine>& lines,
                const QRegion& area, int cpos, int cursorWidth) {
    const QPalette& pal = view.Palette;
    if (cpos >= 0) {
        for (const TDisplayLine& l : lines) {
            if (l.Block != view.CaretBlock)
                continue;
            painter.setClipRegion(area);
            painter.setPen(pal.color(QPalette::Text));
            const int inBlock = cpos - l.Block.position();
            if (l.Block.length() - 1 <= kPiecewiseLength) {
                l.Block.layout()->drawCursor(&painter, l.Origin - l.Block.layout()->position(),
                                             inBlock, cursorWidth);
                break;
            }
            // As QTextLayout::drawCursor draws it, without its measuring of the whole block.
            const QTextLine tl = l.Block.layout()->lineAt(l.LineInBlock);
            if (inBlock < tl.textStart() || inBlock > tl.textStart() + tl.textLength())
                continue;
            painter.save();
            painter.setRenderHint(QPainter::Antialiasing);
            painter.fillRect(QRectF(l.Origin.x() + edgeX(tl, inBlock, true), l.Top, cursorWidth,
                                    tl.ascent() + tl.descent()),
                             painter.pen().brush());
            painter.restore();
            break;
        }
    }
    painter.setClipping(false);
}
