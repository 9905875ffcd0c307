// The editor's paint: the text, the colouring pass and its overlay. While the overlay is on, the
// editor draws the text itself as the control would, each glyph of the view in one draw per font,
// and leaves out the glyphs the overlay paints over entirely: they would be drawn twice.
#include "editor/ColMemo.h"

#include "editor/LineGeometry.h"
#include "editor/OverlayPainter.h"
#include "editor/TextPaint.h"
#include "platform/QtColors.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <cmath>

void TColorMemo::paintEvent(QPaintEvent* e) {
    const bool overlay = isEnabled() && (rules_.Count() > 0 || hotSpot_.Active);
    std::vector<QTextLayout*> kept;
    if (overlay)
        keepShapedText(e->rect(), kept);
    // The lines in view, found once for the whole paint (with those above that a key may start
    // on).
    const std::vector<TDisplayLine> lines = adapter_.visibleLines(linesAbove());
    // The find bar's tint goes on the background, under the text the control draws next.
    if (matchMarks_.isActive()) {
        matchMarks_.prepare(*document(), lines, viewport()->width());
        QPainter under(viewport());
        matchMarks_.paint(under, e->rect());
    }
    if (!overlay) {
        QPlainTextEdit::paintEvent(e);
        QPainter marks(viewport());
        paintNoBreakSpaces(marks, e->region(), lines);
        spellMarks_.paint(marks, e->region(), lines);
        findingMarks_.paint(marks, e->region(), lines);
        return;
    }
    // A font with lines through or under its glyphs, and the placeholder, stay the control's.
    const QFont f = font();
    const bool ownText = !f.underline() && !f.strikeOut() && !f.overline() &&
                         (placeholderText().isEmpty() || !document()->isEmpty());
    if (!ownText)
        QPlainTextEdit::paintEvent(e);
    QPainter painter(viewport());
    // Release the shaped text as the control would have, whatever happens in the pass: a draw
    // that reaches no line only frees it.
    struct TRelease {
        std::vector<QTextLayout*>& layouts;
        QPainter& painter;
        ~TRelease() {
            painter.setClipping(false);
            for (QTextLayout* l : layouts) {
                l->setCacheEnabled(false);
                l->draw(&painter, QPointF(), {}, QRectF(0, -1e9, 1, 1));
            }
        }
    } release{kept, painter};
    runPass(painter, e->region(), ownText, lines);
    paintNoBreakSpaces(painter, e->region(), lines);
    spellMarks_.paint(painter, e->region(), lines);
    findingMarks_.paint(painter, e->region(), lines);
}

void TColorMemo::paintNoBreakSpaces(QPainter& painter, const QRegion& area,
                                    const std::vector<TDisplayLine>& lines) const {
    constexpr QChar kNoBreakSpace(0x00A0);
    const QRect box = area.boundingRect();
    QColor ink = palette().color(QPalette::Text);
    ink.setAlpha(90);
    bool started = false;
    int textBlock = -1;
    QString text;
    for (const TDisplayLine& l : lines) {
        const QTextLayout* layout = l.Block.layout();
        if (!layout || l.LineInBlock >= layout->lineCount() || l.Top > box.bottom() ||
            l.Top + l.Height < box.top())
            continue;
        const QTextLine tl = layout->lineAt(l.LineInBlock);
        if (l.Block.blockNumber() != textBlock) {
            textBlock = l.Block.blockNumber();
            text = l.Block.text();
        }
        // Only the part of a long line in the area is looked through.
        const int from = std::max(tl.textStart(), tl.xToCursor(box.left() - l.Origin.x()) - 1);
        const int to = std::min(tl.textStart() + tl.textLength(),
                                tl.xToCursor(box.right() + 1 - l.Origin.x()) + 1);
        const qreal baseline = l.Origin.y() + tl.y() + tl.ascent();
        for (qsizetype k = text.indexOf(kNoBreakSpace, from); k >= 0 && k < to;
             k = text.indexOf(kNoBreakSpace, k + 1)) {
            if (!started) {
                painter.save();
                painter.setClipRegion(area);
                painter.setRenderHint(QPainter::Antialiasing, false);
                painter.setPen(QPen(ink, 1));
                started = true;
            }
            // A small open box on the baseline, inside the space's width.
            const int x0 = static_cast<int>(std::round(l.Origin.x() + tl.cursorToX(int(k)))) + 1;
            const int x1 = std::max(
                static_cast<int>(std::round(l.Origin.x() + tl.cursorToX(int(k) + 1))) - 2, x0 + 1);
            const int y = static_cast<int>(std::floor(baseline));
            const int rise = std::max(2, static_cast<int>(tl.ascent() / 5));
            painter.drawPolyline(QPolygon(
                {QPoint(x0, y - rise), QPoint(x0, y), QPoint(x1, y), QPoint(x1, y - rise)}));
        }
    }
    if (started)
        painter.restore();
}

int TColorMemo::linesAbove() const {
    return rules_.Count() > 0 ? std::max(0, rules_[0].KeyMaxHeight - 1) : 0;
}

void TColorMemo::keepShapedText(const QRect& box, std::vector<QTextLayout*>& kept) {
    // Laying out a block shapes its text, and the control's paint shapes it again, each time
    // throwing it away at once; kept until the overlay is drawn, the shaped text of the blocks
    // in the repainted area serves the layout, the text's drawing and the overlay's measuring and
    // drawing, shaped once (which costs what the whole paint costs on a long line). A block laid
    // out here outside the area gives its shaped text back too.
    const qreal height = viewport()->height();
    QPointF offset = contentOffset();
    for (QTextBlock b = firstVisibleBlock(); b.isValid() && offset.y() < height; b = b.next()) {
        QTextLayout* layout = b.layout();
        const bool keep = !layout->cacheEnabled();
        if (keep && layout->lineCount() == 0 && offset.y() <= box.bottom())
            layout->setCacheEnabled(true);
        const QRectF r = blockBoundingRect(b).translated(offset);
        offset.ry() += r.height();
        if (!keep)
            continue;
        if (r.bottom() >= box.top() && r.top() <= box.bottom())
            layout->setCacheEnabled(true);
        if (layout->cacheEnabled())
            kept.push_back(layout);
    }
}

void TColorMemo::runPass(QPainter& painter, const QRegion& area, bool ownText,
                         const std::vector<TDisplayLine>& lines) {
    PrepareRules(rules_);
    rules_.EventSource = {colorLimMax_, &drawArray_, OnDraw ? &OnDraw : nullptr};
    const qreal bottom = viewport()->height();
    const qreal width = viewport()->width();

    // The scan regions: the lines from the scan start line down to the last wholly visible one,
    // in one region; a long unwrapped line only around its visible part, in a region of its own.
    std::vector<TScanRegion> regions = scanRegions(lines, area, WordWrap(), width, bottom);

    // A partial repaint scans only the blocks it touches when no key can cross a line break:
    // the keys found there are the ones a full pass finds.
    const QRect areaBox = area.boundingRect();
    if (canConfineRepaint(rules_, hotSpot_.Active,
                          areaBox.top() > 0 || areaBox.bottom() < bottom - 1)) {
        int from = INT_MAX, to = INT_MIN;
        for (const TDisplayLine& l : lines) {
            if (l.Top + l.Height <= areaBox.top() || l.Top > areaBox.bottom())
                continue;
            from = std::min(from, l.BlockStart);
            to = std::max(to, l.BlockStart + l.Block.length() - 1 + 2);
        }
        regions = confineRegions(regions, from, to);
    }

    const int selStart = SelStart();
    const int selLength = SelLength();
    TPassInput in;
    in.SelStart = selStart;
    in.SelLength = selLength;
    in.HotSpot = hotSpot_;
    in.WantTabs = !tabChangesFocus();
    in.Background = fromQColor(palette().color(QPalette::Base));
    in.RedrawAlways = redrawAlways_;
    in.CaretLineStart = redrawAlways_ ? adapter_.lineAt(selStart).Start : 0;
    in.FontColor = font_.color;

    runs_.clear();
    for (const TScanRegion& r : regions) {
        if (r.End <= r.Start)
            continue;
        copyRegion(document(), r, lines.front().Block, text_);
        in.Text = text_.data() - r.Start;
        in.ScanStart = r.Start;
        in.ScanEnd = r.End;
        RunPass(rules_, in, pass_);
        for (int i = 0; i < pass_.Keys.Count() && pass_.Keys[i].StartPos != kFreeRecord; ++i)
            runs_.push_back(pass_.Keys[i]);
    }
    drawRuns(painter, lines, area, ownText);
}

void TColorMemo::drawRuns(QPainter& painter, const std::vector<TDisplayLine>& lines,
                          const QRegion& area, bool ownText) {
    TOverlayView view;
    view.Document = document();
    view.Adapter = &adapter_;
    view.Palette = palette();
    view.Font = font();
    view.FontColor = font_.color;
    view.ViewportWidth = viewport()->width();
    view.CaretBlock = textCursor().block();
    view.UnderlineHotSpots = hotSpot_.Underlined;
    view.OnDrawKey = &OnDrawKey;
    if (matchMarks_.isActive())
        view.PaintUnder = [this](QPainter& p, const QRect& r) { matchMarks_.paint(p, r); };
    view.Ink = &ink_;
    const TRunPlan plan = planRuns(view, lines, runs_, area);
    const QAbstractTextDocumentLayout::PaintContext context = getPaintContext();
    if (ownText)
        paintText(painter, area.boundingRect(), context, lines, plan);
    // The overlay may have covered the caret: draw it again while it is in its visible phase.
    if (paintRuns(painter, view, plan, area))
        paintCaret(painter, view, lines, area, context.cursorPosition, cursorWidth());
}

void TColorMemo::paintText(QPainter& painter, QRect er,
                           const QAbstractTextDocumentLayout::PaintContext& context,
                           const std::vector<TDisplayLine>& lines, const TRunPlan& plan) {
    const QPointF contents = contentOffset();
    const bool editable = !isReadOnly();
    const QRect viewportRect = viewport()->rect();
    const qreal maximumWidth = document()->documentLayout()->documentSize().width();
    // As the control does: the right margin stays clean of full-width selections.
    const int maxX =
        static_cast<int>(contents.x() + std::max<qreal>(viewportRect.width(), maximumWidth) -
                         document()->documentMargin() + cursorWidth());
    er.setRight(std::min(er.right(), maxX));
    painter.save();
    painter.setBrushOrigin(contents);
    painter.setClipRect(er);
    painter.setPen(context.palette.text().color());

    TTextBatch batch(ink_);
    const std::vector<QRect> none;
    // The plan's lines, in the order the blocks come.
    const auto plannedAt = [&](size_t k) {
        const TDisplayLine& l = lines[plan.Lines[k].Line];
        return std::pair(l.Block.blockNumber(), l.LineInBlock);
    };
    size_t planned = 0;
    QTextBlock block = firstVisibleBlock();
    QPointF offset = contents;
    for (; block.isValid(); block = block.next()) {
        const QRectF r = blockBoundingRect(block).translated(offset);
        QTextLayout* layout = block.layout();
        if (!block.isVisible() || r.bottom() < er.top() || r.top() > er.bottom()) {
            offset.ry() += r.height();
            if (block.isVisible() && offset.y() > viewportRect.height())
                break;
            continue;
        }
        const int blpos = block.position();
        const int bllen = block.length();
        QList<QTextLayout::FormatRange> selections;
        for (const QAbstractTextDocumentLayout::Selection& range : context.selections) {
            const int selStart = range.cursor.selectionStart() - blpos;
            const int selEnd = range.cursor.selectionEnd() - blpos;
            if (selStart < bllen && selEnd > 0 && selEnd > selStart) {
                selections.append({selStart, selEnd - selStart, range.format});
            } else if (!range.cursor.hasSelection() &&
                       range.format.hasProperty(QTextFormat::FullWidthSelection) &&
                       block.contains(range.cursor.position())) {
                const QTextLine l = layout->lineForTextPosition(range.cursor.position() - blpos);
                int length = l.textLength();
                if (l.textStart() + length == bllen - 1)
                    ++length;
                selections.append({l.textStart(), length, range.format});
            }
        }
        const bool drawCursor =
            (editable || (textInteractionFlags() & Qt::TextSelectableByKeyboard)) &&
            context.cursorPosition >= blpos && context.cursorPosition < blpos + bllen;
        bool drawCursorAsBlock = drawCursor && overwriteMode();
        if (drawCursorAsBlock) {
            if (context.cursorPosition == blpos + bllen - 1) {
                drawCursorAsBlock = false;
            } else {
                QTextCharFormat format;
                format.setForeground(palette().base());
                format.setBackground(palette().text());
                selections.append({context.cursorPosition - blpos, 1, format});
            }
        }
        const bool preedit = !layout->preeditAreaText().isEmpty();
        // A block with anything more than its text is drawn whole by its layout, in order.
        if (!selections.isEmpty() || preedit || bllen - 1 > kPiecewiseLength ||
            block.blockFormat().background() != Qt::NoBrush) {
            batch.draw(painter);
            layout->draw(&painter, offset, selections, er);
        } else {
            // Every line of the block that reaches into er, as the layout draws them: also those
            // above the view, whose glyphs may reach down into it.
            const QPointF origin = offset + layout->position();
            const int number = block.blockNumber();
            for (int n = 0; n < layout->lineCount(); ++n) {
                const QTextLine tl = layout->lineAt(n);
                const qreal top = origin.y() + tl.y();
                if (top > er.bottom() + 1 || top + tl.height() < er.top())
                    continue;
                while (planned < plan.Lines.size() && plannedAt(planned) < std::pair(number, n))
                    ++planned;
                if (planned < plan.Lines.size() && plannedAt(planned) == std::pair(number, n) &&
                    plan.Lines[planned].AllGlyphs) {
                    const TLineRuns& p = plan.Lines[planned];
                    batch.addLine(p.Glyphs, origin, p.Covered);
                } else {
                    batch.addLine(tl.glyphRuns(), origin, none);
                }
            }
        }
        if ((drawCursor && !drawCursorAsBlock) ||
            (editable && context.cursorPosition < -1 && preedit)) {
            int cpos = context.cursorPosition;
            if (cpos < -1)
                cpos = layout->preeditAreaPosition() - (cpos + 2);
            else
                cpos -= blpos;
            batch.draw(painter);
            layout->drawCursor(&painter, offset, cpos, cursorWidth());
        }
        offset.ry() += r.height();
        if (offset.y() > viewportRect.height())
            break;
    }
    batch.draw(painter);
    // Below the page's last block, as the control leaves it.
    if (backgroundVisible() && !block.isValid() && offset.y() <= er.bottom() &&
        (centerOnScroll() || verticalScrollBar()->maximum() == verticalScrollBar()->minimum()))
        painter.fillRect(QRect(QPoint(er.left(), static_cast<int>(offset.y())), er.bottomRight()),
                         palette().window());
    painter.restore();
}
