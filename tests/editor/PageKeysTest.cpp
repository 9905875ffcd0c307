// Page Up and Page Down leave the caret, the selection and the view exactly where the plain text
// control leaves them, over random pages and random key sequences.
#include "editor/PageStep.h"
#include "platform/QtFonts.h"
#include "tests/editor/MemoFixture.h"

#include <QKeyEvent>
#include <QTextBlock>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

namespace {

// The editor under test, and the plain control beside it, opened up to read their first block.
class OpenMemo : public TColorMemo {
public:
    using TColorMemo::contentOffset;
    using TColorMemo::firstVisibleBlock;
};

QString typed(int key) {
    return key == Qt::Key_X ? "x" : key == Qt::Key_Backspace ? "\b" : "";
}

class PlainEdit : public QPlainTextEdit {
public:
    using QPlainTextEdit::contentOffset;
    using QPlainTextEdit::firstVisibleBlock;
    // The control's own key handling, after the selection collapse the editor does first for a
    // navigation key without modifiers.
    void press(int key, Qt::KeyboardModifiers mods) {
        QKeyEvent e(QEvent::KeyPress, key, mods, typed(key));
        if (mods == Qt::NoModifier && key >= Qt::Key_Home && key <= Qt::Key_PageDown &&
            textCursor().hasSelection()) {
            QTextCursor c = textCursor();
            c.setPosition(c.selectionEnd());
            setTextCursor(c);
        }
        keyPressEvent(&e);
    }
};

// A page of short and long lines, empty lines, lines that wrap into several screen lines, words
// too long for a line, runs of spaces at the wrap and tabs.
QString randomPage(std::mt19937& rng, int lines) {
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    auto word = [&](int length) {
        QString w;
        for (int i = 0; i < length; ++i)
            w += QChar(u'a' + pick(26));
        return w;
    };
    QStringList page;
    for (int i = 0; i < lines; ++i) {
        QString line;
        switch (pick(8)) {
        case 0:
            break; // empty
        case 1:
            line = word(1 + pick(12));
            break;
        case 2:
            line = word(40 + pick(150)); // one long word over several lines
            break;
        case 3:
            for (int n = 60 + pick(500); line.size() < n;)
                line += word(1 + pick(9)) + QString(1 + pick(3) / 2, u' ');
            break;
        case 4:
            line = "^B" + word(5) + "^b\t" + word(8) + "\t[var]";
            break;
        default:
            for (int n = 10 + pick(200); line.size() < n;)
                line += word(1 + pick(11)) + ' ';
        }
        page << line;
    }
    return page.join("\r\n");
}

struct TEditors {
    std::unique_ptr<OpenMemo> ours = std::make_unique<OpenMemo>();
    std::unique_ptr<PlainEdit> plain = std::make_unique<PlainEdit>();

    TEditors(const QString& text, QSize size, bool wrap) {
        TFontAttributes f;
        f.name = "DejaVu Sans";
        f.size = 11;
        ours->SetEditorFont(f);
        ours->SetWordWrap(wrap);
        ours->resize(size);
        ours->SetText(text);
        plain->setFont(toPageFont(f));
        plain->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        plain->document()->setDocumentMargin(ours->document()->documentMargin());
        plain->resize(size);
        plain->setPlainText(QString(text).replace("\r\n", "\n"));
        ours->show();
        plain->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(ours.get()));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(plain.get()));
        QApplication::processEvents();
    }

    void press(int key, Qt::KeyboardModifiers mods) {
        QKeyEvent e(QEvent::KeyPress, key, mods, typed(key));
        QApplication::sendEvent(ours.get(), &e);
        plain->press(key, mods);
    }

    // An edit can leave a part of a pixel behind in the editor's view that the plain control's
    // has not (the page keys play no part in it): both views go back to whole pixels.
    void settle() {
        for (QPlainTextEdit* e : {static_cast<QPlainTextEdit*>(ours.get()),
                                  static_cast<QPlainTextEdit*>(plain.get())}) {
            QScrollBar* bar = e->verticalScrollBar();
            const int v = bar->value();
            e->viewport()->setUpdatesEnabled(false);
            bar->setValue(v == bar->maximum() ? v - 1 : v + 1);
            bar->setValue(v);
            e->viewport()->setUpdatesEnabled(true);
        }
    }

    void putCaret(int position) {
        for (QPlainTextEdit* e : {static_cast<QPlainTextEdit*>(ours.get()),
                                  static_cast<QPlainTextEdit*>(plain.get())}) {
            QTextCursor c = e->textCursor();
            c.setPosition(position);
            e->setTextCursor(c);
        }
    }

    // Empty when both stand alike, else what differs.
    std::string apart() const {
        const QTextCursor a = ours->textCursor();
        const QTextCursor b = plain->textCursor();
        std::string out;
        auto same = [&](const char* what, double x, double y) {
            if (x != y)
                out +=
                    std::string(what) + " " + std::to_string(x) + " vs " + std::to_string(y) + "; ";
        };
        same("position", a.position(), b.position());
        same("anchor", a.anchor(), b.anchor());
        same("first block", ours->firstVisibleBlock().blockNumber(),
             plain->firstVisibleBlock().blockNumber());
        same("offset", ours->contentOffset().y(), plain->contentOffset().y());
        same("bar", ours->verticalScrollBar()->value(), plain->verticalScrollBar()->value());
        same("kept x", a.verticalMovementX(), b.verticalMovementX());
        return out;
    }
};

struct TRun {
    const char* name;
    unsigned seed;
    int lines;
    QSize size;
    bool wrap;
    int steps;
    bool readOnly = false; ///< as while a page loads: keys select, nothing is typed
};

} // namespace

TEST(PageKeys, CaretSelectionAndViewMatchThePlainControl) {
    const TRun runs[] = {
        {"wrapped", 1, 120, {420, 230}, true, 120},
        {"narrow", 2, 80, {260, 300}, true, 100},
        {"short view", 3, 60, {500, 70}, true, 80},
        {"unwrapped", 4, 150, {420, 230}, false, 60},
        {"few lines", 5, 6, {420, 230}, true, 30},
        {"read only", 6, 100, {420, 230}, true, 80, true},
    };
    const struct {
        int key;
        Qt::KeyboardModifiers mods;
    } keys[] = {
        {Qt::Key_PageDown, Qt::NoModifier},  {Qt::Key_PageDown, Qt::NoModifier},
        {Qt::Key_PageUp, Qt::NoModifier},    {Qt::Key_PageDown, Qt::ShiftModifier},
        {Qt::Key_PageUp, Qt::ShiftModifier}, {Qt::Key_Down, Qt::NoModifier},
        {Qt::Key_Up, Qt::NoModifier},        {Qt::Key_End, Qt::NoModifier},
        {Qt::Key_Home, Qt::NoModifier},      {Qt::Key_Right, Qt::ShiftModifier},
        {Qt::Key_X, Qt::NoModifier},         {Qt::Key_Backspace, Qt::NoModifier},
    };
    for (unsigned extra = 0; extra < 3; ++extra)
        for (const TRun& run : runs) {
            SCOPED_TRACE(run.name + std::to_string(extra));
            std::mt19937 rng(run.seed + extra * 1000);
            TEditors e(randomPage(rng, run.lines), run.size, run.wrap);
            for (QPlainTextEdit* edit : {static_cast<QPlainTextEdit*>(e.ours.get()),
                                         static_cast<QPlainTextEdit*>(e.plain.get())}) {
                if (run.readOnly) {
                    edit->setReadOnly(true);
                    edit->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                                  Qt::TextSelectableByKeyboard);
                }
            }
            ASSERT_EQ(e.ours->document()->characterCount(), e.plain->document()->characterCount());
            std::string trail;
            for (int step = 0; step < run.steps; ++step) {
                if (step % 25 == 0 || rng() % 20 == 0) {
                    const int at = int(rng() % unsigned(e.ours->document()->characterCount()));
                    e.putCaret(at);
                    trail += "caret " + std::to_string(at) + ", ";
                }
                if (rng() % 20 == 0) { // the view scrolled away from the caret
                    const int to =
                        int(rng() % unsigned(e.ours->verticalScrollBar()->maximum() + 1));
                    e.ours->verticalScrollBar()->setValue(to);
                    e.plain->verticalScrollBar()->setValue(to);
                    trail += "scroll " + std::to_string(to) + ", ";
                }
                const auto& k = keys[rng() % std::size(keys)];
                e.press(k.key, k.mods);
                if (k.key == Qt::Key_X || k.key == Qt::Key_Backspace)
                    e.settle();
                trail += QKeySequence(k.key | k.mods).toString().toStdString() + ", ";
                const std::string apart = e.apart();
                ASSERT_EQ(apart, "")
                    << "after " << trail.substr(trail.size() > 300 ? trail.size() - 300 : 0);
            }
        }
}

// Key sequences that lead the caret into the places where the control's walk is not a plain
// count of lines, from many carets.
TEST(PageKeys, ScriptedKeysMatchThePlainControl) {
    auto longWords = [](std::mt19937& rng) {
        QString page;
        for (int i = 0; i < 40; ++i)
            page += QString(30 + int(rng() % 90), QChar(u'a' + i % 26)) + "\r\n";
        return page;
    };
    auto anyPage = [](std::mt19937& rng) { return randomPage(rng, 90); };
    const struct {
        const char* name;
        std::function<QString(std::mt19937&)> page;
        QSize size;
        std::vector<int> keys;
    } scripts[] = {
        // At the end of a line cut inside a word the control's next step goes on from the line
        // after, and up it goes no further.
        {"wrapped word ends",
         longWords,
         {300, 200},
         {Qt::Key_End, Qt::Key_Left, Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_Down,
          Qt::Key_PageUp, Qt::Key_Up, Qt::Key_PageUp}},
        // Typing leaves the caret without an x: the first vertical move takes it where it starts.
        {"typed then down",
         anyPage,
         {380, 220},
         {Qt::Key_X, Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Down, Qt::Key_PageUp,
          Qt::Key_Backspace}},
        {"typed then up",
         anyPage,
         {380, 220},
         {Qt::Key_X, Qt::Key_Up, Qt::Key_PageUp, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_Backspace}},
    };
    for (const auto& script : scripts) {
        for (unsigned seed = 0; seed < 4; ++seed) {
            SCOPED_TRACE(script.name + std::to_string(seed));
            std::mt19937 rng(seed);
            TEditors e(script.page(rng), script.size, true);
            for (int round = 0; round < 12; ++round) {
                e.putCaret(int(rng() % unsigned(e.ours->document()->characterCount())));
                for (int k : script.keys) {
                    e.press(k, Qt::NoModifier);
                    ASSERT_EQ(e.apart(), "") << "round " << round << " key " << k;
                }
            }
        }
    }
}

// The block tops a page key reads go on from the block asked for last, in whichever direction the
// next question lies: asked in any order, near the view or beyond the walk's reach, they are what
// a walk from the view's first block gives.
TEST(PageKeys, BlockTopsAskedInAnyOrderAreThoseOfAFreshWalk) {
    std::mt19937 rng(7);
    TEditors e(randomPage(rng, 400), {360, 260}, true);
    QScrollBar* bar = e.ours->verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    QApplication::processEvents();
    const QTextBlock top = e.ours->firstVisibleBlock();
    const int height = e.ours->viewport()->height();
    const int last = e.ours->document()->blockCount() - 1;
    ASSERT_GT(top.blockNumber(), 120);
    ASSERT_LT(top.blockNumber(), last - 120);
    pagestep::TBlockTops kept(top, height);
    int number = top.blockNumber();
    for (int step = 0; step < 600; ++step) {
        // Mostly a step or two up or down, as a caret walks; now and then a jump.
        const int move = step % 7 == 0 ? int(rng() % 241) - 120 : int(rng() % 5) - 2;
        number = std::clamp(number + move, 0, last);
        const QTextBlock block = e.ours->document()->findBlockByNumber(number);
        pagestep::TBlockTops fresh(top, height);
        ASSERT_EQ(kept.top(block, number), fresh.top(block, number))
            << "block " << number << " at step " << step << ", view from " << top.blockNumber();
    }
}
