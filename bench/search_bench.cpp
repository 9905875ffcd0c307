// Find next and Replace All over a 50 MB page, against the plain library operations they are built
// on: find next against QString::indexOf over the same text, Replace All against building the
// result string with indexOf and append. The ratios are printed at the end, from one run.

#include "bench/BenchReport.h"
#include "editor/ColMemo.h"
#include "editor/DocumentSearch.h"
#include "editor/TextSearch.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr qsizetype kPageChars = 50'000'000;
constexpr int kMatches = 100'000;

// A 50 MB page of 80-character lines: "cat" on every sixth line until 100,000 are placed, and
// "needle" once, near the end.
QString pageText() {
    static const char* lines[] = {
        "^BChapter^b one: the ^Iquick^i brown fox jumps over the lazy dog near [Home] ag",
        "^LGo to the next page=GotoPage \"Page 2\"^l and read ^Usome^u more ^Mmark^m text",
        "Plain text without any code at all, long enough to fill a good part of the line",
        "^C^F14Centred big title^f^c with ^P4colour^p and a ^Xstruck^x word [var1] [var2",
    };
    QString t;
    t.reserve(kPageChars + 200);
    int placed = 0;
    for (int i = 0; t.size() < kPageChars; ++i) {
        if (i % 6 == 0 && placed < kMatches) {
            t += "the cat ";
            ++placed;
        }
        t += QLatin1String(lines[i % 4]);
        t += QChar(0x2029);
    }
    t.insert(t.size() - 1000, "needle");
    return t;
}

struct TEnv {
    QString text;
    std::unique_ptr<TColorMemo> memo;
    std::unique_ptr<TDocumentSearch> search;
};
TEnv* env = nullptr;

void BM_IndexOf(benchmark::State& state) {
    const auto cs = state.range(0) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (auto _ : state)
        benchmark::DoNotOptimize(env->text.indexOf(QLatin1String("needle"), 0, cs));
}
BENCHMARK(BM_IndexOf)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// Find next from the page's start in the editor's document, its copy of the text already made.
void BM_FindNext(benchmark::State& state) {
    const TTextSearch s("needle", {state.range(0) != 0, false});
    for (auto _ : state)
        benchmark::DoNotOptimize(env->search->find(s, 0, true));
}
BENCHMARK(BM_FindNext)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The first find next after a change of the page: the copy of the text is made first.
void BM_FindNextAfterChange(benchmark::State& state) {
    const TTextSearch s("needle", {true, false});
    for (auto _ : state) {
        env->search->release();
        benchmark::DoNotOptimize(env->search->find(s, 0, true));
    }
}
BENCHMARK(BM_FindNextAfterChange)->Unit(benchmark::kMillisecond);

void BM_BuildResult(benchmark::State& state) {
    const QLatin1String needle("cat");
    for (auto _ : state) {
        QString out;
        out.reserve(env->text.size());
        qsizetype copied = 0;
        for (qsizetype at = env->text.indexOf(needle); at >= 0;
             at = env->text.indexOf(needle, at + needle.size())) {
            out += QStringView(env->text).sliced(copied, at - copied);
            out += QLatin1String("dog");
            copied = at + needle.size();
        }
        out += QStringView(env->text).sliced(copied);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_BuildResult)->Unit(benchmark::kMillisecond);

// Replace All producing the new text, Match case on and off, whole word on.
void BM_ReplaceAllText(benchmark::State& state) {
    const TTextSearch s("cat", {state.range(0) != 0, state.range(1) != 0});
    qsizetype n = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(s.replaced(env->text, u"dog", &n).data());
    state.counters["replaced"] = static_cast<double>(n);
}
BENCHMARK(BM_ReplaceAllText)->Args({1, 0})->Args({0, 1})->Unit(benchmark::kMillisecond);

// Replace All in the editor's document as one undo step, with its repaint, and taking it back.
void BM_ReplaceAllDocument(benchmark::State& state) {
    const TTextSearch s("cat", {true, false});
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        env->memo->SetText(QString());
        env->memo->document()->setPlainText(env->text);
        QApplication::processEvents();
        // Typing the searched text in the find bar has made the copy of the page already.
        env->search->text();
        state.ResumeTiming();
        n = env->search->replaceAll(s, 0, env->memo->document()->characterCount() - 1, "dog");
        QApplication::processEvents(); // the repaint
    }
    state.counters["replaced"] = n;
}
BENCHMARK(BM_ReplaceAllDocument)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_UndoReplaceAll(benchmark::State& state) {
    const TTextSearch s("cat", {true, false});
    for (auto _ : state) {
        state.PauseTiming();
        env->memo->document()->setPlainText(env->text);
        env->search->replaceAll(s, 0, env->memo->document()->characterCount() - 1, "dog");
        QApplication::processEvents();
        state.ResumeTiming();
        env->memo->Undo();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_UndoReplaceAll)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TEnv e;
    env = &e;
    e.text = pageText();
    e.memo = std::make_unique<TColorMemo>();
    e.memo->resize(800, 600);
    e.memo->show();
    e.memo->document()->setPlainText(e.text);
    e.search = std::make_unique<TDocumentSearch>(e.memo->Page());
    QApplication::processEvents();

    lpbench::TTimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto t = [&](const char* name) { return reporter.at(name).cpuMs; };
    auto ratio = [&](const char* what, const char* a, const char* b) {
        if (t(a) > 0 && t(b) > 0)
            std::printf("%-52s %6.2f\n", what, t(a) / t(b));
    };
    std::printf("\nProcessor time ratios (50 MB page, %d matches)\n", kMatches);
    ratio("find next / indexOf, match case", "BM_FindNext/1", "BM_IndexOf/1");
    ratio("find next / indexOf, any case", "BM_FindNext/0", "BM_IndexOf/0");
    ratio("first find next after a change / indexOf", "BM_FindNextAfterChange", "BM_IndexOf/1");
    ratio("replace all, text / building the result", "BM_ReplaceAllText/1/0", "BM_BuildResult");
    ratio("replace all, text, any case, whole word / building", "BM_ReplaceAllText/0/1",
          "BM_BuildResult");
    ratio("replace all in the editor / building the result", "BM_ReplaceAllDocument/iterations:3",
          "BM_BuildResult");
    ratio("undo of it / building the result", "BM_UndoReplaceAll/iterations:3", "BM_BuildResult");
    benchmark::Shutdown();
    return 0;
}
