// The editor draws its text itself while the overlay is on, leaving out the glyphs a run covers:
// with every key in the text's own colour the view must be the control's paint, pixel for pixel.
#include "MemoFixture.h"

#include "editor/TextPaint.h"
#include "editor/TextSearch.h"

#include <gtest/gtest.h>

using namespace memotest;

namespace {

QString mixedPage() {
    const char* lines[] = {
        "^BChapter^b one: the ^Iquick^i brown fox jumps over the lazy dog near [Home] and on "
        "until the line wraps around",
        "jig^Bj^bg ffi^Iffl^i W^BW^bW [a][b]^B^b\tTab\t^Itab^i \xc0\xc9 agree",
        "Plain text without any code at all, long enough to fill a good part of the width.",
    };
    QString t;
    for (int i = 0; i < 24; ++i)
        t += QString::fromLatin1(lines[i % 3]) + QString::number(i) + "\r\n";
    return t;
}

struct TPaintCase {
    const char* name;
    bool wrap;
    std::function<void(TColorMemo&)> prepare;
    const char* face = "DejaVu Serif";
};

void caretAt(TColorMemo& m, int position, int anchor = -1) {
    QTextCursor c = m.textCursor();
    c.setPosition(anchor < 0 ? position : anchor);
    if (anchor >= 0)
        c.setPosition(position, QTextCursor::KeepAnchor);
    m.setTextCursor(c);
}

} // namespace

TEST(MemoTextPaint, KeysInTheTextColourLeaveTheControlsPaint) {
    const std::vector<TPaintCase> cases = {
        {"top of the page", true, [](TColorMemo&) {}},
        // The first block starts above the view: its lines up there reach down into it.
        {"scrolled into a wrapped block", true,
         [](TColorMemo& m) { m.verticalScrollBar()->setValue(1); }},
        {"selection over three lines", true, [](TColorMemo& m) { caretAt(m, 150, 20); }},
        {"caret inside a key", true, [](TColorMemo& m) { caretAt(m, 2); }},
        {"find tint", true,
         [](TColorMemo& m) { m.SetMatchMarks(TTextSearch("e", TSearchOptions{})); }},
        {"unwrapped, scrolled right", false,
         [](TColorMemo& m) { m.horizontalScrollBar()->setValue(37); }},
        {"bold italic font", true,
         [](TColorMemo& m) {
             TFontAttributes f = m.EditorFont();
             f.bold = true;
             f.italic = true;
             m.SetEditorFont(f);
         }},
        // Lines of fractional height: the view's top line lies a little below the top.
        {"fractional lines, scrolled", true,
         [](TColorMemo& m) { m.verticalScrollBar()->setValue(7); }, "Nimbus Roman"},
        {"page end in view", true,
         [](TColorMemo& m) { m.verticalScrollBar()->setValue(m.verticalScrollBar()->maximum()); }},
    };
    for (const TPaintCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto m = makeMemo(mixedPage(), {430, 260}, true, c.face, 11);
        m->SetWordWrap(c.wrap);
        m->setCursorWidth(0);
        // Keys in the middle of words, next to each other, on every line.
        m->ColorRules()[0].SetKeywords(
            {"^b;black", "^B;black", "^i;black", "[;black", "];black", "e;black", "j;black"});
        c.prepare(*m);
        QApplication::processEvents();
        const QImage overlay = grabView(*m);
        ASSERT_GT(m->lastRuns().size(), 20u);
        m->ColorRules()[0].Enabled = false;
        EXPECT_EQ(differingPixels(overlay, grabView(*m)), 0);
    }
}

TEST(MemoTextPaint, CaretLineRectFollowsTheVisibleLines) {
    auto m = makeMemo(mixedPage(), {430, 260}, true, "DejaVu Sans", 11);
    // The rectangle the visible lines give for the caret's display line.
    const auto expected = [&]() -> QRect {
        const QTextCursor c = m->textCursor();
        const int lineInBlock =
            c.block().layout()->lineForTextPosition(c.positionInBlock()).lineNumber();
        for (const TDisplayLine& l : m->adapter().visibleLines())
            if (l.Block == c.block() && l.LineInBlock == lineInBlock) {
                const int top = static_cast<int>(std::floor(l.Top));
                return QRect(0, top, m->viewport()->width(),
                             static_cast<int>(std::ceil(l.Top + l.Height)) - top);
            }
        return {};
    };
    const struct {
        int scroll;
        int position;
    } cases[] = {
        {0, 0},    {0, 120},  {2, 5},     {2, 150},   {3, 260},
        {0, 2000}, {20, 100}, {20, 1900}, {20, 2200}, {40, 2600},
    };
    int shown = 0, hidden = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "scroll " << c.scroll << " caret " << c.position);
        caretAt(*m, c.position);
        m->verticalScrollBar()->setValue(c.scroll);
        QApplication::processEvents();
        const QRect rect = m->caretLineRect();
        EXPECT_EQ(rect, expected());
        ++(rect.isEmpty() ? hidden : shown);
    }
    EXPECT_GE(shown, 4);
    EXPECT_GE(hidden, 2);
}

TEST(GlyphInk, InsideAndMeetingARectangle) {
    const QRect rect(10, 0, 8, 20); // columns 10 to 17
    const struct {
        QRectF reach;
        bool inside, meets;
    } cases[] = {
        {QRectF(QPointF(10, 1), QPointF(18, 19)), true, true},     // edge to edge
        {QRectF(QPointF(9.9, 1), QPointF(17, 19)), false, true},   // a tenth into column 9
        {QRectF(QPointF(11, 1), QPointF(18.1, 19)), false, true},  // into column 18
        {QRectF(QPointF(11, -0.5), QPointF(17, 19)), false, true}, // above the line
        {QRectF(QPointF(2, 1), QPointF(10, 19)), false, false},    // ends where it starts
        {QRectF(QPointF(2, 1), QPointF(10.01, 19)), false, true},  // just into column 10
        {QRectF(QPointF(18, 1), QPointF(25, 19)), false, false},   // starts right after
        {QRectF(QPointF(12, 20), QPointF(14, 30)), false, false},  // the line below
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.reach.left() << "," << c.reach.top() << " "
                                        << c.reach.right() << "," << c.reach.bottom());
        EXPECT_EQ(TGlyphInk::inside(c.reach, rect), c.inside);
        EXPECT_EQ(TGlyphInk::meets(c.reach, rect), c.meets);
    }
    // A glyph drawn at a fraction is drawn up to a quarter pixel left of it: its reach says so.
    const QRectF box(QPointF(1, -9), QPointF(7, 2));
    EXPECT_LT(TGlyphInk::reach(box, QPointF(10.2, 12)).left(), 11.2 - 0.25);
    EXPECT_GT(TGlyphInk::reach(box, QPointF(10.2, 12)).right(), 17.2);
}
