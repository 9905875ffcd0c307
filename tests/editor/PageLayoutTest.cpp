// The page's layout wraps and measures lines as the toolkit's plain-text layout does, without
// ever laying out or giving a layout object to lines nobody looks at.
#include "MemoFixture.h"

#include "document/PageLayout.h"

#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

#include <malloc.h>

using namespace memotest;

namespace {

// A plain toolkit editor set up as ours is: same font, text options, margin and view width.
std::unique_ptr<QPlainTextEdit> twinOf(TColorMemo& ours) {
    auto plain = std::make_unique<QPlainTextEdit>();
    plain->setLineWrapMode(ours.lineWrapMode());
    plain->setFont(ours.font());
    QTextDocument* doc = plain->document();
    doc->setDefaultFont(ours.document()->defaultFont());
    doc->setDefaultTextOption(ours.document()->defaultTextOption());
    doc->setDocumentMargin(ours.document()->documentMargin());
    plain->setVerticalScrollBarPolicy(ours.verticalScrollBarPolicy());
    plain->setHorizontalScrollBarPolicy(ours.horizontalScrollBarPolicy());
    plain->resize(ours.size());
    plain->setPlainText(ours.document()->toPlainText());
    plain->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(plain.get()));
    return plain;
}

// Every block's lines (where they start, how long, where they stand) and the scroll range.
void expectSameLayout(QPlainTextEdit& ours, QPlainTextEdit& plain, const std::string& step) {
    QApplication::processEvents();
    ASSERT_EQ(ours.viewport()->width(), plain.viewport()->width()) << step;
    ASSERT_EQ(ours.document()->blockCount(), plain.document()->blockCount()) << step;
    auto* oursLayout = ours.document()->documentLayout();
    auto* plainLayout = plain.document()->documentLayout();
    QTextBlock a = ours.document()->firstBlock();
    QTextBlock b = plain.document()->firstBlock();
    for (; a.isValid(); a = a.next(), b = b.next()) {
        ASSERT_EQ(oursLayout->blockBoundingRect(a).height(),
                  plainLayout->blockBoundingRect(b).height())
            << step << ", block " << a.blockNumber();
        const QTextLayout* la = a.layout();
        const QTextLayout* lb = b.layout();
        ASSERT_EQ(la->lineCount(), lb->lineCount()) << step << ", block " << a.blockNumber();
        for (int i = 0; i < la->lineCount(); ++i) {
            ASSERT_EQ(la->lineAt(i).textStart(), lb->lineAt(i).textStart()) << step;
            ASSERT_EQ(la->lineAt(i).textLength(), lb->lineAt(i).textLength()) << step;
            ASSERT_EQ(la->lineAt(i).y(), lb->lineAt(i).y()) << step;
        }
    }
    EXPECT_EQ(ours.document()->lineCount(), plain.document()->lineCount()) << step;
    EXPECT_EQ(ours.verticalScrollBar()->maximum(), plain.verticalScrollBar()->maximum()) << step;
}

QString proseLine(QRandomGenerator& r) {
    static const char* words[] = {"the",  "quick", "^Bbrown^b", "fox",         "[Home]", "jumps",
                                  "over", "a",     "lazy",      "dog",         "and",    "on",
                                  "to",   "the",   "river's",   "edge^L=go^l", "",       "wide"};
    QString s;
    const int n = int(r.bounded(40));
    for (int i = 0; i < n; ++i)
        s += QString::fromLatin1(words[r.bounded(int(std::size(words)))]) + " ";
    if (r.bounded(6) == 0)
        s += QString(int(r.bounded(90)), QChar('w')); // a word longer than the view
    return s;
}

} // namespace

TEST(PageLayout, WrapsAndMeasuresAsTheToolkitLayout) {
    for (const bool wrap : {true, false}) {
        QRandomGenerator r(wrap ? 7 : 11);
        QString page;
        for (int i = 0; i < 120; ++i)
            page += proseLine(r) + "\r\n";
        auto ours = makeMemo(page, {360, 240}, false);
        ours->SetWordWrap(wrap);
        auto plain = twinOf(*ours);
        const std::string mode = wrap ? "wrapped" : "unwrapped";
        expectSameLayout(*ours, *plain, mode + " page as loaded");

        // The same edits to both: typing into a line, new lines, pieces cut, pastes of several
        // lines, each in view or far from it.
        for (int step = 0; step < 60; ++step) {
            const int size = ours->document()->characterCount() - 1;
            const int at = int(r.bounded(size + 1));
            const int removed =
                r.bounded(3) == 0 ? int(r.bounded(std::min(200, size - at) + 1)) : 0;
            QString added;
            switch (r.bounded(4)) {
            case 0:
                added = QString(QChar('a' + r.bounded(26)));
                break;
            case 1:
                added = proseLine(r);
                break;
            case 2:
                added = proseLine(r) + "\n" + proseLine(r);
                break;
            default:
                break;
            }
            for (QPlainTextEdit* e : {static_cast<QPlainTextEdit*>(ours.get()), plain.get()}) {
                QTextCursor c(e->document());
                c.setPosition(at);
                c.setPosition(at + removed, QTextCursor::KeepAnchor);
                c.insertText(added);
                e->setTextCursor(c);
            }
            if (step % 20 == 19) {
                const QSize size2 = ours->size() + QSize(step % 40 == 19 ? 90 : -50, 0);
                ours->resize(size2);
                plain->resize(size2);
            }
            expectSameLayout(*ours, *plain, mode + ", step " + std::to_string(step));
            if (HasFatalFailure())
                return;
        }
        if (!wrap) {
            // A line made wider than any widens the horizontal range as the toolkit's does.
            for (QPlainTextEdit* e : {static_cast<QPlainTextEdit*>(ours.get()), plain.get()}) {
                QTextCursor c(e->document());
                c.movePosition(QTextCursor::End);
                c.insertText(QString(400, QChar('m')));
                e->setTextCursor(c);
            }
            QApplication::processEvents();
            EXPECT_EQ(ours->horizontalScrollBar()->maximum(),
                      plain->horizontalScrollBar()->maximum());
        }
    }
}

#if !defined(__SANITIZE_ADDRESS__)
// Typing a paragraph at the end of a long page wraps it line after line, and its widest line
// narrows now and then; showing a panel or resizing the window changes the width. None of this
// may lay out, or give a layout object to, lines out of view: on a 50 MB page that froze the
// window and doubled its memory.
TEST(PageLayout, TypingAndResizingOnALongPageTouchOnlyTheLinesShown) {
    // Loaded piece by piece into a shown editor, as a page opened from the window is.
    auto m = makeMemo(QString(), {420, 200}, false);
    for (int piece = 0; piece < 60; ++piece) {
        QString text;
        for (int i = 0; i < 1000; ++i)
            text += QString("Line %1 of a long page, with ^Bsome^b words.\n").arg(piece * 1000 + i);
        QTextCursor tail(m->document());
        tail.movePosition(QTextCursor::End);
        tail.insertText(text);
        QApplication::processEvents();
    }
    m->moveCursor(QTextCursor::End);
    QApplication::processEvents();
    malloc_trim(0);
    const size_t before = mallinfo2().uordblks;
    for (int i = 0; i < 6; ++i)
        QTest::keyClicks(m.get(), "the quick brown fox jumps over the lazy dog ");
    QTest::keyClick(m.get(), Qt::Key_Return);
    QTest::keyClicks(m.get(), "and one more line");
    QApplication::processEvents();
    EXPECT_FALSE(m->caretLineRect().isEmpty()) << "the caret stays in view while typing";
    m->resize(520, 260);
    QApplication::processEvents();
    m->resize(380, 200);
    QApplication::processEvents();
    const size_t grown = mallinfo2().uordblks - std::min(before, mallinfo2().uordblks);
    // A layout object for every line would be some 300 bytes times 60,000 lines.
    EXPECT_LT(grown, size_t(3'000'000));
    EXPECT_TRUE(m->document()->lastBlock().text().endsWith("and one more line"));
}
#endif
