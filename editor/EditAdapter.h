#pragma once

#include <QPoint>
#include <QPointF>
#include <QTextBlock>

#include <optional>
#include <vector>

class QPlainTextEdit;
class QTextDocument;

// One display line of the control: a line of a block's layout (the whole block when word wrap is
// off). Offsets are CR LF offsets; the line break is not part of Length.
struct TDisplayLine {
    QTextBlock Block;
    int LineInBlock = 0;
    int Number = 0;     ///< line index, counted like the vertical scroll bar
    int Start = 0;      ///< offset of the line's first character
    int Length = 0;     ///< characters of the line, without a line break
    int BlockStart = 0; ///< offset of the block's first character
    QPointF Origin;     ///< the block layout's origin in viewport coordinates
    qreal Top = 0;      ///< top of the line in viewport coordinates
    qreal Height = 0;
};

// Answers the edit-control questions about a QPlainTextEdit in the program's offsets: 0-based, a
// line break counting as the two characters CR LF. Lines are display lines when word wrap is on.
//
// Only the blocks near the view are laid out, and a block that is not laid out counts as one line,
// so line numbers are counted from the first visible block (where they agree with the vertical
// scroll bar) and geometry is reported only for lines in or near the view. Nothing here lays out
// the whole document.
class TEditAdapter {
public:
    explicit TEditAdapter(const QPlainTextEdit* edit);

    // Position in the QTextDocument <-> CR LF offset.
    int offsetFromPosition(int position) const;
    int positionFromOffset(int offset) const;

    // Length of the whole text in CR LF offsets.
    int textLength() const;

    // Logical lines (the text's own lines, paragraphs of the document).
    int logicalLineCount() const;

    // Index of the top visible line.
    int firstVisibleLine() const;
    // Index of the line holding the offset (an offset inside a CR LF pair or past the end belongs
    // to the line before it).
    int lineFromOffset(int offset) const;
    // Offset of the line's first character; -1 when there is no such line.
    int lineIndex(int line) const;
    // Length of the line holding the offset, without its line break.
    int lineLength(int offset) const;
    // Viewport coordinates of the top-left corner of the character at the offset; nothing when the
    // offset's line is not in or near the view.
    std::optional<QPoint> posFromOffset(int offset) const;
    // The character under a viewport point and its line; nothing when no line is there. A point
    // beyond a line's end gives the line's last character.
    struct THit {
        int Offset = 0;
        int Line = 0;
    };
    std::optional<THit> charFromPos(QPoint point) const;

    // The display lines from the top visible line down to the last one that shows at least one
    // pixel, preceded by up to `above` lines above the top line.
    std::vector<TDisplayLine> visibleLines(int above = 0) const;
    // The display line holding the offset (see lineFromOffset); its Origin and Top are not set.
    TDisplayLine lineAt(int offset) const;

    // The viewport's size in pixels.
    QSize viewportSize() const;

private:
    const QPlainTextEdit* edit_;
    const QTextDocument* doc() const;
    TDisplayLine topLine() const;
    // blockStart: the block's page offset when known (-1: found here).
    TDisplayLine makeLine(const QTextBlock& block, int lineInBlock, int number,
                          int blockStart = -1) const;
    bool nextLine(TDisplayLine& line) const;
    bool previousLine(TDisplayLine& line) const;
};
