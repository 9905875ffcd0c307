// The book over 2,000 pages of 10 KB: indexing them against reading the same files, and find in
// pages against counting the needle with a plain search over the same files. The ratios are
// printed at the end, from one run.

#include "book/core/BookFind.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace {

constexpr int kPages = 2000;
constexpr std::size_t kPageBytes = 10 * 1024;

// The book's folder, made once: pages that link to each other, set and read variables, show
// pictures.
const std::string& bookFolder() {
    static const std::string folder = [] {
        char name[] = "/tmp/lp-book-bench-XXXXXX";
        const std::string f = mkdtemp(name);
        for (int p = 0; p < kPages; ++p) {
            const std::string n = std::to_string(p);
            const std::string lines[] = {
                "^BChapitre " + n + "^b : la rivi\xE8re coule, ^P4rouge^p et [Nom] attendent.\r\n",
                "^LSuite=GotoPage \"" + std::to_string((p + 7) % kPages) +
                    "\"^l ^LNext=GotoNextPage^l\r\n",
                "^LVoir=ImageWindow \"T\" \"-1\" \"-1\" \"img/p" + n +
                    ".bmp\"^l ^LX=SetVar \"[Nom]\" \"1\"^l\r\n",
                "Une ligne ordinaire de texte sans code, assez longue pour passer \xE0 la "
                "ligne.\r\n",
            };
            std::string page;
            for (int i = 0; page.size() < kPageBytes; ++i)
                page += lines[i % 4];
            std::ofstream(f + "/" + n + ".txt", std::ios::binary) << page;
        }
        return f;
    }();
    return folder;
}

std::map<std::string, double> times, cpuTimes;

// Reading the book: listing its folder, reading every page.
void BM_ReadFiles(benchmark::State& state) {
    for (auto _ : state) {
        const book::TBook b = book::TBook::list(bookFolder());
        std::size_t total = 0;
        for (int i = 0; i < b.count(); ++i)
            total += book::readPageFile(b.pathOf(i)).bytes.size();
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_ReadFiles)->Unit(benchmark::kMillisecond);

void BM_IndexBook(benchmark::State& state) {
    for (auto _ : state) {
        book::TBookIndex x;
        x.setBook(book::TBook::list(bookFolder()));
        x.indexPending(book::readPageFile);
        benchmark::DoNotOptimize(x.entry(0).links.size());
    }
}
BENCHMARK(BM_IndexBook)->Unit(benchmark::kMillisecond);

// What a count of fixed strings in each file costs: read it, search it.
void BM_CountPlain(benchmark::State& state) {
    const book::TBook b = book::TBook::list(bookFolder());
    for (auto _ : state) {
        std::size_t count = 0;
        for (int i = 0; i < b.count(); ++i) {
            const std::string bytes = book::readPageFile(b.pathOf(i)).bytes;
            for (std::size_t at = bytes.find("rivi\xE8re"); at != std::string::npos;
                 at = bytes.find("rivi\xE8re", at + 1))
                ++count;
        }
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_CountPlain)->Unit(benchmark::kMillisecond);

void BM_FindInPages(benchmark::State& state) {
    const book::TBook b = book::TBook::list(bookFolder());
    for (auto _ : state) {
        const book::TFindOutcome found =
            book::findInPages(b, book::readPageFile, "rivi\xE8re", {true, false});
        benchmark::DoNotOptimize(found.results.size());
    }
}
BENCHMARK(BM_FindInPages)->Unit(benchmark::kMillisecond);

class TReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            times[r.benchmark_name()] = r.GetAdjustedRealTime();
            cpuTimes[r.benchmark_name()] = r.GetAdjustedCPUTime();
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    bookFolder();
    TReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    // Real time and the process's own time (the second steadier on a busy machine).
    const auto ratios = [](const char* what, const char* a, const char* b) {
        const auto ratio = [&](std::map<std::string, double>& t) {
            return t[b] > 0 ? t[a] / t[b] : 0.0;
        };
        std::printf("%s: %.2f real, %.2f CPU (at most 2)\n", what, ratio(times), ratio(cpuTimes));
    };
    ratios("index / read", "BM_IndexBook", "BM_ReadFiles");
    ratios("find in pages / plain count", "BM_FindInPages", "BM_CountPlain");
    std::filesystem::remove_all(bookFolder());
}
