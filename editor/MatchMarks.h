#pragma once

#include "editor/EditAdapter.h"
#include "editor/TextSearch.h"

#include <QColor>
#include <QRect>

#include <vector>

class QPainter;
class QTextDocument;

// The tint under the matches of the find bar's search on the visible lines. It is painted on the
// background, before the control draws its text, so the glyphs and the code colours drawn over
// them stay as they are; the selection (the current match) covers it. Only the lines handed to
// prepare() are searched, whatever the page's length.
class TMatchMarks {
public:
    // An empty search marks nothing.
    void setSearch(const TTextSearch& search);
    bool isActive() const { return !search_.isEmpty() && !search_.crossesLines(); }

    // Finds the matches on the lines (display lines, top to bottom) and their viewport rectangles.
    void prepare(const QTextDocument& document, const std::vector<TDisplayLine>& lines,
                 int viewportWidth);
    const std::vector<QRect>& rects() const { return rects_; }
    // Fills the part of the prepared rectangles that lies in `area`.
    void paint(QPainter& painter, const QRect& area) const;

    static QColor tint();

private:
    TTextSearch search_;
    std::vector<QRect> rects_;
};
