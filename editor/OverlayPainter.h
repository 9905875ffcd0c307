#pragma once

// Painting the runs of a pass over what the control drew: measuring each run on its line,
// batching the glyphs of one colour for the whole view, and drawing the caret again where the
// overlay covered it.

#include "editor/EditAdapter.h"
#include "editor/TextPaint.h"
#include "editor/core/ColorRules.h"

#include <QFont>
#include <QGlyphRun>
#include <QPalette>
#include <QRegion>
#include <QTextLayout>

#include <functional>
#include <tuple>
#include <vector>

class QPainter;
class QTextDocument;

using TDrawKeyEvent =
    std::function<void(QPainter& canvas, const QString& PKey, const QRect& rect, TColor KColor)>;

// What the overlay needs to know of the editor it paints on.
struct TOverlayView {
    const QTextDocument* Document = nullptr;
    const TEditAdapter* Adapter = nullptr;
    QPalette Palette;
    QFont Font;
    TColor FontColor = 0;  ///< the editor font's colour, handed to OnDrawKey
    int ViewportWidth = 0; ///< pixels
    QTextBlock CaretBlock;
    bool UnderlineHotSpots = true;
    const TDrawKeyEvent* OnDrawKey = nullptr; ///< draws keyword runs instead, when set
    /// Paints what lies on the background (the find bar's tint) again where a run's background
    /// was filled, before the run's glyphs; may be empty.
    std::function<void(QPainter&, const QRect&)> PaintUnder;
    TGlyphInk* Ink = nullptr; ///< measures which glyphs reach into a run
};

// What the overlay paints over one display line: its glyphs (those near the runs, or the whole
// line's) and the runs drawn as text, by colour.
struct TLineRuns {
    size_t Line = 0; ///< index in the display lines
    QTextLine TextLine;
    QPointF Origin; ///< of the line's layout, in viewport coordinates
    QList<QGlyphRun> Glyphs;
    bool WholeLine = false; ///< drawn whole as the control draws it (decorated glyphs)
    bool AllGlyphs = false; ///< Glyphs holds the whole line's
    std::vector<std::pair<QRect, QColor>> Plain;
    /// Rectangles the overlay paints over entirely (within the area): whatever the text paint
    /// would draw wholly inside one of them is covered anyway.
    std::vector<QRect> Covered;
};

// The runs measured on their lines, ready to paint.
struct TRunPlan {
    std::vector<TLineRuns> Lines; ///< in display line order
    std::vector<std::pair<QRect, QColor>> Solid, Underline;
    std::vector<std::tuple<QRect, QColor, QString>> Keys;
    bool OverCaret = false; ///< something is painted on the caret's block
};

// Measures the runs (text order, as the pass gives them) on the display lines within area. Runs
// of priority kZSelection and above are left as the control drew them.
TRunPlan planRuns(const TOverlayView& view, const std::vector<TDisplayLine>& lines,
                  const std::vector<TKeyDescr>& runs, const QRegion& area);

// Paints a plan over what the text paint drew. Returns true when it painted on the caret's
// block, which may have covered the caret.
bool paintRuns(QPainter& painter, const TOverlayView& view, const TRunPlan& plan,
               const QRegion& area);

// Both at once, over what the control drew.
bool paintRuns(QPainter& painter, const TOverlayView& view, const std::vector<TDisplayLine>& lines,
               const std::vector<TKeyDescr>& runs, const QRegion& area);

// Draws the caret at document position caretPosition again, as the control draws it, within area.
void paintCaret(QPainter& painter, const TOverlayView& view, const std::vector<TDisplayLine>& lines,
                const QRegion& area, int caretPosition, int cursorWidth);
