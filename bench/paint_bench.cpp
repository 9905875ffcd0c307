// Cost of the coloured overlay against a plain QPlainTextEdit showing the same page: full paints,
// typing, memory, and pages of very long lines. Every figure is a ratio measured in one run; the
// counters carry the medians in milliseconds.

#include "editor/ColMemo.h"
#include "markup/core/PageMarkup.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QScrollBar>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <iostream>
#include <memory>
#include <vector>

namespace {

// Paints per measurement; PAINT_RUNS raises it when profiling.
const int kRuns = qEnvironmentVariableIntValue("PAINT_RUNS") > 0
                      ? qEnvironmentVariableIntValue("PAINT_RUNS")
                      : 100;
const QSize kViewSize(980, 720); // over 100 by 40 characters of the font below

QString pageText(qint64 bytes) {
    static const char* lines[] = {
        "^BChapter^b one: the ^Iquick^i brown fox jumps over the lazy dog near [Home] again.",
        "^LGo to the next page=GotoPage \"Page 2\"^l and read ^Usome^u more ^Mmark^m text here.",
        "Plain text without any code at all, long enough to fill a good part of the line width.",
        "^C^F14Centred big title^f^c with ^P4colour^p and a ^Xstruck^x word [var1] [var2] end",
    };
    QString t;
    t.reserve(bytes + 200);
    int i = 0;
    while (t.size() < bytes) {
        t += lines[i % 4];
        t += QString::number(i);
        t += "\r\n";
        ++i;
    }
    return t;
}

QString longLinesText() {
    QString line;
    const QString piece = "word ^Bbold^b [name] text ";
    while (line.size() < 1'000'000)
        line += piece;
    return line + "\r\n" + line;
}

void waitShown(QWidget& w) {
    for (int i = 0; i < 50 && !w.isVisible(); ++i)
        QApplication::processEvents();
    QApplication::processEvents();
}

void keyClick(QWidget* w, int key) {
    const QString text = key == Qt::Key_X ? "x" : key == Qt::Key_Backspace ? "\b" : "";
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

QFont benchFont() {
    return QFont("DejaVu Sans Mono", 10);
}

std::unique_ptr<TColorMemo> makeOurs(const QString& text, bool wrap) {
    auto m = std::make_unique<TColorMemo>();
    TFontAttributes f;
    f.name = "DejaVu Sans Mono";
    f.size = 10;
    f.color = colors::clBlack;
    m->SetEditorFont(f);
    markup::applyEditorRuleSet(m->ColorRules().Add());
    m->SetWordWrap(wrap);
    m->resize(kViewSize);
    m->SetText(text);
    m->show();
    waitShown(*m);
    return m;
}

std::unique_ptr<QPlainTextEdit> makePlain(const QString& text, bool wrap) {
    auto m = std::make_unique<QPlainTextEdit>();
    m->setFont(benchFont());
    m->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    m->resize(kViewSize);
    m->setPlainText(QString(text).replace("\r\n", "\n"));
    m->show();
    waitShown(*m);
    return m;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// CPU time of this thread: the machine is shared, and waiting for a core is not our cost.
double threadMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double medianMs(const std::function<void()>& f, int runs = kRuns) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        const double start = threadMs();
        f();
        t.push_back(threadMs() - start);
    }
    return median(t);
}

// Puts the caret in the middle of the text, in view.
void caretToMiddle(QPlainTextEdit& m) {
    QTextCursor c = m.textCursor();
    c.setPosition(m.document()->characterCount() / 2);
    m.setTextCursor(c);
    m.ensureCursorVisible();
    m.activateWindow();
    m.setFocus();
    QApplication::processEvents();
}

double paintMs(QPlainTextEdit& m, int runs = kRuns) {
    return medianMs([&] { m.viewport()->repaint(); }, runs);
}

double typeMs(QPlainTextEdit& m, int runs = kRuns) {
    caretToMiddle(m);
    return medianMs(
        [&] {
            keyClick(&m, Qt::Key_X);
            QApplication::processEvents();
        },
        runs);
}

void report(benchmark::State& state, double ours, double plain) {
    state.counters["ours_ms"] = ours;
    state.counters["plain_ms"] = plain;
    state.counters["ratio"] = ours / plain;
}

void BM_FullPaint10MB(benchmark::State& state) {
    const QString text = pageText(10'000'000);
    for (auto _ : state) {
        auto ours = makeOurs(text, true);
        auto plain = makePlain(text, true);
        ours->verticalScrollBar()->setValue(ours->verticalScrollBar()->maximum() / 2);
        plain->verticalScrollBar()->setValue(plain->verticalScrollBar()->maximum() / 2);
        QApplication::processEvents();
        // Interleaved, so both see the same machine load.
        std::vector<double> o, p;
        for (int i = 0; i < 10; ++i) {
            o.push_back(paintMs(*ours, kRuns / 10));
            p.push_back(paintMs(*plain, kRuns / 10));
        }
        report(state, median(o), median(p));
    }
}
BENCHMARK(BM_FullPaint10MB)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_Typing(benchmark::State& state) {
    const QString big = pageText(50'000'000);
    const QString small = pageText(10'000);
    for (auto _ : state) {
        double ours50, plain50, ours10k;
        {
            auto ours = makeOurs(big, true);
            auto plain = makePlain(big, true);
            ours50 = typeMs(*ours);
            plain50 = typeMs(*plain);
        }
        {
            auto ours = makeOurs(small, true);
            ours10k = typeMs(*ours);
        }
        state.counters["ours50MB_ms"] = ours50;
        state.counters["plain50MB_ms"] = plain50;
        state.counters["ours10KB_ms"] = ours10k;
        state.counters["ours50MB_vs_10KB"] = ours50 / ours10k;
        state.counters["ours_vs_plain_50MB"] = ours50 / plain50;
    }
}
BENCHMARK(BM_Typing)->Iterations(1)->Unit(benchmark::kMillisecond);

long residentKb() {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

// Run in a child process of its own, so that one editor's freed memory does not serve the other.
int memoryChild(const QString& which) {
    const QString small = pageText(10'000);
    QString big = pageText(50'000'000);
    std::unique_ptr<QPlainTextEdit> m;
    if (which == "ours")
        m = makeOurs(small, true);
    else
        m = makePlain(small, true);
    const long before = residentKb();
    if (which == "ours") {
        static_cast<TColorMemo*>(m.get())->SetText(big);
    } else {
        m->setPlainText(big.replace("\r\n", "\n"));
    }
    big = QString();
    caretToMiddle(*m);
    m->viewport()->repaint();
    keyClick(m.get(), Qt::Key_X);
    QApplication::processEvents();
    std::cout << (residentKb() - before) << std::endl;
    return 0;
}

void BM_MemoryGrowth10KBto50MB(benchmark::State& state) {
    auto child = [](const char* which) {
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(), {QString("--memory=") + which});
        p.waitForFinished(600'000);
        return p.readAllStandardOutput().trimmed().toDouble();
    };
    for (auto _ : state) {
        const double ours = child("ours");
        const double plain = child("plain");
        state.counters["ours_MB"] = ours / 1024;
        state.counters["plain_MB"] = plain / 1024;
        state.counters["ratio"] = ours / plain;
    }
}
BENCHMARK(BM_MemoryGrowth10KBto50MB)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_LongLines(benchmark::State& state) {
    const bool wrap = state.range(0) != 0;
    const QString text = longLinesText();
    for (auto _ : state) {
        auto ours = makeOurs(text, wrap);
        auto plain = makePlain(text, wrap);
        const int runs = 20;
        // Each measured while it has the focus, so that both draw their caret.
        caretToMiddle(*ours);
        const double op = paintMs(*ours, runs);
        caretToMiddle(*plain);
        const double pp = paintMs(*plain, runs);
        const double ot = typeMs(*ours, runs), pt = typeMs(*plain, runs);
        state.counters["paint_ours_ms"] = op;
        state.counters["paint_plain_ms"] = pp;
        state.counters["paint_ratio"] = op / pp;
        state.counters["type_ours_ms"] = ot;
        state.counters["type_plain_ms"] = pt;
        state.counters["type_ratio"] = ot / pt;
    }
}
BENCHMARK(BM_LongLines)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    for (int i = 1; i < argc; ++i)
        if (QString(argv[i]).startsWith("--memory="))
            return memoryChild(QString(argv[i]).mid(9));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
