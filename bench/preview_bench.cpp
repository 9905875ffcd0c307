// The page preview on markup pages of 1 and 50 MB: what a key costs with the preview showing
// (against the same key without it), a key that opens a span at the top of a 1 MB page against a
// full rebuild, and the first showing of a 1 MB page against the toolkit's own plain layout of
// the same text. At 50 MB: how long until the top shows, and the memory of the preview beside the
// editor's. Ratios are printed after the runs.

#include "bench/BenchReport.h"
#include "document/PageDocument.h"
#include "document/PageText.h"
#include "markup/PreviewDocument.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextDocument>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr qreal kWidth = 420; ///< the preview's text width, as a dock a third of a window wide

QString pageOf(int mb) {
    return pagetext::fromPageBytes(lpbench::markupPage(mb).toStdString());
}

struct TSetup {
    std::unique_ptr<TPageDocument> page;
    std::unique_ptr<TPreviewDocument> preview;
};

// A page of mb megabytes with its preview showing (at 50 MB: its first slice only).
TSetup& setup(int mb, bool preview) {
    static std::map<std::pair<int, bool>, TSetup> setups;
    TSetup& s = setups[{mb, preview}];
    if (!s.page) {
        s.page = std::make_unique<TPageDocument>();
        s.page->setPageText(pageOf(mb));
        if (preview) {
            s.preview = std::make_unique<TPreviewDocument>(*s.page);
            s.preview->document()->setTextWidth(kWidth);
            s.preview->setActive(true);
            s.preview->document()->documentLayout()->documentSize(); // laid out once, as shown
        }
    }
    return s;
}

// A letter typed in the tenth line and taken back: two keys an iteration.
void key(TPageDocument& page) {
    const int at = page.lineOffset(10) + 5;
    page.replace(at, 0, "x");
    page.replace(at, 1, QString());
}

void BM_Key(benchmark::State& state) {
    TSetup& s = setup(static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        key(*s.page);
        if (s.preview)
            s.preview->document()->documentLayout()->documentSize(); // its layout of the edit
    }
}

// The same key, the preview's own work only: its layout left for later.
void BM_KeyUnlaid(benchmark::State& state) {
    TSetup& s = setup(static_cast<int>(state.range(0)), true);
    for (auto _ : state)
        key(*s.page);
    s.preview->document()->documentLayout()->documentSize();
}

// "^I" typed at the top of the page and taken back: each reads every line after it again.
void BM_OpenSpanAtTop(benchmark::State& state) {
    TSetup& s = setup(1, true);
    for (auto _ : state) {
        s.page->replace(0, 0, "^I");
        s.preview->document()->documentLayout()->documentSize();
        s.page->replace(0, 2, QString());
        s.preview->document()->documentLayout()->documentSize();
    }
}

// The same, each time read and written to the end of the page before the next.
void BM_OpenSpanAtTopSwept(benchmark::State& state) {
    TSetup& s = setup(1, true);
    for (auto _ : state) {
        s.page->replace(0, 0, "^I");
        s.preview->readAll();
        s.preview->document()->documentLayout()->documentSize();
        s.page->replace(0, 2, QString());
        s.preview->readAll();
        s.preview->document()->documentLayout()->documentSize();
    }
}

void BM_FullRebuild(benchmark::State& state) {
    TSetup& s = setup(1, true);
    for (auto _ : state) {
        s.preview->rebuild(-1);
        s.preview->document()->documentLayout()->documentSize();
    }
}

// The preview's first showing: read, written and laid out.
void BM_FirstShow(benchmark::State& state) {
    TSetup& s = setup(1, false);
    for (auto _ : state) {
        TPreviewDocument preview(*s.page);
        preview.document()->setTextWidth(kWidth);
        preview.setActive(true);
        preview.readAll();
        benchmark::DoNotOptimize(preview.document()->documentLayout()->documentSize());
    }
}

// The same text without its codes and without styles, as the toolkit lays plain text out.
void BM_PlainLayout(benchmark::State& state) {
    static const QString shown = [] {
        TSetup& s = setup(1, true);
        return s.preview->document()->toPlainText();
    }();
    for (auto _ : state) {
        QTextDocument doc;
        doc.setDefaultFont(TPreviewDocument::defaultFont());
        doc.setUndoRedoEnabled(false);
        doc.setTextWidth(kWidth);
        doc.setPlainText(shown);
        benchmark::DoNotOptimize(doc.documentLayout()->documentSize());
    }
}

BENCHMARK(BM_Key)->Args({1, 0})->Args({1, 1})->Args({50, 0})->Args({50, 1})->Unit(
    benchmark::kMillisecond);
BENCHMARK(BM_KeyUnlaid)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSpanAtTop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSpanAtTopSwept)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullRebuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstShow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLayout)->Unit(benchmark::kMillisecond);

long statusKb(const char* field) {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(static_cast<int>(qstrlen(field))).trimmed().split(' ').first().toLong();
    return 0;
}

// At 50 MB: how long the preview takes to show its top, and then to write the whole page; the
// memory of the editor's page and of the complete preview.
void report50() {
    const long start = statusKb("VmRSS:");
    TPageDocument page;
    page.setPageText(pageOf(50));
    page.textDocument()->documentLayout(); // as the editor holds it
    const long withPage = statusKb("VmRSS:");
    TPreviewDocument preview(page);
    preview.document()->setTextWidth(kWidth);
    QElapsedTimer clock;
    clock.start();
    preview.setActive(true);
    const qint64 shown = clock.elapsed();
    const int firstLines = preview.readLines();
    // The slices between events, for 20 seconds at most; the longest slice is what an event waits.
    qint64 longest = 0;
    while (!preview.complete() && clock.elapsed() < 20000) {
        QElapsedTimer slice;
        slice.start();
        QCoreApplication::processEvents();
        longest = std::max(longest, slice.elapsed());
    }
    const qint64 all = clock.elapsed();
    const long withPreview = statusKb("VmRSS:");
    const int lines = preview.readLines();
    std::printf("50 MB: top shown after %lld ms (%d of %d lines); then %d lines in slices in %lld "
                "ms, the longest slice %lld ms\n",
                static_cast<long long>(shown), firstLines, page.lineCount(), lines,
                static_cast<long long>(all), static_cast<long long>(longest));
    // A key near the top with that much of the page written, its layout included.
    QElapsedTimer keyClock;
    keyClock.start();
    for (int k = 0; k < 5; ++k) {
        key(page);
        preview.document()->documentLayout()->documentSize();
    }
    std::printf("50 MB: a key near the top with %d lines written: %.1f ms\n", lines,
                keyClock.elapsed() / 10.0);
    std::printf("50 MB memory: the page %ld MB; the preview %ld MB for %d lines (%.0f MB for the "
                "whole page at that rate)\n",
                (withPage - start) / 1024, (withPreview - withPage) / 1024, lines,
                (withPreview - withPage) / 1024.0 * page.lineCount() / std::max(lines, 1));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    lpbench::TTimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ms = [&](const std::string& name) { return reporter.at(name).realMs; };
    for (int mb : {1, 50}) {
        const std::string n = std::to_string(mb);
        const double with = ms("BM_Key/" + n + "/1") / 2, without = ms("BM_Key/" + n + "/0") / 2;
        if (with > 0)
            std::printf("%d MB: a key %.2f ms with the preview, %.2f ms without: the preview's "
                        "share %.2f ms (target: at most 10 ms)\n",
                        mb, with, without, with - without);
    }
    if (ms("BM_FullRebuild") > 0)
        std::printf("1 MB: a key opening a span at the top %.1f ms, full rebuild %.1f ms, ratio "
                    "%.2f (target: at most 1.5)\n",
                    ms("BM_OpenSpanAtTop") / 2, ms("BM_FullRebuild"),
                    ms("BM_OpenSpanAtTop") / 2 / ms("BM_FullRebuild"));
    if (ms("BM_FullRebuild") > 0)
        std::printf("1 MB: the same key with the rest of the page read in slices %.1f ms in all, "
                    "ratio %.2f to a full rebuild\n",
                    ms("BM_OpenSpanAtTopSwept") / 2,
                    ms("BM_OpenSpanAtTopSwept") / 2 / ms("BM_FullRebuild"));
    if (ms("BM_PlainLayout") > 0)
        std::printf("1 MB: first showing %.1f ms, plain layout %.1f ms, ratio %.2f (target: at "
                    "most 1.3)\n",
                    ms("BM_FirstShow"), ms("BM_PlainLayout"),
                    ms("BM_FirstShow") / ms("BM_PlainLayout"));
    if (qEnvironmentVariableIsEmpty("LARKPAD_BENCH_SKIP_50"))
        report50();
    benchmark::Shutdown();
    return 0;
}
