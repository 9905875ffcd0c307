// The outline's refresh on a markup-dense page of 50 MB (a target, a link to it and three other
// links every four lines): the snapshot the user-interface thread takes (the document's raw text),
// the worker's reading (page bytes, index, groups), and the user-interface thread's showing of the
// new index in the panel; against the markup checker on the same bytes. Ratios are printed after
// the runs.

#include "bench/BenchReport.h"
#include "document/PageDocument.h"
#include "document/PageSlices.h"
#include "editor/ColMemo.h"
#include "markup/OutlinePanel.h"
#include "markup/PageIndexer.h"
#include "markup/core/MarkupCheck.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextDocument>
#include <QTreeView>
#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

std::string makePage(int mb) {
    const std::string lines[] = {
        "^BBold^b, ^IItalic^i and ^UUnder^u ^F14big^f ^P4navy^p text [Name] here\r\n",
        "^MChapter^m ^LBack to the start=:Chapter^l ^LNext=GotoNextPage^l ^T8tab^t\r\n",
        "^LClick=GotoPage \"Chapter 2\"^l ^C^Rcentred inverse^r^c ^X^Pstrike^x\r\n",
        "^LSound=PlaySoundFile \"sounds/a b.wav\" \"Once\"^l ^Bopen ^I^bcross^i ^Q\r\n",
    };
    std::string page;
    page.reserve(static_cast<size_t>(mb) << 20);
    for (size_t k = 0; page.size() < (static_cast<size_t>(mb) << 20); ++k)
        page += lines[k % 4];
    return page;
}

const std::string& page50() {
    static const std::string p = makePage(50);
    return p;
}

// The editor with the page, its indexer and the outline panel, made once.
struct TViews {
    TColorMemo memo;
    TPageIndexer indexer{memo.Page()};
    TOutlinePanel panel{&memo, &indexer};
    TViews() {
        memo.Page().setPageText(QString::fromLatin1(page50().data(), qsizetype(page50().size()))
                                    .replace(QLatin1String("\r\n"), QLatin1String("\n")));
        panel.show();
        indexer.now();
    }
};
TViews& views() {
    static TViews* v = new TViews;
    return *v;
}

void BM_CheckMarkup50(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(markup::checkMarkup(page50()).findings.size());
}

void BM_IndexBytes50(benchmark::State& state) {
    size_t links = 0;
    for (auto _ : state) {
        const auto x = TPageIndexer::make(page50(), 1);
        links = x->index.links.size();
    }
    state.counters["links"] = static_cast<double>(links);
}

// The whole page copied at once, as a short page is.
void BM_RawText50(benchmark::State& state) {
    TViews& v = views();
    for (auto _ : state)
        benchmark::DoNotOptimize(v.memo.Page().rawText());
}

// The sliced copy of a long page: all of its turns, and the longest one.
void BM_RefreshSnapshot50(benchmark::State& state) {
    TViews& v = views();
    double longest = 0;
    int turns = 0;
    for (auto _ : state) {
        TPageSlices slices(v.memo.Page());
        std::string bytes;
        bytes.reserve(page50().size());
        bool more = true;
        turns = 0;
        while (more) {
            QElapsedTimer clock;
            clock.start();
            while ((more = slices.next(bytes, qsizetype(1) << 16)) &&
                   clock.elapsed() < TPageIndexer::kTurnMs) {
            }
            longest = std::max(longest, clock.nsecsElapsed() / 1e6);
            ++turns;
        }
        benchmark::DoNotOptimize(bytes.size());
    }
    state.counters["longest_turn_ms"] = longest;
    state.counters["turns"] = turns;
}

void BM_RefreshWorker50(benchmark::State& state) {
    const QString raw = views().memo.Page().rawText();
    for (auto _ : state)
        benchmark::DoNotOptimize(TPageIndexer::make(TPageIndexer::pageBytes(raw), 1));
}

void BM_RefreshShow50(benchmark::State& state) {
    TViews& v = views();
    for (auto _ : state) {
        v.panel.showIndex();
        v.panel.tree()->doItemsLayout(); // what the next paint would do
    }
    state.counters["rows"] = static_cast<double>(v.panel.tree()->model()->rowCount());
}

BENCHMARK(BM_CheckMarkup50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexBytes50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawText50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshSnapshot50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshWorker50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshShow50)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    lpbench::TTimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double check = reporter.at("BM_CheckMarkup50").realMs;
    const double index = reporter.at("BM_IndexBytes50").realMs;
    const double snapshot = reporter.at("BM_RefreshSnapshot50").realMs;
    const double whole = reporter.at("BM_RawText50").realMs;
    const double turn = reporter.at("BM_RefreshSnapshot50").counters["longest_turn_ms"];
    const double worker = reporter.at("BM_RefreshWorker50").realMs;
    const double show = reporter.at("BM_RefreshShow50").realMs;
    if (check > 0 && index > 0 && worker > 0 && whole > 0)
        std::printf(
            "50 MB: index %.0f ms = %.2f x the check; worker %.0f ms; user-interface thread "
            "%.0f ms in all (sliced snapshot %.0f + show %.1f) = %.2f x the worker; longest "
            "turn %.1f ms = %.3f x copying the page at once (%.0f ms)\n",
            index, index / check, worker, snapshot + show, snapshot, show,
            (snapshot + show) / worker, turn + show, (turn + show) / whole, whole);
    benchmark::Shutdown();
    return 0;
}
