// The markup checker on markup-dense pages of 10 and 50 MB, against one plain scan of the same
// bytes (memchr for every "^"); and what the check panel's snapshot of a 50 MB page costs the
// user-interface thread (the document's raw text) and its worker (page bytes). Ratios are printed
// after the runs.

#include "bench/BenchReport.h"
#include "markup/CheckRunner.h"
#include "markup/core/MarkupCheck.h"

#include <QGuiApplication>
#include <QTextDocument>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>

namespace {

// Every kind of markup on every line, about one code in every eight bytes, a few mistakes too.
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

std::map<int, std::string>& pages() {
    static std::map<int, std::string> p{{10, makePage(10)}, {50, makePage(50)}};
    return p;
}

void BM_MemchrCaret(benchmark::State& state) {
    const std::string& page = pages()[static_cast<int>(state.range(0))];
    for (auto _ : state) {
        size_t carets = 0;
        const char* p = page.data();
        const char* end = p + page.size();
        while ((p = static_cast<const char*>(std::memchr(p, '^', static_cast<size_t>(end - p))))) {
            ++carets;
            ++p;
        }
        benchmark::DoNotOptimize(carets);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

void BM_CheckMarkup(benchmark::State& state) {
    const std::string& page = pages()[static_cast<int>(state.range(0))];
    size_t findings = 0;
    for (auto _ : state) {
        const markup::TCheckResult r = markup::checkMarkup(page);
        findings = r.findings.size();
        benchmark::DoNotOptimize(findings);
    }
    state.counters["findings"] = static_cast<double>(findings);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

QTextDocument& document50() {
    static QTextDocument* doc = [] {
        auto* d = new QTextDocument;
        std::string page = pages()[50];
        d->setPlainText(QString::fromLatin1(page.data(), static_cast<qsizetype>(page.size())));
        return d;
    }();
    return *doc;
}

void BM_SnapshotRawText50(benchmark::State& state) {
    QTextDocument& doc = document50();
    for (auto _ : state)
        benchmark::DoNotOptimize(doc.toRawText());
}

void BM_SnapshotPageBytes50(benchmark::State& state) {
    const QString raw = document50().toRawText();
    for (auto _ : state)
        benchmark::DoNotOptimize(TCheckRunner::pageBytes(raw));
}

BENCHMARK(BM_MemchrCaret)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckMarkup)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SnapshotRawText50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SnapshotPageBytes50)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    lpbench::TTimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (int mb : {10, 50}) {
        const double check = reporter.at("BM_CheckMarkup/" + std::to_string(mb)).cpuMs;
        const double scan = reporter.at("BM_MemchrCaret/" + std::to_string(mb)).cpuMs;
        if (check > 0 && scan > 0)
            std::printf("%d MB: check %.1f ms, memchr scan %.1f ms, ratio %.2f (processor time)\n",
                        mb, check, scan, check / scan);
    }
    benchmark::Shutdown();
    return 0;
}
