// The editor's edit-control operations: CR LF offsets, lines and the font.

#include "editor/ColMemo.h"

#include <gtest/gtest.h>

TEST(EditorOffsets, LineBreaksCountTwoInSelectionAndText) {
    TColorMemo memo;
    memo.SetText("ab\r\ncd\ref\ngh");
    EXPECT_EQ(memo.Text(), "ab\r\ncd\r\nef\r\ngh");
    EXPECT_FALSE(memo.Modified());
    memo.SetSelStart(4); // "c"
    EXPECT_EQ(memo.SelStart(), 4);
    memo.SetSelLength(5); // "cd\r\ne"
    EXPECT_EQ(memo.SelText(), "cd\r\ne");
    EXPECT_EQ(memo.SelLength(), 5);
    memo.ReplaceSel("X\r\nY");
    EXPECT_EQ(memo.Text(), "ab\r\nX\r\nYf\r\ngh");
    EXPECT_EQ(memo.SelStart(), 8);
    EXPECT_EQ(memo.SelLength(), 0);
    EXPECT_TRUE(memo.Modified());
    // An offset between CR and LF is the end of its line.
    memo.SetSelStart(3);
    EXPECT_EQ(memo.SelStart(), 2);
    memo.SetSelStart(1000);
    EXPECT_EQ(memo.SelStart(), memo.adapter().textLength());
}

TEST(EditorOffsets, AnEmptyEditorHasNoLines) {
    TColorMemo memo;
    EXPECT_EQ(memo.LineCount(), 0);
    memo.SetText("\r\n");
    EXPECT_EQ(memo.LineCount(), 2);
    memo.SetWordWrap(false);
    memo.SetText("one\r\ntwo");
    EXPECT_EQ(memo.Lines(), (QStringList{"one", "two"}));
}

TEST(EditorFont, SizesOutsideReasonAreClampedForDisplayOnly) {
    TColorMemo memo;
    TFontAttributes huge;
    huge.size = 2000000000;
    memo.SetEditorFont(huge);
    EXPECT_EQ(memo.font().pointSize(), 1000);
    EXPECT_EQ(memo.EditorFont().size, 2000000000); // what the author's settings say is kept
    huge.size = -5;
    memo.SetEditorFont(huge);
    EXPECT_EQ(memo.font().pointSize(), 1);
}
