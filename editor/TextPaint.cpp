#include "editor/TextPaint.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

TGlyphInk::TFontBoxes& TGlyphInk::boxesOf(const QRawFont& font) {
    if (last_ >= 0 && fonts_[static_cast<size_t>(last_)].Font == font)
        return fonts_[static_cast<size_t>(last_)];
    for (size_t i = 0; i < fonts_.size(); ++i)
        if (fonts_[i].Font == font) {
            last_ = static_cast<int>(i);
            return fonts_[i];
        }
    // A handful of fonts at most: the editor's and the fallbacks of its characters.
    if (fonts_.size() >= 16)
        fonts_.erase(fonts_.begin());
    fonts_.push_back({font, {}, {}});
    last_ = static_cast<int>(fonts_.size()) - 1;
    return fonts_.back();
}

namespace {

void learn(const QRawFont& font, quint32 glyph, std::vector<QRectF>& boxes,
           std::vector<bool>& known) {
    if (glyph >= boxes.size()) {
        boxes.resize(glyph + 1);
        known.resize(glyph + 1, false);
    }
    if (!known[glyph]) {
        // The outline's own box: the font's are rounded out to whole pixels.
        boxes[glyph] = font.pathForGlyph(glyph).boundingRect();
        known[glyph] = true;
    }
}

} // namespace

QRectF TGlyphInk::box(const QRawFont& font, quint32 glyph) {
    TFontBoxes& f = boxesOf(font);
    learn(font, glyph, f.Boxes, f.Known);
    return f.Boxes[glyph];
}

TGlyphInk::TFont::TFont(TGlyphInk& ink, const QRawFont& font)
    : font_(font), boxes_(ink.boxesOf(font).Boxes), known_(ink.boxesOf(font).Known) {}

const QRectF& TGlyphInk::TFont::box(quint32 glyph) {
    if (glyph >= known_.size() || !known_[glyph])
        learn(font_, glyph, boxes_, known_);
    return boxes_[glyph];
}

TGlyphInk::TFont TGlyphInk::font(const QRawFont& font) {
    return TFont(*this, font);
}

const std::vector<QRectF>& TGlyphInk::boxes(const QRawFont& font, const QList<quint32>& glyphs) {
    TFontBoxes& f = boxesOf(font);
    for (const quint32 g : glyphs)
        if (g >= f.Known.size() || !f.Known[g])
            learn(font, g, f.Boxes, f.Known);
    return f.Boxes;
}

QRectF TGlyphInk::reach(const QRectF& box, QPointF at) {
    // Up to a quarter of a pixel further left for the floored position; two thirds of a pixel
    // each way for the filter of sub-pixel anti-aliasing; a pixel up and down for the hinting.
    return QRectF(QPointF(at.x() + box.left() - 1, at.y() + box.top() - 1),
                  QPointF(at.x() + box.right() + 0.75, at.y() + box.bottom() + 1));
}

bool TGlyphInk::inside(const QRectF& reach, const QRect& rect) {
    return reach.left() >= rect.left() && reach.right() <= rect.right() + 1 &&
           reach.top() >= rect.top() && reach.bottom() <= rect.bottom() + 1;
}

bool TGlyphInk::meets(const QRectF& reach, const QRect& rect) {
    return reach.left() < rect.right() + 1 && reach.right() > rect.left() &&
           reach.top() < rect.bottom() + 1 && reach.bottom() > rect.top();
}

void TTextBatch::addLine(const QList<QGlyphRun>& glyphs, QPointF origin,
                         const std::vector<QRect>& covered) {
    for (const QGlyphRun& g : glyphs) {
        const QRawFont font = g.rawFont();
        TRun* target = nullptr;
        for (TRun& r : runs_)
            if (r.Run.rawFont() == font && r.Run.flags() == g.flags())
                target = &r;
        if (!target) {
            runs_.push_back({g, {}, {}});
            target = &runs_.back();
        }
        const QList<QPointF> positions = g.positions();
        const QList<quint32> indexes = g.glyphIndexes();
        const std::vector<QRectF>& boxes = ink_.boxes(font, indexes);
        // The covered rectangles go left to right, like the glyphs of a line: the one a glyph
        // may lie in is the first that does not end left of it.
        size_t c = 0;
        for (qsizetype i = 0; i < positions.size(); ++i) {
            const QPointF at = positions[i] + origin;
            const QRectF& box = boxes[indexes[i]];
            if (box.isEmpty())
                continue;
            if (c < covered.size()) {
                const QRectF reach = TGlyphInk::reach(box, at);
                while (c < covered.size() && covered[c].right() + 1 <= reach.left())
                    ++c;
                if (c < covered.size() && TGlyphInk::inside(reach, covered[c]))
                    continue;
            }
            target->Indexes.push_back(indexes[i]);
            target->Positions.push_back(at);
        }
    }
}

void TTextBatch::draw(QPainter& painter) {
    for (TRun& r : runs_) {
        if (r.Indexes.isEmpty())
            continue;
        r.Run.setGlyphIndexes(r.Indexes);
        r.Run.setPositions(r.Positions);
        painter.drawGlyphRun(QPointF(0, 0), r.Run);
    }
    runs_.clear();
}
