#include "MemoFixture.h"

#include <gtest/gtest.h>

using namespace memotest;

namespace {

QString wrappedText() {
    QString t = "head\r\n";
    for (int i = 0; i < 60; ++i)
        t += "word" + QString::number(i % 10) + " ";
    t += "\r\ntail";
    return t;
}

// Every line's characters, in order, make up the text without its line breaks.
void expectLinesTileTheText(const TColorMemo& m) {
    const TEditAdapter& a = m.adapter();
    int expected = 0;
    const QString text = m.Text();
    for (int line = 0; a.lineIndex(line) >= 0; ++line) {
        const int start = a.lineIndex(line);
        if (text.mid(expected, 2) == "\r\n" && start == expected + 2)
            expected += 2;
        ASSERT_EQ(start, expected) << line;
        EXPECT_EQ(a.lineFromOffset(start), line);
        expected = start + a.lineLength(start);
    }
    EXPECT_EQ(expected, text.size());
}

void expectRoundTrip(const TColorMemo& m, int offset) {
    const auto p = m.adapter().posFromOffset(offset);
    ASSERT_TRUE(p) << offset;
    const auto hit = m.adapter().charFromPos(*p + QPoint(1, 2));
    ASSERT_TRUE(hit) << offset;
    EXPECT_EQ(hit->Offset, offset);
    EXPECT_EQ(hit->Line, m.adapter().lineFromOffset(offset));
}

} // namespace

TEST(AdapterLines, CrLfOffsets) {
    auto m = makeMemo("ab\r\ncd\r\n\r\nxyz", {300, 200}, false);
    const TEditAdapter& a = m->adapter();
    EXPECT_EQ(a.textLength(), 13);
    EXPECT_EQ(a.lineIndex(0), 0);
    EXPECT_EQ(a.lineIndex(1), 4);
    EXPECT_EQ(a.lineIndex(2), 8);
    EXPECT_EQ(a.lineIndex(3), 10);
    EXPECT_EQ(a.lineIndex(4), -1);
    EXPECT_EQ(a.lineIndex(-1), -1);
    EXPECT_EQ(a.lineFromOffset(2), 0); // the CR
    EXPECT_EQ(a.lineFromOffset(3), 0); // the LF
    EXPECT_EQ(a.lineFromOffset(5), 1);
    EXPECT_EQ(a.lineFromOffset(13), 3);
    EXPECT_EQ(a.lineLength(5), 2);
    EXPECT_EQ(a.lineLength(8), 0);
    EXPECT_EQ(a.lineLength(12), 3);
    EXPECT_EQ(a.firstVisibleLine(), 0);
    expectLinesTileTheText(*m);
    for (int o : {0, 1, 4, 5, 10, 12})
        expectRoundTrip(*m, o);
}

TEST(AdapterLines, DisplayLinesUnderWordWrap) {
    auto m = makeMemo(wrappedText(), {260, 400}, false);
    const TEditAdapter& a = m->adapter();
    const int longStart = 6;
    EXPECT_EQ(a.lineFromOffset(longStart), 1);
    const int lastOfLong = a.lineFromOffset(longStart + 359);
    EXPECT_GT(lastOfLong, 3);
    EXPECT_EQ(a.lineFromOffset(a.textLength()), lastOfLong + 1);
    expectLinesTileTheText(*m);
    // Display lines go down the view in order, and a point maps back to its character.
    int lastY = -1;
    for (int line = 0; line <= lastOfLong + 1; ++line) {
        const auto p = a.posFromOffset(a.lineIndex(line));
        ASSERT_TRUE(p);
        EXPECT_GT(p->y(), lastY);
        lastY = p->y();
    }
    for (int o : {0, 6, 7, 50, 100, 200, 300, 364})
        expectRoundTrip(*m, o);
    // A point right of a line's end gives its end; below the text, the last line.
    const auto end = a.charFromPos(QPoint(250, int(a.visibleLines().front().Top) + 2));
    ASSERT_TRUE(end);
    EXPECT_EQ(end->Offset, 4);
    const auto below = a.charFromPos(QPoint(5, m->viewport()->height() - 2));
    ASSERT_TRUE(below);
    EXPECT_EQ(below->Line, lastOfLong + 1);
}

TEST(AdapterLines, WrapOffAndScrolledSideways) {
    auto m = makeMemo(wrappedText(), {260, 200}, false);
    m->SetWordWrap(false);
    QApplication::processEvents();
    const TEditAdapter& a = m->adapter();
    EXPECT_EQ(a.lineFromOffset(300), 1);
    EXPECT_EQ(a.lineIndex(2), 368);
    EXPECT_EQ(a.lineLength(100), 360);
    const int x0 = a.posFromOffset(100)->x();
    m->horizontalScrollBar()->setValue(300);
    QApplication::processEvents();
    EXPECT_EQ(a.posFromOffset(100)->x(), x0 - 300);
    for (int o : {40, 60, 70})
        expectRoundTrip(*m, o);
}

TEST(AdapterLines, ScrolledViewAndFarOffsets) {
    QString text;
    for (int i = 0; i < 2000; ++i)
        text += QString("line %1 ").arg(i).repeated(1 + i % 7) + "\r\n";
    for (bool wrap : {false, true}) {
        auto m = makeMemo(text, {260, 200}, false);
        m->SetWordWrap(wrap);
        QApplication::processEvents();
        const TEditAdapter& a = m->adapter();
        m->verticalScrollBar()->setValue(700);
        QApplication::processEvents();
        // Laying out the blocks that come into view may move the bar a little.
        const int v = m->verticalScrollBar()->value();
        EXPECT_NEAR(v, 700, wrap ? 20 : 0);
        EXPECT_EQ(a.firstVisibleLine(), v) << wrap;
        const int top = a.lineIndex(v);
        ASSERT_GE(top, 0);
        const auto p = a.posFromOffset(top);
        ASSERT_TRUE(p);
        EXPECT_GE(p->y(), 0);
        EXPECT_LE(p->y(), 6);
        expectRoundTrip(*m, top + 2);
        // A line just above the view lies above it; far lines have no position.
        const auto above = a.posFromOffset(a.lineIndex(v - 2));
        ASSERT_TRUE(above);
        EXPECT_LT(above->y(), 0);
        EXPECT_FALSE(a.posFromOffset(a.lineIndex(5)));
        EXPECT_FALSE(a.posFromOffset(a.textLength() - 3));
        // The display lines of the view run on from the top line.
        const auto lines = a.visibleLines(2);
        ASSERT_GE(lines.size(), 5u);
        EXPECT_EQ(lines[2].Number, v);
        for (size_t i = 1; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].Number, lines[i - 1].Number + 1);
            EXPECT_GT(lines[i].Top, lines[i - 1].Top);
            EXPECT_EQ(a.lineIndex(lines[i].Number), lines[i].Start);
        }
    }
}

// The overlay drawn in the text's own colour leaves every pixel as the control drew it.
TEST(MemoAlignment, OverlayInTheTextColourIsPixelExact) {
    QString text;
    // Lines with and without ligatures: glyphs and characters pair up differently.
    for (int i = 0; i < 80; ++i)
        text += QString("The quick [brown] fox ^B jumps ^b over the lazy dog; %1 "
                        "WAVE Ta %2 \tend\r\n")
                    .arg(i % 2 ? "fi fl ffi" : "if lf iff")
                    .arg(i);
    for (bool wrap : {true, false}) {
        for (qreal ratio : {1.0, 2.0}) {
            auto m = makeMemo(text, {333, 251}, false, "DejaVu Serif", 11);
            m->SetWordWrap(wrap);
            TColorRule& r = m->ColorRules().Add();
            r.KeyDrawingType = dtKeyShow;
            r.PartWord = true;
            r.DefKeyColor = colors::clBlack;
            r.SetKeywords({"e", "o", "th", "^b", "[", "fi", "ffi", "Ta", "AV", " "});
            m->verticalScrollBar()->setValue(37);
            if (!wrap)
                m->horizontalScrollBar()->setValue(23);
            QApplication::processEvents();
            ASSERT_GT(m->adapter().firstVisibleLine(), 0);
            auto render = [&] {
                QImage img(m->viewport()->size() * ratio, QImage::Format_RGB32);
                img.setDevicePixelRatio(ratio);
                img.fill(Qt::white);
                m->viewport()->render(&img);
                return img;
            };
            const QImage overlay = render();
            ASSERT_GT(m->lastRuns().size(), 50u);
            r.Enabled = false;
            const QImage plain = render();
            for (const TKeyDescr& run : m->lastRuns())
                EXPECT_GE(run.ZOrder, 254); // tabs only
            EXPECT_EQ(differingPixels(overlay, plain), 0) << "wrap " << wrap << " ratio " << ratio;
        }
    }
}

// Lines far longer than the view are measured around their visible part only; the keys there are
// coloured and the overlay still lands on the control's glyphs.
TEST(MemoAlignment, LongLinesColouredAndPixelExact) {
    QString line;
    while (line.size() < 6000)
        line += "text ^Bbold^b and [name] more words ";
    const QString text = "short ^B line\r\n" + line + "\r\n" + line;
    for (bool wrap : {true, false}) {
        auto m = makeMemo(text, {400, 220}, true, "DejaVu Sans", 11);
        m->SetWordWrap(wrap);
        QApplication::processEvents();
        if (wrap)
            m->verticalScrollBar()->setValue(40);
        else
            m->horizontalScrollBar()->setValue(m->horizontalScrollBar()->maximum() / 2);
        QApplication::processEvents();
        const QImage coloured = grabView(*m);
        EXPECT_GT(countPixels(coloured, m->viewport()->rect(), bluish), 50) << wrap;
        EXPECT_GT(countPixels(coloured, m->viewport()->rect(), navyish), 20) << wrap;
        // Unwrapped, every run lies near the visible columns of its line.
        if (!wrap) {
            const TDisplayLine second = m->adapter().visibleLines().at(1);
            const auto hit = m->adapter().charFromPos(QPoint(200, int(second.Top) + 3));
            ASSERT_TRUE(hit);
            const int column = hit->Offset - second.Start;
            EXPECT_GT(column, 1000);
            for (const TKeyDescr& run : m->lastRuns()) {
                const TDisplayLine l = m->adapter().lineAt(run.StartPos);
                if (l.Length > 1000) {
                    EXPECT_LT(std::abs(run.StartPos - l.Start - column), 400);
                }
            }
        }

        m->ColorRules()[0].SetKeywords({"^b;black", "[;black", "];black", "e;black"});
        const QImage overlay = grabView(*m);
        ASSERT_GT(m->lastRuns().size(), 10u);
        m->ColorRules()[0].Enabled = false;
        EXPECT_EQ(differingPixels(overlay, grabView(*m)), 0) << "wrap " << wrap;
    }
}
