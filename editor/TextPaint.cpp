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

QRectF TGlyphInk::box(const QRawFont& font, quint32 glyph) {
    TFontBoxes& f = boxesOf(font);
    if (glyph >= f.Boxes.size()) {
        f.Boxes.resize(glyph + 1);
        f.Known.resize(glyph + 1, false);
    }
    if (!f.Known[glyph]) {
        // The outline's own box: the font's are rounded out to whole pixels.
        f.Boxes[glyph] = font.pathForGlyph(glyph).boundingRect();
        f.Known[glyph] = true;
    }
    return f.Boxes[glyph];
}

QRectF TGlyphInk::reach(const QRectF& box, QPointF at) {
    return QRectF(QPointF(at.x() + box.left() - 0.75, at.y() + box.top() - 1),
                  QPointF(at.x() + box.right() + 0.5, at.y() + box.bottom() + 1));
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
        for (qsizetype i = 0; i < positions.size(); ++i) {
            const QPointF at = positions[i] + origin;
            const QRectF box = ink_.box(font, indexes[i]);
            if (box.isEmpty())
                continue;
            if (!covered.empty()) {
                const QRectF reach = TGlyphInk::reach(box, at);
                if (std::any_of(covered.begin(), covered.end(),
                                [&](const QRect& r) { return TGlyphInk::inside(reach, r); }))
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
