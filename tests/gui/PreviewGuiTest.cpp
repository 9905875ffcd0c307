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
#include <QWheelEvent>
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

// The main window shown and active, 900 pixels wide.
struct ShownWindow {
    lptest::FakePrompts prompts;
    TForm1 form{TForm1Services{&prompts, nullptr}};
    bool exposed = false;
    explicit ShownWindow(int height) {
        form.resize(900, height);
        form.show();
        exposed = QTest::qWaitForWindowExposed(&form);
        QApplication::setActiveWindow(&form);
    }
};

int caretOffset(TColorMemo& memo) {
    return memo.Page().offsetFromPosition(memo.textCursor().position());
}

} // namespace

TEST(PreviewGui, TypingShowsStyledAndAClickLeadsBackToTheSource) {
    ShownWindow window(600);
    ASSERT_TRUE(window.exposed);
    TForm1& form = window.form;
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
    ShownWindow window(500);
    ASSERT_TRUE(window.exposed);
    TForm1& form = window.form;
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
        << panel.preview().readLines() << " of " << memo.Page().lineCount();
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

// On a page far longer than the lines the preview holds: Ctrl+End takes the preview to the end
// with the caret, and scrolling the preview to the top of what it holds brings the lines above in
// without moving what is in view.
TEST(PreviewGui, ALongPageIsFollowedAndScrolledThroughItsWindow) {
    ShownWindow window(500);
    ASSERT_TRUE(window.exposed);
    TForm1& form = window.form;
    TColorMemo& memo = *form.Clm1;
    QString text;
    for (int k = 0; k < 4 * TPreviewDocument::kMaxWindow; ++k)
        text += QString("^BLine^b %1\n").arg(k);
    memo.Page().setPageText(text + "The end");
    memo.moveCursor(QTextCursor::Start);
    memo.setFocus();
    hidePreview(form);
    QTest::keyClick(&memo, Qt::Key_F6);
    TPreviewPanel& panel = *form.PreviewPanel1;
    TPreviewDocument& preview = panel.preview();
    QTextEdit& view = *panel.view();
    ASSERT_TRUE(QTest::qWaitFor([&] { return preview.complete(); }, 5000));
    const auto lineInView = [&](int line) {
        const int position = preview.positionOf(memo.Page().lineOffset(line));
        if (position < 0)
            return false;
        QTextCursor c(view.document());
        c.setPosition(position);
        return view.viewport()->rect().contains(view.cursorRect(c).center());
    };

    QTest::keyClick(&memo, Qt::Key_End, Qt::ControlModifier);
    const int last = memo.Page().lineCount() - 1;
    ASSERT_TRUE(QTest::qWaitFor([&] { return lineInView(last); }, 3000));
    EXPECT_EQ(view.document()->lastBlock().text(), "The end");
    EXPECT_EQ(QApplication::focusWidget(), &memo);

    // Up to the first line the preview holds: the lines above come in, the view stays.
    const int first = preview.windowFirst();
    const QString top = view.cursorForPosition(QPoint(2, 20)).block().text();
    view.verticalScrollBar()->setValue(0);
    const QString shown = view.cursorForPosition(QPoint(2, 20)).block().text();
    ASSERT_TRUE(QTest::qWaitFor([&] { return preview.windowFirst() < first; }, 2000));
    EXPECT_NE(shown, top);
    EXPECT_EQ(view.cursorForPosition(QPoint(2, 20)).block().text(), shown);
    EXPECT_GT(view.verticalScrollBar()->value(), 0);
    EXPECT_LE(preview.windowLines(), TPreviewDocument::kMaxWindow);
    hidePreview(form);
    form.close();
}

namespace {

void wheel(QWidget* viewport, int notches) {
    const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
    QWheelEvent e(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, -120 * notches), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &e);
}

} // namespace

// The wheel over either view scrolls both to the same top line, neither moving the other back;
// the caret's paragraph is marked in the preview wherever the caret goes.
TEST(PreviewGui, TheViewsScrollTogetherAndTheCaretsParagraphIsMarked) {
    ShownWindow window(500);
    ASSERT_TRUE(window.exposed);
    TForm1& form = window.form;
    TColorMemo& memo = *form.Clm1;
    QString text;
    for (int k = 0; k < 3000; ++k)
        text += QString("^BLine^b %1\n").arg(k);
    memo.Page().setPageText(text + "The end");
    memo.moveCursor(QTextCursor::Start);
    memo.setFocus();
    hidePreview(form);
    QTest::keyClick(&memo, Qt::Key_F6);
    TPreviewPanel& panel = *form.PreviewPanel1;
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.preview().complete(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.markedLine() == 0; }, 2000));
    for (int k = 0; k < 3; ++k)
        QTest::keyClick(&memo, Qt::Key_Down);
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel.markedLine() == 3; }, 2000));

    const auto editorTop = [&] {
        return memo.Page().lineOfBlock(memo.cursorForPosition(QPoint(0, 0)).blockNumber());
    };
    wheel(memo.viewport(), 20);
    ASSERT_GT(editorTop(), 20);
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel.topLine() == editorTop(); }, 2000))
        << panel.topLine() << " " << editorTop();
    EXPECT_EQ(panel.markedLine(), 3) << "the caret stayed";

    wheel(panel.view()->viewport(), 40);
    const int top = panel.topLine();
    ASSERT_GT(top, editorTop());
    EXPECT_TRUE(QTest::qWaitFor([&] { return editorTop() == top; }, 2000))
        << top << " " << editorTop();
    // Settled: neither view moves the other any more.
    const int editorValue = memo.verticalScrollBar()->value();
    const int previewValue = panel.view()->verticalScrollBar()->value();
    QTest::qWait(200);
    EXPECT_EQ(memo.verticalScrollBar()->value(), editorValue);
    EXPECT_EQ(panel.view()->verticalScrollBar()->value(), previewValue);

    QTest::keyClick(&memo, Qt::Key_End, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel.markedLine() == 3000; }, 2000));
    hidePreview(form);
    form.close();
}
