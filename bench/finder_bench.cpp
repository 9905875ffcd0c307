// The key finder and the paint pass over one screenful of markup-dense page text, against plain
// library scans of the same bytes. The "per_char" counter is the time per character of the region.

#include "editor/core/DrawPass.h"
#include "markup/core/PageMarkup.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// 60 lines of 100 characters with the codes an author writes: styles, sizes, colours, links,
// variables and targets between ordinary words.
std::string markupText() {
    static const char* pieces[] = {
        "^BBold^b ", "^Iitalic^i ", "^Uunder^u ", "^C",       "^c ",
        "^T8",       "^t ",         "^F12",       "^f ",      "^P3red^p ",
        "[name] ",   "^Mmark^m ",   "^XX^x ",     "^Rinv^r ", "^LClick here=GotoPage \"Intro\"^l ",
        "plain ",    "words ",      "and ",       "more ",    "text ",
    };
    std::mt19937 rng(7);
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
    std::string text;
    for (int line = 0; line < 60; ++line) {
        std::string l;
        while (l.size() < 100)
            l += pieces[pick(rng)];
        l.resize(100);
        text += l;
        if (line < 59)
            text += "\r\n";
    }
    return text;
}

void mainWindowRule(TColorRule& rule) {
    markup::applyEditorRuleSet(rule);
}

void perChar(benchmark::State& state, size_t chars) {
    state.counters["per_char"] = benchmark::Counter(static_cast<double>(chars),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * chars));
}

void BM_FindKeysMainRule(benchmark::State& state) {
    const std::string text = markupText();
    TColorRule rule;
    mainWindowRule(rule);
    TKeyDescrList keys;
    int found = 0;
    for (auto _ : state) {
        TCoveredRange covered;
        found = FindKeys(rule, keys, 0, text.c_str(), 0, static_cast<int>(text.size()), covered);
        benchmark::DoNotOptimize(found);
    }
    state.counters["keys"] = found;
    perChar(state, text.size());
}
BENCHMARK(BM_FindKeysMainRule);

void BM_RunPassMainRule(benchmark::State& state) {
    const std::string text = markupText();
    TDrawRules rules;
    mainWindowRule(rules.Add());
    TPassBuffers buffers;
    TPassInput in;
    in.Text = text.c_str();
    in.ScanEnd = static_cast<int>(text.size());
    in.SelStart = 120;
    in.SelLength = 30;
    in.WantTabs = true;
    in.HotSpot.Active = true;
    int runs = 0;
    for (auto _ : state) {
        PrepareRules(rules);
        runs = RunPass(rules, in, buffers);
        benchmark::DoNotOptimize(runs);
    }
    state.counters["runs"] = runs;
    perChar(state, text.size());
}
BENCHMARK(BM_RunPassMainRule);

// Baselines: one library scan of the region for one key.
void BM_BaselineStrstr(benchmark::State& state) {
    const std::string text = markupText();
    for (auto _ : state) {
        int n = 0;
        for (const char* p = std::strstr(text.c_str(), "^b"); p; p = std::strstr(p + 2, "^b"))
            ++n;
        benchmark::DoNotOptimize(n);
    }
    perChar(state, text.size());
}
BENCHMARK(BM_BaselineStrstr);

void BM_BaselineMemchr(benchmark::State& state) {
    const std::string text = markupText();
    for (auto _ : state) {
        int n = 0;
        const char* end = text.data() + text.size();
        for (const char* p = text.data();
             (p = static_cast<const char*>(std::memchr(p, '^', static_cast<size_t>(end - p)))); ++p)
            ++n;
        benchmark::DoNotOptimize(n);
    }
    perChar(state, text.size());
}
BENCHMARK(BM_BaselineMemchr);

} // namespace

BENCHMARK_MAIN();
