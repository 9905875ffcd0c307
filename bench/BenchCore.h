#pragma once

// What every benchmark shares, the plain C++ ones too: the times of every run, kept as they are
// reported for the closing ratios, and the page of markup that the page benchmarks work on.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace lpbench {

struct TRunTimes {
    double realMs = 0; ///< in the benchmark's time unit, per iteration
    double cpuMs = 0;
    std::map<std::string, double> counters;
};

// The console report, keeping every run's times for the ratios printed after the runs.
class TTimesReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            TRunTimes t{r.GetAdjustedRealTime(), r.GetAdjustedCPUTime(), {}};
            for (const auto& [name, counter] : r.counters)
                t.counters[name] = counter.value;
            const std::string name = r.benchmark_name();
            runs_[name] = t;
            // "BM_OpenOurs/10/min_time:2.000/real_time" is found as "BM_OpenOurs/10" too.
            runs_.emplace(name.substr(0, name.find('/', name.find('/') + 1)), t);
        }
    }
    // The times of the run with that name (or that name and argument); zero when it did not run.
    TRunTimes at(const std::string& name) const {
        const auto it = runs_.find(name);
        return it == runs_.end() ? TRunTimes() : it->second;
    }

private:
    std::map<std::string, TRunTimes> runs_;
};

// A page of markup as authors write it, about mb megabytes of CR LF lines in the page code page.
inline std::string markupBytes(int mb) {
    const char* const lines[] = {
        "^BChapitre^b : la ^Irivi\xE8re^i coule sous le pont, ^P4rouge^p et [Nom] attendent.\r\n",
        "^LVoir la suite=GotoPage \"page2.txt\"^l ^F14grand^f texte \x80 prix 12,50\r\n",
        "Une ligne ordinaire de texte sans code, assez longue pour passer \xE0 la ligne "
        "quand la fen\xEAtre est \xE9troite et que le retour automatique est actif.\r\n",
        "\r\n",
    };
    std::string page;
    page.reserve(std::size_t(mb) << 20);
    for (int i = 0; page.size() < (std::size_t(mb) << 20); ++i)
        page += lines[i % 4];
    return page;
}

} // namespace lpbench
