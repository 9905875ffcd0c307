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

// Adds the glyphs of a line whose origin lies close enough to one of the x ranges to reach into
// it.
void addGlyphs(TColourBatch& batch, const QList<QGlyphRun>& line, QPointF origin,
               const std::vector<std::pair<qreal, qreal>>& ranges) {
    for (const QGlyphRun& g : line) {
        const QList<QPointF> positions = g.positions();
        const QList<quint32> indexes = g.glyphIndexes();
        TGlyphBatch* target = nullptr;
        for (qsizetype i = 0; i < positions.size(); ++i) {
            const qreal x = positions[i].x() + origin.x();
            const bool reaches = std::any_of(ranges.begin(), ranges.end(), [x](const auto& r) {
                return x >= r.first && x <= r.second;
            });
            if (!reaches)
                continue;
            if (!target) {
                for (TGlyphBatch& b : batch.Glyphs)
                    if (b.Run.rawFont() == g.rawFont() && b.Run.flags() == g.flags())
                        target = &b;
                if (!target) {
                    batch.Glyphs.push_back({g, {}, {}});
                    target = &batch.Glyphs.back();
                }
            }
            target->Indexes.push_back(indexes[i]);
            target->Positions.push_back(positions[i] + origin);
        }
    }
}

} // namespace

bool paintRuns(QPainter& painter, const TOverlayView& view, const std::vector<TDisplayLine>& lines,
               const std::vector<TKeyDescr>& runs, const QRegion& area) {
    if (runs.empty())
        return false;
    const QPalette& pal = view.Palette;
    const QColor background = pal.color(QPalette::Base);
    const QFontMetricsF fm(view.Font);
    // How far a glyph may reach from its origin: its advance to the right, overhangs to the left.
    const qreal reachLeft = fm.maxWidth() + 2;
    const qreal reachRight = fm.height() / 2 + 2;
    const bool areaIsRect = area.rectCount() == 1;
    const QRect areaRect = area.boundingRect();
    const QTextBlock& caretBlock = view.CaretBlock;
    const bool drawKeys = view.OnDrawKey && *view.OnDrawKey;
    bool drewOverCaret = false;

    std::vector<TColourBatch> batches;
    std::vector<std::pair<QRect, QColor>> solid, underline;
    std::vector<std::tuple<QRect, QColor, QString>> keys;
    std::vector<std::pair<QRect, QColor>> plain;
    std::vector<QRect> clipped;
    std::vector<std::pair<qreal, qreal>> ranges;
    size_t first = 0;

    for (const TDisplayLine& l : lines) {
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
        if (!area.intersects(QRect(0, top, view.ViewportWidth, lineBottom - top)))
            continue;
        const QTextLine tl = layout->lineAt(l.LineInBlock);
        const TDisplayLineEdges edges(view.Document, l, tl, view.ViewportWidth);
        plain.clear();
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
                keys.emplace_back(rect, color, pkey);
            } else if (!multiLine && run.ZOrder == kZHotSpotMarker) {
                solid.emplace_back(rect, color);
            } else {
                plain.emplace_back(rect, color);
                glyphFrom = std::min(glyphFrom, a - l.BlockStart);
                glyphTo = std::max(glyphTo, b - l.BlockStart);
                if (!multiLine && run.ZOrder == kZHotSpotText && view.UnderlineHotSpots)
                    underline.emplace_back(rect, color);
            }
            if (l.Block == caretBlock)
                drewOverCaret = true;
        }
        if (plain.empty())
            continue;

        // The line's glyphs near each run go to the batch of the run's colour, once per line
        // and colour: a glyph drawn twice would come out darker.
        // A long line gives only the glyphs around its runs.
        QList<QGlyphRun> glyphs;
        bool wholeLine = false;
        if (!edges.IsLong()) {
            glyphs = edges.Glyphs();
            wholeLine = std::any_of(glyphs.cbegin(), glyphs.cend(), isDecorated);
        } else {
            // Neighbours whose glyphs may reach into a run lie within a few characters.
            const int from = std::max(tl.textStart(), glyphFrom - 4);
            const int to = std::min(tl.textStart() + tl.textLength(), glyphTo + 4);
            if (to > from)
                glyphs = tl.glyphRuns(from, to - from);
        }
        std::stable_sort(plain.begin(), plain.end(), [](const auto& x, const auto& y) {
            return x.second.rgba() < y.second.rgba();
        });
        for (size_t i = 0; i < plain.size();) {
            const QColor color = plain[i].second;
            clipped.clear();
            for (; i < plain.size() && plain[i].second == color; ++i) {
                if (areaIsRect) {
                    const QRect r = plain[i].first & areaRect;
                    if (!r.isEmpty())
                        clipped.push_back(r);
                } else {
                    for (const QRect& r : area.intersected(plain[i].first))
                        clipped.push_back(r);
                }
            }
            if (clipped.empty())
                continue;
            auto batch = std::find_if(batches.begin(), batches.end(),
                                      [&](const TColourBatch& b) { return b.Color == color; });
            if (batch == batches.end()) {
                batches.push_back({color, {}, {}, {}});
                batch = batches.end() - 1;
            }
            ranges.clear();
            for (const QRect& r : clipped) {
                batch->Rects.push_back(r);
                ranges.emplace_back(r.left() - reachLeft, r.right() + 1 + reachRight);
            }
            if (wholeLine)
                batch->Lines.emplace_back(tl, l.Origin);
            else
                addGlyphs(*batch, glyphs, l.Origin, ranges);
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
    for (const auto& [rect, color] : underline) {
        const qreal y = rect.top() + fm.ascent() + std::max<qreal>(1, fm.underlinePos());
        painter.fillRect(QRectF(rect.left(), std::floor(y), rect.width(),
                                std::round(std::max<qreal>(1, fm.lineWidth()))),
                         color);
    }
    for (const auto& [rect, color] : solid)
        painter.fillRect(rect, color);
    for (const auto& [rect, color, pkey] : keys) {
        painter.save();
        painter.setClipRegion(area.intersected(rect));
        painter.setFont(view.Font);
        painter.setPen(color);
        painter.setBrush(background);
        (*view.OnDrawKey)(painter, pkey, rect, view.FontColor);
        painter.restore();
    }

    painter.setClipping(false);
    return drewOverCaret;
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
