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
    // TYPING_MB makes the big page smaller when profiling.
    const int mb = qEnvironmentVariableIntValue("TYPING_MB");
    const QString big = pageText(qint64(mb > 0 ? mb : 50) * 1'000'000);
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

// Page Down through a 50 MB page: each key scrolls a screenful and the new lines are painted.
void BM_PageDown50MB(benchmark::State& state) {
    // PAGEDOWN_MB makes the page smaller when profiling.
    const int mb = qEnvironmentVariableIntValue("PAGEDOWN_MB");
    const QString big = pageText(qint64(mb > 0 ? mb : 50) * 1'000'000);
    auto pageDowns = [](QPlainTextEdit& m) {
        QTextCursor c = m.textCursor();
        c.setPosition(m.document()->characterCount() / 3);
        m.setTextCursor(c);
        m.centerCursor();
        m.activateWindow();
        m.setFocus();
        QApplication::processEvents();
        return medianMs(
            [&] {
                keyClick(&m, Qt::Key_PageDown);
                m.viewport()->repaint();
            },
            kRuns);
    };
    // PAGEDOWN_ONLY=ours or plain measures one editor alone, for instruction counts.
    const QString only = qEnvironmentVariable("PAGEDOWN_ONLY");
    for (auto _ : state) {
        auto ours = only == "plain" ? nullptr : makeOurs(big, true);
        auto plain = only == "ours" ? nullptr : makePlain(big, true);
        std::vector<double> o, p;
        for (int i = 0; i < 3; ++i) {
            if (ours)
                o.push_back(pageDowns(*ours));
            if (plain)
                p.push_back(pageDowns(*plain));
        }
        report(state, o.empty() ? 1 : median(o), p.empty() ? 1 : median(p));
    }
}
BENCHMARK(BM_PageDown50MB)->Iterations(1)->Unit(benchmark::kMillisecond);

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

// Caret at a position of the text, in view, with the focus.
void caretTo(QPlainTextEdit& m, int position) {
    QTextCursor c = m.textCursor();
    c.setPosition(position);
    m.setTextCursor(c);
    m.ensureCursorVisible();
    m.activateWindow();
    m.setFocus();
    QApplication::processEvents();
}

// A key typed at a position and taken back, repainted each time.
double keyAtMs(QPlainTextEdit& m, int position, int runs) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        caretTo(m, position);
        const double start = threadMs();
        keyClick(&m, Qt::Key_X);
        QApplication::processEvents();
        m.viewport()->repaint();
        t.push_back(threadMs() - start);
        keyClick(&m, Qt::Key_Backspace);
        QApplication::processEvents();
    }
    return median(t);
}

// One line of a million characters with spaces (range 1 = 1) or without, word wrap on or off
// (range 0): load, and a key at the line's start and end. The plain control is measured beside
// ours on the line with spaces; without spaces it would take minutes.
void BM_LongLines(benchmark::State& state) {
    const bool wrap = state.range(0) != 0;
    const bool spaces = state.range(1) != 0;
    QString line;
    const QString piece = spaces ? "word ^Bbold^b [name] text " : "wordBboldbnametextABCDEF";
    while (line.size() < 1'000'000)
        line += piece;
    const QString text = line + "\r\nend";
    for (auto _ : state) {
        const int runs = 9;
        double start = threadMs();
        auto ours = makeOurs(text, wrap);
        state.counters["load_ours_ms"] = threadMs() - start;
        state.counters["key_start_ours_ms"] = keyAtMs(*ours, 0, runs);
        state.counters["key_end_ours_ms"] =
            keyAtMs(*ours, ours->adapter().positionFromOffset(int(line.size())), runs);
        if (!spaces)
            continue;
        start = threadMs();
        auto plain = makePlain(text, wrap);
        state.counters["load_plain_ms"] = threadMs() - start;
        state.counters["key_end_plain_ms"] = keyAtMs(*plain, int(line.size()), runs);
    }
}
BENCHMARK(BM_LongLines)
    ->Args({1, 1})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

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
