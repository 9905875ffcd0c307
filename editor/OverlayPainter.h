#pragma once

// Painting the runs of a pass over what the control drew: measuring each run on its line,
// batching the glyphs of one colour for the whole view, and drawing the caret again where the
// overlay covered it.

#include "editor/EditAdapter.h"
#include "editor/core/ColorRules.h"

#include <QFont>
#include <QPalette>
#include <QRegion>

#include <functional>
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
};

// Paints the runs (text order, as the pass gives them) over the display lines within area.
// Runs of priority kZSelection and above are left as the control drew them. Returns true when it
// painted on the caret's block, which may have covered the caret.
bool paintRuns(QPainter& painter, const TOverlayView& view, const std::vector<TDisplayLine>& lines,
               const std::vector<TKeyDescr>& runs, const QRegion& area);

// Draws the caret at document position caretPosition again, as the control draws it, within area.
void paintCaret(QPainter& painter, const TOverlayView& view, const std::vector<TDisplayLine>& lines,
                const QRegion& area, int caretPosition, int cursorWidth);
