#pragma once

// The editor's own drawing of its text: the glyphs the control would draw, gathered for the whole
// view into one draw per font, except those the overlay paints over entirely.

#include <QGlyphRun>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QRect>
#include <QRectF>

#include <vector>

class QPainter;

// The ink of glyphs: the outline's box relative to the glyph's origin, remembered per font and
// glyph.
class TGlyphInk {
public:
    QRectF box(const QRawFont& font, quint32 glyph);
    // The boxes of a font, indexed by glyph, holding at least those of the glyphs given.
    const std::vector<QRectF>& boxes(const QRawFont& font, const QList<quint32>& glyphs);

    // The boxes of one font, asked glyph by glyph; good until another font is asked for.
    class TFont {
    public:
        const QRectF& box(quint32 glyph);

    private:
        friend class TGlyphInk;
        TFont(TGlyphInk& ink, const QRawFont& font);
        const QRawFont& font_;
        std::vector<QRectF>& boxes_;
        std::vector<bool>& known_;
    };
    TFont font(const QRawFont& font);

    // Where a glyph's ink box placed at a position may put pixels: a glyph is drawn with its
    // position's fraction floored to a quarter of a pixel, and hinting and anti-aliasing go
    // a little beyond the outline.
    static QRectF reach(const QRectF& box, QPointF at);
    // Whether that reach lies wholly inside a rectangle of whole pixels, or meets one.
    static bool inside(const QRectF& reach, const QRect& rect);
    static bool meets(const QRectF& reach, const QRect& rect);

private:
    struct TFontBoxes {
        QRawFont Font;
        std::vector<QRectF> Boxes;
        std::vector<bool> Known;
    };
    TFontBoxes& boxesOf(const QRawFont& font);

    std::vector<TFontBoxes> fonts_;
    int last_ = -1;
};

// Glyphs of several display lines, one list per font, in viewport coordinates.
class TTextBatch {
public:
    explicit TTextBatch(TGlyphInk& ink) : ink_(ink) {}

    // Adds the glyphs of a line whose layout origin lies at origin, except those without ink and
    // those whose ink lies wholly inside one of the covered rectangles (left to right, apart).
    void addLine(const QList<QGlyphRun>& glyphs, QPointF origin, const std::vector<QRect>& covered);
    // Draws the glyphs gathered so far with the painter's pen, and forgets them.
    void draw(QPainter& painter);

private:
    struct TRun {
        QGlyphRun Run; ///< font and flags
        QList<quint32> Indexes;
        QList<QPointF> Positions;
    };
    TGlyphInk& ink_;
    std::vector<TRun> runs_;
};
