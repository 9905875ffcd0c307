// Print layout of long lines: the longest-fitting-prefix search against dropping one character at
// a time, on a device whose measuring costs what the run is long (as real text measuring does).
#include "print/core/PrintLayout.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

class CountingDevice : public TPrintDevice {
public:
    long pages = 0;
    int pageWidth() const override { return 800; }
    int pageHeight() const override { return 10000; }
    TExtent measure(std::u16string_view run) override {
        int w = 0;
        for (char16_t c : run)
            w += c == u'W' ? 14 : 10;
        return {w, 12};
    }
    int charHeight() const override { return 12; }
    int averageCharWidth() const override { return 10; }
    void drawText(int, int, std::u16string_view run) override {
        benchmark::DoNotOptimize(run.data());
    }
    void newPage() override { ++pages; }
    void endJob() override {}
};

// The same cut, one character dropped and measured again at a time.
void naiveCut(CountingDevice& dev, std::u16string_view piece) {
    int y = 0;
    while (!piece.empty()) {
        std::size_t n = piece.size();
        while (n > 0 && dev.measure(piece.substr(0, n)).width > dev.pageWidth())
            --n;
        if (n == 0)
            n = 1;
        dev.drawText(0, y, piece.substr(0, n));
        y += 14;
        piece.remove_prefix(n);
    }
}

std::vector<std::u16string> longLines(int count) {
    std::u16string line;
    for (std::size_t i = 0; i < TPrintLayout::kMaxLineLength; ++i)
        line += i % 7 == 0 ? u'W' : u'a';
    return std::vector<std::u16string>(count, line);
}

void BM_PrintLongLines(benchmark::State& state) {
    const auto lines = longLines(20);
    for (auto _ : state) {
        CountingDevice dev;
        printDocument(dev, lines);
        benchmark::DoNotOptimize(dev.pages);
    }
    state.SetItemsProcessed(state.iterations() * lines.size());
}
BENCHMARK(BM_PrintLongLines);

void BM_PrintLongLinesDroppingOneAtATime(benchmark::State& state) {
    const auto lines = longLines(20);
    for (auto _ : state) {
        CountingDevice dev;
        for (const auto& line : lines)
            naiveCut(dev, line);
        benchmark::DoNotOptimize(dev.pages);
    }
    state.SetItemsProcessed(state.iterations() * lines.size());
}
BENCHMARK(BM_PrintLongLinesDroppingOneAtATime);

void BM_PrintShortLines(benchmark::State& state) {
    const std::vector<std::u16string> lines(10000, u"^Bshort^b line\twith a tab");
    for (auto _ : state) {
        CountingDevice dev;
        printDocument(dev, lines);
        benchmark::DoNotOptimize(dev.pages);
    }
    state.SetItemsProcessed(state.iterations() * lines.size());
}
BENCHMARK(BM_PrintShortLines);

} // namespace

BENCHMARK_MAIN();
