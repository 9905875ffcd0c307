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

// The whole page written styled into a document of its own and laid out, as the export has it.
void BM_WholePage(benchmark::State& state) {
    TSetup& s = setup(1, true);
    for (auto _ : state) {
        QTextDocument doc;
        doc.setTextWidth(kWidth);
        s.preview->writePage(doc);
        benchmark::DoNotOptimize(doc.documentLayout()->documentSize());
    }
}

// The same text without its codes and without styles, as the toolkit lays plain text out.
void BM_PlainLayout(benchmark::State& state) {
    static const QString shown = [] {
        TSetup& s = setup(1, true);
        QTextDocument doc;
        s.preview->writePage(doc);
        return doc.toPlainText();
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

// One very long line between two short ones: 10 million characters of words (0), 100,000 codes
// (1), a million characters of words (2).
QString longLinePage(int kind) {
    QString line;
    if (kind == 1)
        for (int k = 0; k < 50000; ++k)
            line += "^Bb^b x ";
    else
        while (line.size() < (kind == 0 ? 10000000 : 1000000))
            line += "words of a line ";
    return "top\n" + line + "\nend";
}

// Its first showing, laid out.
void BM_LongLineShow(benchmark::State& state) {
    TPageDocument page;
    page.setPageText(longLinePage(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        TPreviewDocument preview(page);
        preview.document()->setTextWidth(kWidth);
        preview.setActive(true);
        preview.readAll();
        benchmark::DoNotOptimize(preview.document()->documentLayout()->documentSize());
    }
}

// The same line written whole and laid out, as the export has it (and as the preview had it
// before it showed the start of such a line only).
void BM_LongLineWhole(benchmark::State& state) {
    TPageDocument page;
    page.setPageText(longLinePage(static_cast<int>(state.range(0))));
    TPreviewDocument preview(page);
    for (auto _ : state) {
        QTextDocument doc;
        doc.setTextWidth(kWidth);
        preview.writePage(doc);
        benchmark::DoNotOptimize(doc.documentLayout()->documentSize());
    }
}

// A letter typed in its middle and taken back, with the preview's layout of each and the place
// of the caret in it.
void BM_LongLineKey(benchmark::State& state) {
    TPageDocument page;
    page.setPageText(longLinePage(static_cast<int>(state.range(0))));
    TPreviewDocument preview(page);
    preview.document()->setTextWidth(kWidth);
    preview.setActive(true);
    preview.readAll();
    preview.document()->documentLayout()->documentSize();
    const int at = page.lineOffset(1) + page.lineText(1).size() / 2;
    for (auto _ : state) {
        page.replace(at, 0, "x");
        preview.document()->documentLayout()->documentSize();
        benchmark::DoNotOptimize(preview.positionOf(at)); // the panel follows the caret
        page.replace(at, 1, QString());
        preview.document()->documentLayout()->documentSize();
        benchmark::DoNotOptimize(preview.positionOf(at));
    }
}

BENCHMARK(BM_LongLineShow)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LongLineWhole)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LongLineKey)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Key)->Args({1, 0})->Args({1, 1})->Args({50, 0})->Args({50, 1})->Unit(
    benchmark::kMillisecond);
BENCHMARK(BM_KeyUnlaid)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSpanAtTop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSpanAtTopSwept)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullRebuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstShow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholePage)->Unit(benchmark::kMillisecond);
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

// At 50 MB: how long the preview takes to show its top, then to read the whole page's line
// states in slices; a key at the top and in the middle, a jump to the end; the memory of the
// editor's page and of the preview.
void report50() {
    const long start = statusKb("VmRSS:");
    TPageDocument page;
    page.setPageText(pageOf(50));
    page.textDocument()->documentLayout();    // as the editor holds it
    TPreviewDocument* shownPreview = nullptr; // laid out after each edit, as the dock would be
    const auto keys = [&](int line) {
        QElapsedTimer keyClock;
        keyClock.start();
        for (int k = 0; k < 5; ++k) {
            const int at = page.lineOffset(line) + 5;
            page.replace(at, 0, "x");
            if (shownPreview)
                shownPreview->document()->documentLayout()->documentSize();
            page.replace(at, 1, QString());
            if (shownPreview)
                shownPreview->document()->documentLayout()->documentSize();
        }
        return keyClock.nsecsElapsed() / 10 / 1e6;
    };
    // The page's own first keys there, before the preview: the page's layout rescans every block
    // when the widest line gets narrower, and lays out a block for each the first time.
    keys(10);
    keys(page.lineCount() / 2);
    const long withPage = statusKb("VmRSS:");
    TPreviewDocument preview(page);
    shownPreview = &preview;
    preview.document()->setTextWidth(kWidth);
    QElapsedTimer clock;
    clock.start();
    preview.setActive(true);
    preview.document()->documentLayout()->documentSize();
    const qint64 shown = clock.elapsed();
    const int firstLines = preview.readLines();
    // The slices between events, for 60 seconds at most; the longest slice is what an event waits.
    qint64 longest = 0;
    while (!preview.complete() && clock.elapsed() < 60000) {
        QElapsedTimer slice;
        slice.start();
        QCoreApplication::processEvents();
        longest = std::max(longest, slice.elapsed());
    }
    const qint64 all = clock.elapsed();
    std::printf("50 MB: top shown after %lld ms (%d of %d lines read); all read in slices in %lld "
                "ms, the longest slice %lld ms\n",
                static_cast<long long>(shown), firstLines, page.lineCount(),
                static_cast<long long>(all), static_cast<long long>(longest));
    const double top = keys(10);
    QElapsedTimer jump;
    jump.start();
    preview.holdLine(page.lineCount() / 2);
    preview.document()->documentLayout()->documentSize();
    const double jumpMs = jump.nsecsElapsed() / 1e6;
    const double middle = keys(page.lineCount() / 2);
    const long withPreview = statusKb("VmRSS:");
    const int windowLines = preview.windowLines();
    // The same keys without the preview: the page's own share.
    preview.setActive(false);
    shownPreview = nullptr;
    const double pageTop = keys(10), pageMiddle = keys(page.lineCount() / 2);
    std::printf("50 MB: the preview's share of a key at the top %.2f ms (%.2f - %.2f), in the "
                "middle %.2f ms (%.2f - %.2f) (target: at most 10 ms); the preview moved to the "
                "middle in %.1f ms\n",
                top - pageTop, top, pageTop, middle - pageMiddle, middle, pageMiddle, jumpMs);
    std::printf("50 MB memory: the page %ld MB; the preview %ld MB (%d lines in its window, the "
                "states of all %d)\n",
                (withPage - start) / 1024, (withPreview - withPage) / 1024, windowLines,
                page.lineCount());
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
    if (ms("BM_PlainLayout") > 0)
        std::printf("1 MB: the whole page styled in one document (the export's) %.1f ms, ratio "
                    "%.2f to the plain layout\n",
                    ms("BM_WholePage"), ms("BM_WholePage") / ms("BM_PlainLayout"));
    if (qEnvironmentVariableIsEmpty("LARKPAD_BENCH_SKIP_50"))
        report50();
    benchmark::Shutdown();
    return 0;
}
