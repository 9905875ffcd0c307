#pragma once

// Page Up and Page Down as the plain text control does them, with the caret's walk over the
// screen lines worked out from line geometry: the control moves the caret one line at a time and
// measures it after every step, which shapes each line of the screen twice; here only the line
// the caret lands on is hit tested.

#include <QTextBlock>
#include <QTextCursor>

#include <limits>

class QTextLayout;

namespace pagestep {

// What the editor keeps between keys for its page keys.
struct TPageState {
    // The caret's top in the view, kept over consecutive page keys; any other caret move drops it.
    qreal y = 0;
    bool yKept = false;
    // The caret's x for vertical moves is fractional in the cursor, but can be read and set in
    // whole pixels only: the caret it was taken at gives it back. xAt: that caret, which is where
    // any move but Up and Down left it (Home, End, Left, Right and an edit at the caret take the
    // x even when the caret stays), or where Up or Down started when the cursor had no x.
    QTextCursor xAt;
    int xWhole = -1;
    qreal x = std::numeric_limits<qreal>::quiet_NaN(); ///< worked out when first needed
    bool truncated = false; ///< a page key left the cursor with the whole x
    bool vertical = false;  ///< an Up or Down key is moving the caret from verticalFrom
    QTextCursor verticalFrom;
    bool moving = false; ///< the page key itself moves the caret
};

// The control's block tops as its caret rectangle reads them: the view's first block at 0, the
// blocks after it summed downwards and those before it upwards, each walk going only so far (two
// view heights down, one up) before it gives a far block the height of the last one reached.
class TBlockTops {
public:
    TBlockTops(QTextBlock top, int viewHeight);
    // The block's top; number: its block number.
    qreal top(const QTextBlock& block, int number);

private:
    QTextBlock top_;
    int topNumber_;
    int viewHeight_;
    int reach_; ///< the first block's height, whole pixels, as the control counts it
    // The walk downwards: the block reached, its number and its top.
    QTextBlock down_;
    int downNumber_;
    qreal downTop_ = 0;
    // The walk upwards.
    QTextBlock up_;
    int upNumber_;
    qreal upTop_ = 0;
};

// The line of a block's layout that holds a position in it: a position at the end of a wrapped
// line is the next line's start and belongs to it; the block's end belongs to its last line.
// -1 when the layout has no lines.
int lineOf(const QTextLayout& layout, int positionInBlock, int blockTextLength);

struct TWalk {
    int position;
    bool moved; ///< false: there was no line to go to, the caret stays
};

// Moves the caret from `from` one screen line at a time (down or up), keeping x, until its line's
// top (as TBlockTops reads it) is no longer above (down: below) limit, or there is no line left.
// Only lines whose end x can reach get a real hit test on the way: a hit at a wrapped line's end
// is the next line's start, and the control's next step goes on from there. margin: the widest a
// character can be.
TWalk walkCaret(TBlockTops& tops, const QTextCursor& from, qreal x, qreal limit, bool down,
                qreal margin);

} // namespace pagestep
