// One key through the main window's whole event path, as an author has the window: the status
// panels, the find bar open with its tint on the page's matches, the markup check docked and
// recovery copies on. Beside it the same key in the bare editor, so that what the window adds to
// each key shows as a ratio measured in one run. Pages of 10 KB and 10 MB, the caret at the end.
//
// Instruction counts are steadier than times on a busy machine:
//     valgrind --tool=callgrind --instr-atstart=no build/bench/window_key_bench

#include "app/FindBar.h"
#include "app/Unit1.h"
#include "document/PageDocument.h"
#include "editor/ColMemo.h"
#include "markup/CheckPanel.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

const int kKeys = 200;

QByteArray pageBytes(qint64 bytes) {
    static const char* lines[] = {
        "^BChapter^b one: the ^Iquick^i brown fox jumps over the lazy dog near [Home] again.",
        "^LGo to the next page=GotoPage \"Page 2\"^l and read ^Usome^u more ^Mmark^m text here.",
        "Plain text without any code at all, long enough to fill a good part of the line width.",
        "^C^F14Centred big title^f^c with ^P4colour^p and a ^Xstruck^x word [var1] [var2] end",
    };
    QByteArray t;
    t.reserve(bytes + 200);
    for (int i = 0; t.size() < bytes; ++i)
        t += QByteArray(lines[i % 4]) + QByteArray::number(i) + "\r\n";
    return t;
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// Median milliseconds of one key: pressed, released, and everything it makes the window do
// before the next one, its repaint included.
double typeKeys(QWidget* target) {
    std::vector<double> ms;
    QElapsedTimer t;
    for (int i = 0; i < kKeys; ++i) {
        t.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, "x");
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
        QApplication::processEvents();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::nth_element(ms.begin(), ms.begin() + kKeys / 2, ms.end());
    return ms[kKeys / 2];
}

double windowKey(qint64 bytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath("page.txt");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(pageBytes(bytes));
    f.close();

    TForm1 form;
    form.resize(1000, 760);
    form.show();
    QApplication::setActiveWindow(&form);
    form.openFromCommandLine(path);
    while (form.Clm1->Page().loadState() == TPageDocument::TLoadState::Loading)
        QApplication::processEvents();
    form.CheckPanel1->toggleAction()->setChecked(true);
    form.EditFind1Click();
    form.FindBar1->FindEdit->setText("the");
    form.Clm1->setFocus();
    form.Clm1->moveCursor(QTextCursor::End);
    settle();
    return typeKeys(form.Clm1);
}

double editorKey(qint64 bytes) {
    TColorMemo memo;
    memo.resize(1000, 700);
    memo.show();
    memo.SetText(QString::fromLatin1(pageBytes(bytes)));
    memo.setFocus();
    memo.moveCursor(QTextCursor::End);
    settle();
    return typeKeys(&memo);
}

void BM_WindowKey(benchmark::State& state) {
    const qint64 bytes = state.range(0);
    double window = 0, editor = 0;
    for (auto _ : state) {
        window = windowKey(bytes);
        editor = editorKey(bytes);
    }
    state.counters["window_ms"] = window;
    state.counters["editor_ms"] = editor;
    state.counters["window_over_editor"] = editor > 0 ? window / editor : 0;
}
BENCHMARK(BM_WindowKey)->Arg(10'000)->Arg(10'000'000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
