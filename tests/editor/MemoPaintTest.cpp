#include "MemoFixture.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <cmath>

using namespace memotest;

namespace {

// Records the rectangles the viewport repaints.
class PaintSpy : public QObject {
public:
    explicit PaintSpy(QWidget* w) { w->installEventFilter(this); }
    QRegion painted;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};

QImage screenOf(TColorMemo& m) {
    QApplication::processEvents();
    const QPoint at = m.viewport()->mapTo(m.window(), QPoint(0, 0));
    return m.window()
        ->screen()
        ->grabWindow(m.window()->winId(), at.x(), at.y(), m.viewport()->width(),
                     m.viewport()->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(MemoPaint, KeysTakeTheirRuleColours) {
    const QString text = "^B bold ^b ^L link ^l ^M mark ^m [name] plain";
    auto m = makeMemo(text);
    const QImage img = grabView(*m);
    EXPECT_GT(countPixels(img, charsRect(*m, 0, 2), bluish), 5);
    EXPECT_GT(countPixels(img, charsRect(*m, 8, 10), bluish), 5);
    EXPECT_GT(countPixels(img, charsRect(*m, 11, 13), greenish), 5);
    EXPECT_EQ(countPixels(img, charsRect(*m, 11, 13), bluish), 0);
    // Silver keys have no dark pixel at all, unlike text in the font colour.
    const QRect mark = charsRect(*m, 22, 24);
    EXPECT_EQ(countPixels(img, mark, dark), 0);
    EXPECT_GT(countPixels(img, mark, [](QRgb p) { return qGray(p) < 230; }), 5);
    EXPECT_GT(countPixels(img, charsRect(*m, 33, 34), navyish), 3);
    EXPECT_GT(countPixels(img, charsRect(*m, 38, 39), navyish), 3);
    EXPECT_EQ(countPixels(img, charsRect(*m, 34, 38), coloured), 0);
    // Text between the keys keeps the control's own look.
    const QRect plain = charsRect(*m, 40, 45);
    EXPECT_GT(countPixels(img, plain, dark), 10);
    EXPECT_EQ(countPixels(img, plain, coloured), 0);
    const QRect word = charsRect(*m, 3, 7);
    EXPECT_EQ(countPixels(img, word, coloured), 0);
}

TEST(MemoPaint, NothingDrawnWithoutRulesOrWhenDisabled) {
    auto m = makeMemo("^B x ^b", {300, 120}, false);
    EXPECT_EQ(countPixels(grabView(*m), m->viewport()->rect(), coloured), 0);
    addPageRule(*m);
    m->viewport()->update();
    EXPECT_GT(countPixels(grabView(*m), m->viewport()->rect(), bluish), 5);
    m->setEnabled(false);
    EXPECT_EQ(countPixels(grabView(*m), m->viewport()->rect(), bluish), 0);
}

TEST(MemoPaint, SelectedKeywordKeepsTheSelectionLook) {
    auto m = makeMemo("abc ^B def");
    m->setFocus();
    m->SetSelStart(2);
    m->SetSelLength(5);
    const QImage sel = grabView(*m);
    EXPECT_EQ(countPixels(sel, charsRect(*m, 4, 6), bluish), 0);
    // The same pixels as the control draws without the overlay.
    m->ColorRules()[0].Enabled = false;
    const QImage plain = grabView(*m);
    EXPECT_EQ(differingPixels(sel, plain), 0);
    m->ColorRules()[0].Enabled = true;
    m->SetSelLength(0);
    EXPECT_GT(countPixels(grabView(*m), charsRect(*m, 4, 6), bluish), 5);
}

TEST(MemoPaint, PartlyVisibleLastLineIsNotColoured) {
    QString text;
    for (int i = 0; i < 40; ++i)
        text += "^B line ^b\r\n";
    auto m = makeMemo(text, {300, 150});
    const auto lines = m->adapter().visibleLines();
    const int vh = m->viewport()->height();
    ASSERT_GE(lines.size(), 3u);
    // Make the last shown line partly visible.
    const TDisplayLine& last = lines.back();
    if (last.Top + last.Height <= vh) {
        m->resize(m->width(), m->height() - int(last.Height / 2));
        QApplication::processEvents();
    }
    const auto shown = m->adapter().visibleLines();
    const TDisplayLine& partial = shown.back();
    ASSERT_GT(partial.Top + partial.Height, m->viewport()->height());
    const QImage img = grabView(*m);
    const QRect partRect(0, int(partial.Top), m->viewport()->width(),
                         m->viewport()->height() - int(partial.Top));
    EXPECT_EQ(countPixels(img, partRect, bluish), 0);
    EXPECT_GT(countPixels(img, partRect, dark), 5);
    const TDisplayLine& whole = shown[shown.size() - 2];
    EXPECT_GT(countPixels(img, charsRect(*m, whole.Start, whole.Start + 2), bluish), 5);
}

TEST(MemoPaint, HotSpotMarkersPaintedOutAndTextUnderlined) {
    const QString text = QString("go to ") + QChar(30) + "Page 2" + QChar(31) + " now";
    auto m = makeMemo(text, {420, 120}, false);
    THotSpot hs = m->HotSpot();
    hs.Active = true;
    m->SetHotSpot(hs);
    const QImage img = grabView(*m);
    // "Page 2" blue, including the underline under its space.
    EXPECT_GT(countPixels(img, charsRect(*m, 7, 11), bluish), 10);
    EXPECT_GT(countPixels(img, charsRect(*m, 11, 12), bluish), 0);
    // The markers show nothing but the background, where they take any room at all.
    for (int marker : {6, 13}) {
        // Its outer pixel columns may carry the edges of the neighbouring glyphs.
        const QRect r = charsRect(*m, marker, marker + 1).adjusted(1, 0, -1, 0);
        if (r.width() > 0) {
            EXPECT_EQ(countPixels(img, r, [](QRgb p) { return qGray(p) < 250; }), 0) << marker;
        }
    }
    // The rest of the line is plain.
    EXPECT_EQ(countPixels(img, charsRect(*m, 0, 5), coloured), 0);
    EXPECT_EQ(countPixels(img, charsRect(*m, 15, 18), coloured), 0);
}

TEST(MemoPaint, UnterminatedHotSpotIsNotDrawn) {
    const QString text = QString("a ") + QChar(30) + "x" + QChar(31) + " b " + QChar(30) + "open";
    auto m = makeMemo(text, {420, 120}, false);
    THotSpot hs;
    hs.Active = true;
    m->SetHotSpot(hs);
    const QImage img = grabView(*m);
    EXPECT_GT(countPixels(img, charsRect(*m, 3, 4), bluish), 3);
    EXPECT_EQ(countPixels(img, charsRect(*m, 9, 13), coloured), 0);
}

TEST(MemoHotSpot, HandCursorAndClickReport) {
    const QString text = QString("go to ") + QChar(30) + "Page 2" + QChar(31) + " now";
    auto m = makeMemo(text, {420, 120}, false);
    THotSpot hs;
    hs.Active = true;
    m->SetHotSpot(hs);
    QStringList reports;
    m->OnHotSpotClick = [&](TColorMemo* sender, const QString& src) {
        EXPECT_EQ(sender, m.get());
        reports << src;
    };
    QWidget* vp = m->viewport();
    auto centre = [&](int offset) { return charsRect(*m, offset, offset + 1).center(); };

    QTest::mouseMove(vp, centre(2));
    EXPECT_FALSE(showsHand(vp));
    QTest::mouseMove(vp, centre(6)); // the begin marker itself
    EXPECT_FALSE(showsHand(vp));
    QTest::mouseMove(vp, centre(12));
    EXPECT_TRUE(showsHand(vp));
    QTest::mouseClick(vp, Qt::LeftButton, {}, centre(12));
    EXPECT_EQ(reports, QStringList{"Page 2"});

    QTest::mouseMove(vp, centre(16));
    EXPECT_FALSE(showsHand(vp));
    QTest::mouseClick(vp, Qt::LeftButton, {}, centre(16));
    EXPECT_EQ(reports.size(), 1);

    // Switched off, the pointer stays as it is.
    hs.Active = false;
    m->SetHotSpot(hs);
    QTest::mouseMove(vp, centre(12));
    EXPECT_FALSE(showsHand(vp));
}

TEST(MemoHotSpot, EndMarkerWithoutBeginReportsFromLineStart) {
    const QString text = QString("first\r\nsee here") + QChar(31) + " after";
    auto m = makeMemo(text, {420, 120}, false);
    THotSpot hs;
    hs.Active = true;
    m->SetHotSpot(hs);
    QString report;
    m->OnHotSpotClick = [&](TColorMemo*, const QString& src) { report = src; };
    QWidget* vp = m->viewport();
    const QPoint p = charsRect(*m, 11, 12).center();
    QTest::mouseMove(vp, p);
    EXPECT_TRUE(showsHand(vp));
    QTest::mouseClick(vp, Qt::LeftButton, {}, p);
    EXPECT_EQ(report, "see here");
}

TEST(MemoHotSpot, ClickFarIntoTheTextReadsOnlyThePointedLine) {
    QString text;
    for (int i = 0; i < 1000; ++i)
        text += "filler line with some words " + QString::number(i) + "\r\n";
    const int lineStart = text.size() + 1000; // CR LF offsets: one more per line break
    (void)lineStart;
    text += QString("go to ") + QChar(30) + "Page 2" + QChar(31) + " now\r\ntail";
    auto m = makeMemo(text, {420, 150}, false);
    THotSpot hs;
    hs.Active = true;
    m->SetHotSpot(hs);
    QString report;
    m->OnHotSpotClick = [&](TColorMemo*, const QString& src) { report = src; };
    const int target = m->Text().indexOf("Page 2") + 5;
    ASSERT_GT(target, 32767);
    m->SetSelStart(target);
    m->ensureCursorVisible();
    QApplication::processEvents();
    const QPoint p = charsRect(*m, target, target + 1).center();
    QTest::mouseMove(m->viewport(), p);
    EXPECT_TRUE(showsHand(m->viewport()));
    QTest::mouseClick(m->viewport(), Qt::LeftButton, {}, p);
    EXPECT_EQ(report, "Page 2");
}

// Until the program switches hot spots on, marked text is text like any other.
TEST(MemoHotSpot, ANewEditorHasNone) {
    const QString text = QString("go to ") + QChar(30) + "Page 2" + QChar(31) + " now";
    auto m = makeMemo(text, {420, 120}, false);
    bool reported = false;
    m->OnHotSpotClick = [&](TColorMemo*, const QString&) { reported = true; };
    const QPoint p = charsRect(*m, 12, 13).center();
    QTest::mouseMove(m->viewport(), p);
    EXPECT_FALSE(showsHand(m->viewport()));
    QTest::mouseClick(m->viewport(), Qt::LeftButton, {}, p);
    EXPECT_FALSE(reported);
    EXPECT_EQ(countPixels(grabView(*m), charsRect(*m, 7, 13), coloured), 0);
}

TEST(MemoInput, NavigationKeyActsFromTheSelectionEnd) {
    auto m = makeMemo("abcdefghij");
    m->setFocus();
    m->SetSelStart(2);
    m->SetSelLength(4);
    QTest::keyClick(m.get(), Qt::Key_Left);
    EXPECT_EQ(m->SelStart(), 5);
    EXPECT_EQ(m->SelLength(), 0);
    m->SetSelStart(2);
    m->SetSelLength(4);
    QTest::keyClick(m.get(), Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(m->SelStart(), 2);
    EXPECT_EQ(m->SelLength(), 3);
}

TEST(MemoInput, TypingOneCharRepaintsAboutTheCaretLineAndMatchesAFullPass) {
    QString text;
    for (int i = 0; i < 20; ++i)
        text += "line ^B " + QString::number(i) + " ^b [x]\r\n";
    auto m = makeMemo(text, {420, 300});
    m->activateWindow();
    m->setFocus();
    m->SetSelStart(m->adapter().lineIndex(3) + 5);
    QApplication::processEvents();
    const int lineHeight = int(m->adapter().lineAt(0).Height);

    // "^" then "l": the new key turns green as it is typed. The first change after loading
    // repaints everything.
    QTest::keyClick(m.get(), '^');
    QApplication::processEvents();
    PaintSpy spy(m->viewport());
    QTest::keyClick(m.get(), 'L');
    const QImage incremental = screenOf(*m);
    EXPECT_LE(spy.painted.boundingRect().height(), 2 * lineHeight);
    m->viewport()->update();
    const QImage full = screenOf(*m);
    EXPECT_EQ(differingPixels(incremental, full), 0);
    const int at = m->adapter().lineIndex(3) + 5;
    EXPECT_GT(countPixels(full, charsRect(*m, at, at + 2), greenish), 5);

    // A new line repaints every visible line.
    spy.painted = QRegion();
    QTest::keyClick(m.get(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_GE(spy.painted.boundingRect().height(), m->viewport()->height() - lineHeight);
    EXPECT_EQ(differingPixels(screenOf(*m), grabView(*m)), 0);
}

TEST(MemoInput, ScrollEventsComeBeforeTheOverlayRepaint) {
    QString text;
    for (int i = 0; i < 200; ++i)
        text += "^B " + QString::number(i) + " ^b\r\n";
    auto m = makeMemo(text, {300, 150});
    QStringList order;
    m->OnVScroll = [&](TColorMemo* s) {
        EXPECT_EQ(s, m.get());
        order << "v";
    };
    m->OnHScroll = [&](TColorMemo*) { order << "h"; };
    struct Spy : QObject {
        QStringList* order;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint)
                *order << "paint";
            return false;
        }
    } spy;
    spy.order = &order;
    m->viewport()->installEventFilter(&spy);
    m->verticalScrollBar()->setValue(50);
    QApplication::processEvents();
    ASSERT_GE(order.size(), 2);
    EXPECT_EQ(order.first(), "v");
    EXPECT_TRUE(order.contains("paint"));
    // After the scroll the screen equals a fresh paint.
    EXPECT_EQ(differingPixels(screenOf(*m), grabView(*m)), 0);
    EXPECT_EQ(m->adapter().firstVisibleLine(), 50);
    m->viewport()->removeEventFilter(&spy);
}

TEST(MemoRules, SetterCopiesAndEventDrawRulesReachOnDraw) {
    auto m = makeMemo("abcdef ghi", {300, 120}, false);
    TDrawRules rules;
    TColorRule& r = rules.Add();
    r.KeyDrawingType = dtEventDraw;
    m->SetColorRules(rules);
    ASSERT_EQ(m->ColorRules().Count(), 1);
    EXPECT_NE(&m->ColorRules()[0], &rules[0]);
    int calls = 0;
    m->OnDraw = [&](TColorRule&, const char* from, TKeyDescr* a, int& count) {
        ++calls;
        EXPECT_EQ(std::string(from), "abcdef ghi");
        a[0].StartPos = 7;
        a[0].EndPos = 9;
        a[0].Color = colors::clBlue;
        count = 1;
    };
    grabView(*m);
    EXPECT_EQ(calls, 0); // no array yet
    m->SetColorLimMax(4);
    const QImage img = grabView(*m);
    EXPECT_GT(calls, 0);
    EXPECT_GT(countPixels(img, charsRect(*m, 7, 10), bluish), 5);
    EXPECT_EQ(countPixels(img, charsRect(*m, 0, 6), coloured), 0);
}

TEST(MemoRules, OnDrawKeyDrawsKeywordRuns) {
    auto m = makeMemo("x ^B^b y", {300, 120});
    QStringList keys;
    m->OnDrawKey = [&](QPainter& p, const QString& key, const QRect& r, TColor k) {
        keys << key;
        EXPECT_EQ(k, colors::clBlack);
        EXPECT_EQ(p.pen().color(), QColor(0, 0, 255));
        p.fillRect(r, Qt::red);
    };
    const QImage img = grabView(*m);
    EXPECT_EQ(keys, QStringList{"^B^b"}); // two adjacent keys of one colour: one run
    EXPECT_GT(countPixels(img, charsRect(*m, 2, 6), [](QRgb p) { return p == qRgb(255, 0, 0); }),
              20);
}

TEST(MemoPaint, CaretStaysVisibleOverAKey) {
    auto m = makeMemo("ab ^B cd", {300, 100}, false);
    TColorRule& r = m->ColorRules().Add();
    r.KeyDrawingType = dtKeyShow;
    r.PartWord = true;
    r.DefKeyColor = colors::clBlack; // the text's own colour: any change of pixels is a fault
    r.SetKeywords({"^b"});
    m->activateWindow();
    m->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m.get()));
    m->SetSelStart(5);
    const QImage withCaret = grabView(*m);
    ASSERT_FALSE(m->lastRuns().empty());
    r.Enabled = false;
    const QImage plain = grabView(*m);
    EXPECT_EQ(differingPixels(withCaret, plain), 0);
    // The caret is really there to be kept.
    m->setCursorWidth(0);
    EXPECT_GT(differingPixels(plain, grabView(*m)), 0);
}

TEST(MemoPaint, SpanAcrossLinesAndRedrawAlways) {
    auto m = makeMemo("a {b\r\nc} d\r\nplain ^B", {300, 120}, false);
    TColorRule& r = m->ColorRules().Add();
    r.KeyDrawingType = dtBeginEnd;
    r.DefKeyColor = colors::clBlue;
    r.SetKeyBegEndLst({"{;}"});
    const QImage img = grabView(*m);
    EXPECT_GT(countPixels(img, charsRect(*m, 2, 4), bluish), 3);
    EXPECT_GT(countPixels(img, charsRect(*m, 6, 8), bluish), 3);
    EXPECT_EQ(countPixels(img, charsRect(*m, 9, 10), coloured), 0);

    // The caret line up to the caret is drawn in the font colour; keys there keep theirs.
    TColorRule& k = m->ColorRules().Add();
    k.KeyDrawingType = dtKeyShow;
    k.PartWord = true;
    k.DefKeyColor = colors::clBlue;
    k.SetKeywords({"^b"});
    m->SetSelStart(19);
    EXPECT_GT(countPixels(grabView(*m), charsRect(*m, 17, 19), bluish), 3);
    m->SetRedrawAlways(true);
    EXPECT_GT(countPixels(grabView(*m), charsRect(*m, 17, 19), bluish), 3);
    const auto runs = m->lastRuns();
    ASSERT_FALSE(runs.empty());
    const TKeyDescr& caretLine = runs.back().StartPos == 18 ? runs[runs.size() - 2] : runs.back();
    EXPECT_EQ(caretLine.StartPos, 12);
    EXPECT_EQ(caretLine.EndPos, 17);
    EXPECT_EQ(caretLine.Color, colors::clBlack);
}

TEST(MemoInput, ReleasingShiftRepaintsTheView) {
    auto m = makeMemo("abc ^B def\r\nline two\r\nline three", {300, 150});
    m->setFocus();
    m->SetSelStart(1);
    QTest::keyPress(m.get(), Qt::Key_Right, Qt::ShiftModifier);
    QApplication::processEvents();
    PaintSpy spy(m->viewport());
    QTest::keyRelease(m.get(), Qt::Key_Shift, Qt::ShiftModifier);
    QApplication::processEvents();
    EXPECT_EQ(spy.painted.boundingRect(), m->viewport()->rect());
    EXPECT_EQ(m->SelLength(), 1);
}

// A faint mark shows a no-break space (wider than the letters' edges), not a plain one; the
// spelling wave stays in its line.
TEST(MemoPaint, NoBreakSpaceMarkAndSpellingWaveInTheirLine) {
    const auto red = [](QRgb p) { return qRed(p) > 150 && qGreen(p) < 120 && qBlue(p) < 120; };
    const auto inked = [](QRgb p) { return qGray(p) < 245; };
    const QMargins edges(1, 0, 1, 0);
    for (const bool rule : {false, true})
        for (const char* face : {"DejaVu Sans", "DejaVu Sans Mono", "Nimbus Roman"})
            for (const int points : {8, 12, 20}) {
                auto m = makeMemo("mot\u00A0mot mot\nplain", {420, 200}, rule, face, points);
                const std::string where = std::string(face) + " " + std::to_string(points);
                const QImage img = grabView(*m);
                EXPECT_GT(points > 8 ? countPixels(img, charsRect(*m, 3, 4) - edges, inked) : 1, 0)
                    << where;
                EXPECT_EQ(countPixels(img, charsRect(*m, 7, 8) - edges, inked), 0) << where;
                m->SpellMarks().setFinder([](const std::string& bytes, auto& out) {
                    if (bytes.rfind("mot", 0) == 0)
                        out.push_back({0, static_cast<int>(bytes.size()), false});
                });
                const QImage waved = grabView(*m);
                EXPECT_GT(countPixels(waved, charsRect(*m, 0, 11), red), 5) << where;
                EXPECT_EQ(countPixels(waved, charsRect(*m, 13, 18), red), 0) << where;
            }
}
