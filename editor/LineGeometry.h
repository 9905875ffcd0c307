#pragma once

#include "editor/core/ScanRegions.h"

// Glyph edges and long-line measuring for the overlay: where the control put each character of a
// display line, read from the glyphs it shaped, and the scan window of a line too long to measure
// whole.

#include "editor/EditAdapter.h"
#include "editor/core/LineEdges.h"

#include <QGlyphRun>
#include <QList>
#include <QTextLayout>
#include <QTextLine>

#include <optional>
#include <utility>
#include <vector>

class QTextDocument;

// A long line with word wrap off is scanned only around its visible part; keys are far shorter
// than the margin. A block longer than kPiecewiseLength is read and measured piecewise.
constexpr int kPiecewiseLength = 2048;
constexpr int kPiecewiseMargin = 64;

// The x of the left edge of the character at a position in the block, relative to the layout.
// On a long block it is read from the glyphs: QTextLine::cursorToX and xToCursor work out the
// character attributes of the whole block first, which costs more than shaping it.
qreal edgeX(const QTextLine& line, int pos, bool longBlock);

// The character under x (relative to the layout), near enough for a scan window: on a long line
// by a few steps from an estimate, each measured on the line's glyphs.
int charAtX(const QTextLine& line, qreal x, bool longBlock);

// The block positions [from, to) of a long line that a viewport of the given width shows, widened
// by kPiecewiseMargin on both sides; originX is the layout's origin in the viewport.
std::pair<int, int> longLineWindow(const QTextLine& line, qreal originX, qreal width);

// Character edges of a long line around its visible part, measured on a small layout of that
// part and placed where the line's own glyph at the window start lies.
class TLongLineEdges {
public:
    TLongLineEdges(const QTextDocument* doc, const QTextBlock& block, const QTextLine& line,
                   int from, int to);
    qreal x(int pos) const;

private:
    QTextLine line_;
    int from_, to_;
    QTextLayout layout_;
    qreal offset_ = 0;
};

// The edges of one display line as the control laid it out. A short line is measured on its
// glyphs, fetched once; a long line on a small layout of its visible part (TLongLineEdges).
class TDisplayLineEdges : public TLineEdges {
public:
    TDisplayLineEdges(const QTextDocument* doc, const TDisplayLine& line, const QTextLine& tl,
                      qreal viewportWidth);
    double Edge(int pos) const override;
    // The glyphs of a short line (empty for a long one).
    const QList<QGlyphRun>& Glyphs() const;
    bool IsLong() const { return longEdges_.has_value(); }

private:
    void fetch() const;

    const QTextDocument* doc_;
    QTextBlock block_;
    QTextLine tl_;
    bool longBlock_;
    std::optional<TLongLineEdges> longEdges_;
    // With one glyph per character, left to right, the edges of the characters are the glyphs'
    // pen positions, as cursorToX would say.
    mutable bool fetched_ = false;
    mutable QList<QGlyphRun> glyphs_;
    mutable QList<QPointF> pens_;
};

// A scan region: CR LF offsets [Start, End).

// The scan regions of the visible lines: the lines down to the last wholly visible one in one
// region; a long unwrapped line only around its visible part, in a region of its own, and only
// when it lies in the repainted area (measuring it shapes it).
std::vector<TScanRegion> scanRegions(const std::vector<TDisplayLine>& lines, const QRegion& area,
                                     bool wrap, qreal width, qreal bottom);

// Copies the region's page bytes into out (NUL-terminated; line breaks as CR LF); b is a block at
// or before the region's start. Returns the region's length.
int copyRegion(const QTextDocument* doc, const TScanRegion& r, QTextBlock b,
               std::vector<char>& out);
