// Keys drawn over an editor font with effects: the key's underline or strike-out line is drawn in
// the key's colour on the key's own line, like the rest of the text.
#include "MemoFixture.h"

#include <gtest/gtest.h>

using namespace memotest;

namespace {

// Rows of r in which at least 80 % of the pixels pass pred: a line drawn across the run.
int fullRows(const QImage& img, const QRect& r, const std::function<bool(QRgb)>& pred) {
    int rows = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        if (countPixels(img, QRect(r.left(), y, r.width(), 1), pred) * 5 >= r.width() * 4)
            ++rows;
    return rows;
}

std::unique_ptr<TColorMemo> decoratedMemo(const QString& text, bool underline, bool strikeOut) {
    auto m = makeMemo(text);
    TFontAttributes f = m->EditorFont();
    f.underline = underline;
    f.strikeOut = strikeOut;
    m->SetEditorFont(f);
    QApplication::processEvents();
    return m;
}

} // namespace

TEST(MemoFontEffects, KeysKeepTheFontsLinesOnEveryLine) {
    // Three lines with keys of one colour: their glyphs are drawn in one batch.
    const QString text = "^Bab^b\r\n^Bcd^b\r\n^Bef^b";
    for (const bool underline : {true, false}) {
        SCOPED_TRACE(underline ? "underline" : "strike-out");
        auto m = decoratedMemo(text, underline, !underline);
        const QImage img = grabView(*m);
        for (const int line : {0, 8, 16}) {
            SCOPED_TRACE(line);
            const QRect opening = charsRect(*m, line, line + 2);
            const QRect closing = charsRect(*m, line + 4, line + 6);
            ASSERT_FALSE(opening.isEmpty());
            EXPECT_GE(fullRows(img, opening, bluish), 1);
            EXPECT_GE(fullRows(img, closing, bluish), 1);
            // The text between keeps the font colour, line included (the keys' edges round
            // outward by up to a pixel).
            const QRect plain = charsRect(*m, line + 2, line + 4).adjusted(1, 0, -1, 0);
            EXPECT_EQ(countPixels(img, plain, bluish), 0);
            EXPECT_GE(fullRows(img, plain, dark), 1);
        }
    }
}

TEST(MemoFontEffects, KeysInTheTextColourLookLikeThePlainText) {
    QString text;
    for (int i = 0; i < 12; ++i)
        text += "some ^Bbold^b text and [name] with ^Lmore^l words that wrap around\r\n";
    for (const bool wrap : {true, false}) {
        auto m = decoratedMemo(text, true, true);
        m->SetWordWrap(wrap);
        m->setCursorWidth(0); // the caret blinks between the two pictures
        m->ColorRules()[0].SetKeywords({"^b;black", "^l;black", "[;black", "];black", "e;black"});
        QApplication::processEvents();
        const QImage overlay = grabView(*m);
        ASSERT_GT(m->lastRuns().size(), 20u);
        m->ColorRules()[0].Enabled = false;
        EXPECT_EQ(differingPixels(overlay, grabView(*m)), 0) << "wrap " << wrap;
    }
}
