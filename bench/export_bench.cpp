// The book exported as HTML: 500 pages of 10 KB each written as a site (styled pages, index, list
// of the files), against the preview's own reading of the same pages into styled runs. The ratio
// is printed after the runs.

#include "bench/BenchReport.h"
#include "export/core/BookExport.h"
#include "export/core/PageHtml.h"
#include "markup/core/PreviewRuns.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace {

constexpr int kPages = 500;
constexpr int kPageBytes = 10 * 1024;

// The book: pages of the benchmarks' markup, each cut at a line's end near 10 KB, that link to
// each other ("page2.txt").
const std::vector<bookexport::TExportPage>& book() {
    static const std::vector<bookexport::TExportPage> pages = [] {
        const QByteArray markup = lpbench::markupPage(1);
        const std::string text(markup.constData(),
                               static_cast<std::size_t>(markup.indexOf('\n', kPageBytes) + 1));
        std::vector<bookexport::TExportPage> p;
        for (int k = 1; k <= kPages; ++k)
            p.push_back({"page" + std::to_string(k) + ".txt", "Page " + std::to_string(k), text});
        return p;
    }();
    return pages;
}

void BM_PreviewRuns(benchmark::State& state) {
    for (auto _ : state) {
        for (const bookexport::TExportPage& page : book()) {
            markup::TPreviewState s;
            for (const std::string_view line : markup::previewLines(page.bytes))
                benchmark::DoNotOptimize(markup::readPreviewLine(line, s));
        }
    }
}

// The pages' HTML alone, nothing written.
void BM_PagesHtml(benchmark::State& state) {
    struct TBook : bookexport::TPageContext {
        std::string pageFile(std::string_view name) override { return std::string(name); }
        std::string neighbourFile(int) override { return "next.html"; }
        std::string fileCopy(std::string_view, bookexport::TFileUse, std::string&) override {
            return {};
        }
        void note(int, std::string) override {}
    } context;
    std::string html;
    for (auto _ : state) {
        for (const bookexport::TExportPage& page : book()) {
            html.clear();
            bookexport::appendPageBody(page.bytes, context, html);
            benchmark::DoNotOptimize(html.data());
        }
    }
}

// Into an empty folder (range 0), or again into the folder of the previous export (range 1).
void BM_Export(benchmark::State& state) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("lp-export-bench-" + std::to_string(getpid()));
    bookexport::TExportOptions options;
    options.folder = folder.string();
    options.bookFolder = folder.string();
    if (state.range(0) == 1)
        bookexport::exportBook(book(), options); // the previous export
    for (auto _ : state) {
        if (state.range(0) == 0) {
            state.PauseTiming();
            std::filesystem::remove_all(folder);
            state.ResumeTiming();
        }
        const bookexport::TExportResult r = bookexport::exportBook(book(), options);
        if (r.end != bookexport::TExportResult::TEnd::done)
            state.SkipWithError(r.error.c_str());
    }
    std::filesystem::remove_all(folder);
}

BENCHMARK(BM_PreviewRuns)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PagesHtml)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Export)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    lpbench::TTimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ms = [&](const std::string& name) { return reporter.at(name).realMs; };
    const double runs = ms("BM_PreviewRuns/real_time");
    if (runs > 0)
        std::printf("%d pages of 10 KB: the preview's runs %.1f ms; the pages' HTML alone %.1f ms "
                    "(ratio %.2f); export into an empty folder %.1f ms (ratio %.2f), again into "
                    "the same folder %.1f ms (ratio %.2f) (target: at most 3)\n",
                    kPages, runs, ms("BM_PagesHtml/real_time"), ms("BM_PagesHtml/real_time") / runs,
                    ms("BM_Export/0"), ms("BM_Export/0") / runs, ms("BM_Export/1"),
                    ms("BM_Export/1") / runs);
    benchmark::Shutdown();
    return 0;
}
