// What a recovery copy costs, on changed pages of 1, 10 and 50 MB, the way copies were taken
// before (the whole text copied on the user-interface thread, then encoded and written whole) and
// the way they are taken now (slices over turns of the event loop, streamed to the file):
//   the user-interface thread: the longest time it is held at once, and its time in all;
//   memory: the peak above what the open page holds, and what stays once the copy is written;
//   restoring a copy / loading the page it holds.
// The ratios are printed after the runs.

#include "app/DocumentCommands.h"
#include "app/Recovery.h"
#include "app/Unit1.h"
#include "bench/BenchFakes.h"
#include "bench/BenchReport.h"
#include "document/PageDocument.h"
#include "document/PageText.h"
#include "document/RecoveryFiles.h"
#include "editor/ColMemo.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>

namespace {

constexpr int kSizesMb[] = {1, 10, 50};

struct Env {
    QTemporaryDir dir;
    std::map<int, QString> pages;  // size in MB -> path
    std::map<int, QString> copies; // size in MB -> a sound copy of that page
    lpbench::NullPrompts prompts;
    lpbench::NullDialogs dialogs;
    std::unique_ptr<TForm1> form;
    int loaded = 0;
};
Env* env = nullptr;

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}
// The processor time of this thread alone: the machine may be shared, and the worker's time must
// not count.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void loadPage(int mb) {
    env->form->openFromCommandLine(env->pages[mb]);
    env->form->documentCommands().finishLoading();
    QApplication::processEvents();
}

// The page of that size, open and changed.
TPageDocument& changedPage(int mb) {
    if (env->loaded != mb) {
        loadPage(mb);
        env->form->Clm1->moveCursor(QTextCursor::End);
        env->form->Clm1->insertPlainText("!");
        env->loaded = mb;
    }
    return env->form->Clm1->Page();
}

// Resident memory of this process in megabytes: "VmRSS:" now, "VmHWM:" at its peak since
// resetPeak().
double statusMb(const char* field) {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').first().toDouble() /
                   1024;
    return 0;
}
void resetPeak() {
    QFile f("/proc/self/clear_refs");
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

// Memory around each call: the peak above the resident memory before it, and what stayed.
template <typename F> void measureMemory(benchmark::State& state, F call) {
    double peak = 0, settled = 0, before = 0;
    for (auto _ : state) {
        before = statusMb("VmRSS:");
        resetPeak();
        call();
        QApplication::processEvents();
        peak = std::max(peak, statusMb("VmHWM:") - before);
        settled = statusMb("VmRSS:") - before;
    }
    state.counters["rss_mb"] = before;
    state.counters["peak_add_mb"] = peak;
    state.counters["settled_add_mb"] = settled;
}

// The way copies were taken before: the whole raw text on this thread, then encoded and written
// whole (by the worker then, here on this thread).
void copyWhole(TPageDocument& page, const QString& path) {
    QString text = page.rawText();
    const std::string bytes = pagetext::toPageBytes(text);
    text = QString();
    recovery::TCopyHeader header;
    const std::string head = recovery::copyHeader(header, bytes.data(), bytes.size());
    writeRecoveryCopy(path, head, QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())));
}

// The way they are taken now, to the end: the event loop takes the slices.
void copySliced() {
    TRecovery& recovery = env->form->recovery();
    recovery.writeNow();
    while (recovery.snapshotting())
        QApplication::processEvents();
    recovery.waitIdle();
}

void BM_UiWhole(benchmark::State& state) {
    TPageDocument& page = changedPage(int(state.range(0)));
    double cpu = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const double c0 = threadCpuMs();
        QString text = page.rawText();
        cpu += threadCpuMs() - c0;
        state.SetIterationTime(msSince(t0) / 1e3);
        benchmark::DoNotOptimize(text.size());
    }
    state.counters["cpu_ms"] = cpu / double(state.iterations());
}

// Iteration time: the longest stretch the thread is held (writeNow, then each turn).
void BM_UiSliced(benchmark::State& state) {
    changedPage(int(state.range(0)));
    TRecovery& recovery = env->form->recovery();
    double total = 0, cpuTotal = 0, cpuLongest = 0;
    int turns = 0;
    for (auto _ : state) {
        double longest = 0;
        bool first = true;
        while (first || recovery.snapshotting()) {
            const auto t0 = Clock::now();
            const double c0 = threadCpuMs();
            if (first)
                recovery.writeNow();
            else
                QApplication::processEvents();
            first = false;
            const double cpu = threadCpuMs() - c0;
            const double ms = msSince(t0);
            longest = std::max(longest, ms);
            cpuLongest = std::max(cpuLongest, cpu);
            total += ms;
            cpuTotal += cpu;
            ++turns;
        }
        state.SetIterationTime(longest / 1e3);
        recovery.waitIdle();
    }
    state.counters["ui_total_ms"] = total / double(state.iterations());
    state.counters["cpu_total_ms"] = cpuTotal / double(state.iterations());
    state.counters["cpu_longest_ms"] = cpuLongest;
    state.counters["turns"] = double(turns) / double(state.iterations());
}

void BM_CopyWhole(benchmark::State& state) {
    TPageDocument& page = changedPage(int(state.range(0)));
    const QString path = env->dir.filePath("whole.recovery");
    measureMemory(state, [&] { copyWhole(page, path); });
}

void BM_CopySliced(benchmark::State& state) {
    changedPage(int(state.range(0)));
    measureMemory(state, [] { copySliced(); });
}

// The page loaded from its file, from another page of the same size.
void BM_LoadPage(benchmark::State& state) {
    const int mb = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        env->form->documentCommands().fileNew();
        QApplication::processEvents();
        state.ResumeTiming();
        loadPage(mb);
    }
    env->loaded = 0;
}

// A sound copy of the page read back and put in the window.
void BM_RestoreCopy(benchmark::State& state) {
    const int mb = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        env->form->documentCommands().fileNew();
        QApplication::processEvents();
        state.ResumeTiming();
        const TRecoveredCopy copy = readRecoveryCopy(env->copies[mb]);
        if (!copy.ok)
            state.SkipWithError("the copy cannot be read");
        env->form->documentCommands().restore(copy.path, copy.text, copy.header.page);
        QApplication::processEvents();
    }
    env->loaded = 0;
}

void BM_LoadMemory(benchmark::State& state) {
    const int mb = int(state.range(0));
    env->form->documentCommands().fileNew();
    measureMemory(state, [mb] { loadPage(mb); });
    env->loaded = 0;
}

void BM_RestoreMemory(benchmark::State& state) {
    const int mb = int(state.range(0));
    env->form->documentCommands().fileNew();
    measureMemory(state, [mb] {
        const TRecoveredCopy copy = readRecoveryCopy(env->copies[mb]);
        env->form->documentCommands().restore(copy.path, copy.text, copy.header.page);
    });
    env->loaded = 0;
}

void sizes(benchmark::internal::Benchmark* b) {
    for (int mb : kSizesMb)
        b->Arg(mb);
    b->Unit(benchmark::kMillisecond)->MinTime(0.5);
}
void once(benchmark::internal::Benchmark* b) {
    for (int mb : kSizesMb)
        b->Arg(mb);
    b->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
}

BENCHMARK(BM_UiWhole)->Apply(sizes)->UseManualTime();
BENCHMARK(BM_UiSliced)->Apply(sizes)->UseManualTime();
BENCHMARK(BM_CopyWhole)->Apply(once);
BENCHMARK(BM_CopySliced)->Apply(once);
BENCHMARK(BM_LoadPage)->Apply(once);
BENCHMARK(BM_RestoreCopy)->Apply(once);
BENCHMARK(BM_LoadMemory)->Apply(once);
BENCHMARK(BM_RestoreMemory)->Apply(once);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    Env e;
    env = &e;
    // The copies go to the benchmark's own folder, never the user's.
    qputenv("XDG_STATE_HOME", e.dir.filePath("state").toLocal8Bit());
    for (int mb : kSizesMb) {
        const QByteArray bytes = lpbench::markupPage(mb);
        const QString path = e.dir.filePath(QString("page-%1mb.txt").arg(mb));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) < 0)
            return 1;
        e.pages[mb] = path;
        recovery::TCopyHeader header;
        header.path = path.toStdString();
        e.copies[mb] = e.dir.filePath(QString("copy-%1mb.recovery").arg(mb));
        if (!writeRecoveryCopy(
                e.copies[mb], recovery::copyHeader(header, bytes.constData(), bytes.size()), bytes))
            return 1;
    }
    e.form = std::make_unique<TForm1>(TForm1Services{&e.prompts, &e.dialogs});
    e.form->resize(800, 600);
    e.form->show();
    QApplication::processEvents();

    lpbench::TTimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto run = [&](const char* name, int mb) {
        return reporter.at(std::string(name) + "/" + std::to_string(mb));
    };
    auto counter = [](const lpbench::TRunTimes& r, const char* name) {
        const auto it = r.counters.find(name);
        return it == r.counters.end() ? 0.0 : it->second;
    };
    auto ratio = [](double a, double b) { return b ? a / b : 0; };
    std::printf("\nUser-interface thread: longest time held at once, sliced / whole copy (wall, "
                "and the thread's own processor time); all turns of a sliced copy\n"
                "%-4s %9s %9s %7s %9s %9s %7s %9s %9s %6s\n",
                "MB", "whole ms", "sliced", "ratio", "whole cpu", "sliced", "ratio", "all ms",
                "all cpu", "turns");
    for (int mb : kSizesMb) {
        const auto whole = run("BM_UiWhole", mb), sliced = run("BM_UiSliced", mb);
        const double wholeCpu = counter(whole, "cpu_ms"),
                     slicedCpu = counter(sliced, "cpu_longest_ms");
        std::printf("%-4d %9.2f %9.2f %7.3f %9.2f %9.2f %7.3f %9.2f %9.2f %6.0f\n", mb,
                    whole.realMs, sliced.realMs, ratio(sliced.realMs, whole.realMs), wholeCpu,
                    slicedCpu, ratio(slicedCpu, wholeCpu), counter(sliced, "ui_total_ms"),
                    counter(sliced, "cpu_total_ms"), counter(sliced, "turns"));
    }
    std::printf("\nMemory above the open page (MB): peak while a copy is written, what stays\n"
                "%-4s %8s %12s %12s %14s %14s\n",
                "MB", "rss", "whole peak", "sliced peak", "whole settled", "sliced settled");
    for (int mb : kSizesMb) {
        const auto whole = run("BM_CopyWhole", mb), sliced = run("BM_CopySliced", mb);
        std::printf("%-4d %8.0f %12.1f %12.1f %14.1f %14.1f\n", mb, counter(sliced, "rss_mb"),
                    counter(whole, "peak_add_mb"), counter(sliced, "peak_add_mb"),
                    counter(whole, "settled_add_mb"), counter(sliced, "settled_add_mb"));
    }
    std::printf("\nRestoring a copy / loading its page: time, and memory peak above before\n"
                "%-4s %10s %10s %8s %12s %12s\n",
                "MB", "load ms", "restore ms", "ratio", "load peak", "restore peak");
    for (int mb : kSizesMb) {
        const auto load = run("BM_LoadPage", mb), restore = run("BM_RestoreCopy", mb);
        std::printf("%-4d %10.1f %10.1f %8.3f %12.1f %12.1f\n", mb, load.realMs, restore.realMs,
                    ratio(restore.realMs, load.realMs),
                    counter(run("BM_LoadMemory", mb), "peak_add_mb"),
                    counter(run("BM_RestoreMemory", mb), "peak_add_mb"));
    }
    e.form->recovery().closeNormally();
    benchmark::Shutdown();
    return 0;
}
