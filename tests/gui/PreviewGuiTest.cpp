// The page preview in a real window: F6 shows it, what is typed shows styled without its codes and
// the editor keeps the keyboard, a click in the preview puts the editor's caret on the character
// clicked, and a target link leads both views to its target.

#include "app/Unit1.h"
#include "document/PageDocument.h"
#include "editor/ColMemo.h"
#include "markup/PreviewDocument.h"
#include "markup/PreviewPanel.h"
#include "tests/support/FakePrompts.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A point on the left half of the character at a position of the preview, in its viewport: a click
// there puts a caret before the character.
QPoint characterPoint(QTextEdit& view, int position) {
    QTextCursor c(view.document());
    c.setPosition(position);
    const QRect left = view.cursorRect(c);
    c.setPosition(position + 1);
    const QRect right = view.cursorRect(c);
    return QPoint(left.x() + std::max((right.x() - left.x()) / 4, 1), left.center().y());
}

// The preview as a first start has it: hidden. What a test leaves shown would be stored at its
// close and come back in the next window.
void hidePreview(TForm1& form) {
    form.PreviewPanel1->toggleAction()->setChecked(false);
}

int caretOffset(TColorMemo& memo) {
    return memo.Page().offsetFromPosition(memo.textCursor().position());
}

} // namespace

TEST(PreviewGui, TypingShowsStyledAndAClickLeadsBackToTheSource) {
    lptest::FakePrompts prompts;
    TForm1 form(TForm1Services{&prompts, nullptr});
    form.resize(900, 600);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QApplication::setActiveWindow(&form);
    TColorMemo& memo = *form.Clm1;
    memo.setFocus();
    hidePreview(form);

    QTest::keyClick(&memo, Qt::Key_F6);
    TPreviewPanel& panel = *form.PreviewPanel1;
    ASSERT_TRUE(panel.isVisible());
    EXPECT_TRUE(form.View1->actions().first()->isChecked());

    QTest::keyClicks(&memo, "^BHello^b world");
    QTextEdit& view = *panel.view();
    EXPECT_EQ(view.toPlainText(), "Hello world");
    const QTextBlock block = view.document()->begin();
    EXPECT_EQ(block.begin().fragment().text(), "Hello");
    EXPECT_EQ(block.begin().fragment().charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(QApplication::focusWidget(), &memo);

    // "world" starts at preview position 6 and page offset 10.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, characterPoint(view, 7));
    EXPECT_EQ(caretOffset(memo), 11);
    EXPECT_EQ(QApplication::focusWidget(), &memo);
    QTest::keyClick(&memo, Qt::Key_F6);
    EXPECT_FALSE(panel.isVisible());
    form.close();
}

TEST(PreviewGui, ATargetLinkLeadsBothViewsToItsTarget) {
    lptest::FakePrompts prompts;
    TForm1 form(TForm1Services{&prompts, nullptr});
    form.resize(900, 500);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QApplication::setActiveWindow(&form);
    TColorMemo& memo = *form.Clm1;
    QString text = "^LTo the end=:End^l ^LLost=:Nowhere^l\n";
    for (int k = 0; k < 200; ++k)
        text += QString("Line %1 of plain text\n").arg(k);
    text += "^MEnd^m here";
    memo.Page().setPageText(text);
    memo.moveCursor(QTextCursor::Start);
    memo.setFocus();
    hidePreview(form);
    QTest::keyClick(&memo, Qt::Key_F6);
    TPreviewPanel& panel = *form.PreviewPanel1;
    QTextEdit& view = *panel.view();
    ASSERT_TRUE(panel.isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.preview().complete(); }, 5000))
        << panel.preview().builtLines() << " of " << memo.Page().lineCount();
    EXPECT_EQ(view.verticalScrollBar()->value(), 0);

    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, characterPoint(view, 2));
    const int target = memo.Page().text().indexOf("^MEnd^m");
    EXPECT_EQ(caretOffset(memo), target);
    EXPECT_GT(view.verticalScrollBar()->value(), 0);
    const QRect shown = view.cursorRect([&] {
        QTextCursor c(view.document());
        c.setPosition(panel.preview().positionOf(target));
        return c;
    }());
    EXPECT_TRUE(view.viewport()->rect().contains(shown.center()));

    // Back to the top through the editor: the preview follows the caret.
    memo.moveCursor(QTextCursor::Start);
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.verticalScrollBar()->value() == 0; }, 2000));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                      characterPoint(view, static_cast<int>(QString("To the end ").size()) + 1));
    EXPECT_EQ(form.StatusNote->text(), "No target \"Nowhere\" in the page");
    hidePreview(form);
    form.close();
}
