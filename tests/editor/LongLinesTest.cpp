// Long lines kept in display blocks: whatever the author does, the text, its offsets and its lines
// are those of one line.
#include "document/PageDocument.h"
#include "editor/DocumentSearch.h"
#include "tests/editor/MemoFixture.h"

#include <QClipboard>
#include <QMimeData>
#include <QRandomGenerator>
#include <QTextBlock>

#include <climits>

using memotest::makeMemo;

namespace {

const int kPiece = TPageDocument::piece();

// A line without a place to break, each character telling its place.
QString unbroken(int length, char16_t first = u'a') {
    QString s;
    s.reserve(length);
    for (int i = 0; i < length; ++i)
        s += QChar(first + i % 26);
    return s;
}

// How many display blocks continue the line of the block before them.
int continuations(const TColorMemo& m) {
    return m.Page().continuationsUpTo(INT_MAX);
}

void key(TColorMemo& m, int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(&m, Qt::Key(k), mods);
}

} // namespace

TEST(LongLines, ALongLineIsOneLineForTheTextItsOffsetsAndItsLines) {
    const QString line = unbroken(5 * kPiece + 100);
    auto m = makeMemo("first\r\n" + line + "\r\nlast", {500, 300});
    EXPECT_EQ(continuations(*m), 5);
    EXPECT_EQ(m->document()->blockCount(), 8);
    EXPECT_EQ(m->Text(), "first\r\n" + line + "\r\nlast");
    EXPECT_EQ(m->adapter().textLength(), m->Text().size());
    EXPECT_EQ(m->TextLineCount(), 3);
    EXPECT_EQ(m->adapter().offsetFromPosition(m->document()->findBlockByNumber(3).position()),
              7 + 2 * kPiece);
    EXPECT_EQ(m->adapter().offsetFromPosition(m->document()->lastBlock().position()),
              7 + line.size() + 2);
    for (int offset : {0, 7, 7 + kPiece - 1, 7 + kPiece, 7 + kPiece + 1, int(7 + line.size()),
                       int(9 + line.size()), int(m->Text().size())})
        EXPECT_EQ(m->adapter().offsetFromPosition(m->adapter().positionFromOffset(offset)), offset);

    // The caret's line and column, and going to a line, count the text's own lines.
    m->SetSelStart(7 + 3 * kPiece + 5);
    EXPECT_EQ(m->CaretLineColumn(), QPoint(3 * kPiece + 6, 2));
    m->setTextCursor(m->LineStart(2));
    EXPECT_EQ(m->SelStart(), 9 + line.size());
    m->SetWordWrap(false);
    EXPECT_EQ(m->Lines(), (QStringList{"first", line, "last"}));

    // A selection across blocks reads and copies as the text.
    m->SetSelStart(7 + kPiece - 3);
    m->SetSelLength(2 * kPiece + 6);
    EXPECT_EQ(m->SelText(), line.mid(kPiece - 3, 2 * kPiece + 6));
    m->copy();
    EXPECT_EQ(QApplication::clipboard()->text(), line.mid(kPiece - 3, 2 * kPiece + 6));
}

TEST(LongLines, LineOfAMillionCharactersLoadsEditsAndPaintsInBlocks) {
    const QString line = unbroken(1'000'000);
    auto m = makeMemo(line + "\r\nend", {600, 300});
    EXPECT_EQ(continuations(*m), 1'000'000 / kPiece);
    // Keys at both ends of the line, painted with word wrap on and off.
    m->SetSelStart(0);
    m->ReplaceSel("^B");
    m->SetSelStart(1'000'002);
    m->ReplaceSel("^b");
    m->repaint();
    m->SetWordWrap(false);
    m->repaint();
    EXPECT_EQ(m->Text(), "^B" + line + "^b\r\nend");
    EXPECT_EQ(m->LineCount(), 2);
}

TEST(LongLines, FindTintsAMatchOnBothSidesOfACut) {
    const QString line = unbroken(kPiece - 2) + "QZQZ" + unbroken(4 * kPiece);
    auto m = makeMemo(line, {500, 300});
    m->SetSelStart(kPiece);
    m->ensureCursorVisible();
    m->SetMatchMarks(TTextSearch("QZQZ", {}));
    m->repaint();
    const auto& rects = m->MatchMarks().rects();
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_LT(rects[0].top(), rects[1].top()) << "the end of one block and the start of the next";
    EXPECT_EQ(rects[1].left(), m->adapter().posFromOffset(kPiece)->x());
}

TEST(LongLines, KeysAtACutActAsInsideTheLine) {
    const QString line = unbroken(4 * kPiece + 10);
    auto m = makeMemo("x\r\n" + line + "\r\ny", {500, 300});
    const int cut = 3 + kPiece; // the offset where the second block starts
    m->setFocus();

    // Right and Left pass the cut in one step each, with Shift too.
    m->SetSelStart(cut - 1);
    key(*m, Qt::Key_Right);
    key(*m, Qt::Key_Right);
    EXPECT_EQ(m->SelStart(), cut + 1);
    key(*m, Qt::Key_Left);
    key(*m, Qt::Key_Left);
    EXPECT_EQ(m->SelStart(), cut - 1);
    key(*m, Qt::Key_Right, Qt::ShiftModifier);
    key(*m, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(m->SelText(), line.mid(kPiece - 1, 2));

    // Backspace just after the cut and Delete just before it take one character each.
    m->SetSelStart(cut);
    key(*m, Qt::Key_Backspace);
    QString expected = "x\r\n" + line + "\r\ny";
    expected.remove(cut - 1, 1);
    EXPECT_EQ(m->Text(), expected);
    m->SetSelStart(cut - 1);
    m->setTextCursor([&] {
        // The caret at the end of the block before the cut.
        QTextCursor c(m->document()->findBlockByNumber(1));
        c.movePosition(QTextCursor::EndOfBlock);
        return c;
    }());
    key(*m, Qt::Key_Delete);
    expected.remove(cut - 1, 1);
    EXPECT_EQ(m->Text(), expected);

    // Enter at the cut breaks the line there; typing goes in at the caret.
    m->SetSelStart(cut - 1);
    key(*m, Qt::Key_Return);
    QTest::keyClicks(m.get(), "Z");
    expected.insert(cut - 1, "\r\nZ");
    EXPECT_EQ(m->Text(), expected);
    EXPECT_EQ(m->TextLineCount(), 4);

    // Undo takes it all back, the cuts with it; redo does it again.
    for (int i = 0; i < 4; ++i)
        m->Undo();
    EXPECT_EQ(m->Text(), "x\r\n" + line + "\r\ny");
    EXPECT_EQ(m->TextLineCount(), 3);
    for (int i = 0; i < 4; ++i)
        key(*m, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(m->Text(), expected);
}

TEST(LongLines, EditsAcrossCutsAndTheirUndoKeepTheText) {
    const QString line = unbroken(5 * kPiece);
    const QString start = "one\r\ntwo\r\n" + line + "\r\nend";
    auto m = makeMemo(start, {500, 300});
    const int lineAt = 10;

    // A selection from a line's start across a cut, deleted: the toolkit joins the blocks and
    // keeps the later one's format, but the line break before stays a line break.
    m->SetSelStart(5);
    m->SetSelLength(5 + kPiece + 7);
    m->ReplaceSel("");
    QString expected = start;
    expected.remove(5, 5 + kPiece + 7);
    EXPECT_EQ(m->Text(), expected);
    EXPECT_EQ(m->TextLineCount(), 3);
    m->Undo();
    EXPECT_EQ(m->Text(), start);
    m->Redo();
    EXPECT_EQ(m->Text(), expected);
    m->Undo();

    // A paste of a long line with line breaks, across cuts, and its undo.
    const QString pasted = "A\n" + unbroken(5 * kPiece + 5, u'A') + "\nB";
    QApplication::clipboard()->setText(pasted);
    m->SetSelStart(lineAt + kPiece - 2);
    m->SetSelLength(kPiece + 4);
    m->paste();
    expected = start;
    expected.replace(lineAt + kPiece - 2, kPiece + 4, QString(pasted).replace("\n", "\r\n"));
    EXPECT_EQ(m->Text(), expected);
    EXPECT_GT(continuations(*m), 3);
    m->Undo();
    EXPECT_EQ(m->Text(), start);
    m->Redo();
    EXPECT_EQ(m->Text(), expected);

    // Find reaches a match across a cut and selects it whole; replace all changes matches on
    // both sides of cuts and across them, keeps the other cuts, and is one undo step.
    m->SetText(start);
    TDocumentSearch search(m->Page());
    const QString needle = line.mid(kPiece - 2, 4);
    const int near = m->adapter().positionFromOffset(lineAt + kPiece - 5);
    const auto found = search.find(TTextSearch(needle, {}), near, true);
    ASSERT_TRUE(found.Match.found());
    QTextCursor c(m->document());
    c.setPosition(int(found.Match.Start));
    c.setPosition(int(found.Match.end()), QTextCursor::KeepAnchor);
    m->setTextCursor(c);
    EXPECT_EQ(m->SelStart(), lineAt + kPiece - 2);
    EXPECT_EQ(m->SelText(), needle);
    const QString pattern = line.mid(3, 2); // "de", at every 26th place
    const int n =
        search.replaceAll(TTextSearch(pattern, {}), 0, m->document()->characterCount() - 1, "[\n]");
    expected = start;
    expected.replace(pattern, "[\r\n]");
    EXPECT_EQ(n, start.count(pattern));
    EXPECT_EQ(m->Text(), expected);
    EXPECT_EQ(m->TextLineCount(), 4 + n);
    m->Undo();
    EXPECT_EQ(m->Text(), start);
}

namespace {

// A random edit session over long lines: every step is checked against the same edit made on a
// plain string, and every undo and redo against the text that step had.
class TEditSession {
public:
    explicit TEditSession(quint32 seed) : random_(seed) {
        expected_ =
            "top\n" + unbroken(5 * kPiece + 33) + "\nmiddle\n" + unbroken(4 * kPiece + 1) + "\nend";
        memo_ = makeMemo(QString(expected_).replace("\n", "\r\n"), {500, 300});
        memo_->setFocus();
        remember();
    }

    void step() {
        switch (random_.bounded(9)) {
        case 0:
        case 1:
            replaceSelection();
            break;
        case 2:
            removeRange();
            break;
        case 3:
            pressKey(Qt::Key_Backspace);
            break;
        case 4:
            pressKey(Qt::Key_Delete);
            break;
        case 5:
            pressKey(Qt::Key_Return);
            break;
        case 6:
            paste();
            break;
        case 7:
            undo();
            return;
        case 8:
            redo();
            return;
        }
        remember();
    }

    void check(int step) {
        ASSERT_EQ(text(), expected_) << "after step " << step;
        EXPECT_EQ(memo_->adapter().textLength(), memo_->Text().size());
        EXPECT_EQ(memo_->TextLineCount(), expected_.count(u'\n') + 1);
    }

private:
    QString text() const { return memo_->Text().replace("\r\n", "\n"); }
    const TPageDocument& cuts() const { return memo_->Page(); }
    int anyPosition() { return int(random_.bounded(memo_->document()->characterCount())); }
    // A document position, often at a block's edge where the cuts are.
    int position() {
        if (random_.bounded(2) == 0)
            return anyPosition();
        const QTextBlock b = memo_->document()->findBlock(anyPosition());
        return random_.bounded(2) == 0 ? b.position() : b.position() + b.length() - 1;
    }
    QString someText() {
        switch (random_.bounded(4)) {
        case 0:
            return "x";
        case 1:
            return "p\nq";
        case 2:
            return unbroken(int(random_.bounded(2 * TPageDocument::longLine())), u'A');
        default:
            return "r\n" + unbroken(TPageDocument::longLine() + 7, u'A') + "\ns";
        }
    }
    void select(int a, int b) {
        QTextCursor c(memo_->document());
        c.setPosition(a);
        c.setPosition(b, QTextCursor::KeepAnchor);
        memo_->setTextCursor(c);
    }
    // The selection in text positions, as the plain string sees it.
    std::pair<int, int> selection() const {
        const QTextCursor c = memo_->textCursor();
        return {cuts().textPosition(c.selectionStart()), cuts().textPosition(c.selectionEnd())};
    }

    void replaceSelection() {
        select(position(), position());
        const auto [from, to] = selection();
        const QString t = someText();
        memo_->ReplaceSel(t);
        expected_.replace(from, to - from, t);
    }
    void removeRange() {
        // As the toolkit itself removes text (typing over a selection, cut, drag).
        select(position(), position());
        const auto [from, to] = selection();
        memo_->textCursor().removeSelectedText();
        expected_.remove(from, to - from);
    }
    void paste() {
        select(position(), position());
        const auto [from, to] = selection();
        const QString t = someText();
        QApplication::clipboard()->setText(t);
        memo_->paste();
        expected_.replace(from, to - from, t);
    }
    void pressKey(int k) {
        const int p = position();
        select(p, p);
        const int at = cuts().textPosition(p);
        key(*memo_, k);
        if (k == Qt::Key_Return)
            expected_.insert(at, u'\n');
        else if (k == Qt::Key_Backspace && at > 0)
            expected_.remove(at - 1, 1);
        else if (k == Qt::Key_Delete && at < expected_.size())
            expected_.remove(at, 1);
    }
    void undo() {
        if (random_.bounded(2) == 0)
            memo_->Undo();
        else
            key(*memo_, Qt::Key_Z, Qt::ControlModifier);
        expected_ = states_[size_t(memo_->document()->availableUndoSteps())];
    }
    void redo() {
        if (random_.bounded(2) == 0)
            memo_->Redo();
        else
            key(*memo_, Qt::Key_Y, Qt::ControlModifier);
        expected_ = states_[size_t(memo_->document()->availableUndoSteps())];
    }
    // The text of each undo state reached by editing (the document's undo index names them).
    void remember() {
        const size_t at = size_t(memo_->document()->availableUndoSteps());
        states_.resize(at + 1);
        states_[at] = expected_;
    }

    QRandomGenerator random_;
    std::unique_ptr<TColorMemo> memo_;
    QString expected_;
    std::vector<QString> states_;
};

} // namespace

TEST(LongLines, RandomEditsUndoAndRedoKeepTheTextOfOneLine) {
    for (quint32 seed : {1u, 2u, 3u}) {
        TEditSession session(seed);
        for (int i = 0; i < 150; ++i) {
            session.step();
            session.check(i);
            if (testing::Test::HasFatalFailure())
                return;
        }
    }
}
