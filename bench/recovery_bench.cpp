// What a recovery copy costs the user-interface thread, on changed pages of 1, 10 and 50 MB:
//   one recovery write on the UI thread (snapshot of the text, handed to the worker)
//                             / toPlainText() of the same page,
// as wall time and as the UI thread's own processor time;
//   the whole write, worker included, for information.
// The ratios are printed after the runs.

#include "app/Recovery.h"
#include "app/Unit1.h"
#include "bench/BenchFakes.h"
#include "bench/BenchReport.h"
#include "editor/ColMemo.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>

namespace {

constexpr int kSizesMb[] = {1, 10, 50};

struct Env {
    QTemporaryDir dir;
    std::map<int, QString> pages; // size in MB -> path
    lpbench::NullPrompts prompts;
    lpbench::NullDialogs dialogs;
    std::unique_ptr<TForm1> form;
    int loaded = 0;
};
Env* env = nullptr;

// The page of that size, open and changed.
TColorMemo& changedPage(int mb) {
    if (env->loaded != mb) {
        env->form->openFromCommandLine(env->pages[mb]);
        env->form->Clm1->moveCursor(QTextCursor::End);
        env->form->Clm1->insertPlainText("!");
        env->loaded = mb;
    }
    return *env->form->Clm1;
}

// Wall and UI-thread processor time of one call, measured around the call alone: the machine
// may be shared, and the worker's own time must not count.
template <typename F> void timeOnThisThread(benchmark::State& state, F call) {
    double cpuMs = 0;
    for (auto _ : state) {
        timespec c0{}, c1{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c0);
        const auto t0 = std::chrono::steady_clock::now();
        call();
        const auto t1 = std::chrono::steady_clock::now();
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c1);
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        cpuMs += (c1.tv_sec - c0.tv_sec) * 1e3 + (c1.tv_nsec - c0.tv_nsec) / 1e6;
        env->form->recovery().waitIdle();
    }
    state.counters["thread_cpu_ms"] = cpuMs / double(state.iterations());
}

void BM_RecoveryWriteUiThread(benchmark::State& state) {
    changedPage(int(state.range(0)));
    TRecovery& recovery = env->form->recovery();
    timeOnThisThread(state, [&] { recovery.writeNow(); });
}

void BM_ToPlainText(benchmark::State& state) {
    TColorMemo& memo = changedPage(int(state.range(0)));
    timeOnThisThread(state, [&] { benchmark::DoNotOptimize(memo.toPlainText().size()); });
}

void BM_RecoveryWriteWhole(benchmark::State& state) {
    changedPage(int(state.range(0)));
    TRecovery& recovery = env->form->recovery();
    for (auto _ : state) {
        recovery.writeNow();
        recovery.waitIdle();
    }
}

void sizes(benchmark::internal::Benchmark* b) {
    for (int mb : kSizesMb)
        b->Arg(mb);
    b->Unit(benchmark::kMillisecond)->MinTime(1.0);
}

BENCHMARK(BM_RecoveryWriteUiThread)->Apply(sizes)->UseManualTime();
BENCHMARK(BM_ToPlainText)->Apply(sizes)->UseManualTime();
BENCHMARK(BM_RecoveryWriteWhole)->Apply(sizes)->UseRealTime();

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
        const QString path = e.dir.filePath(QString("page-%1mb.txt").arg(mb));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(lpbench::markupPage(mb)) < 0)
            return 1;
        e.pages[mb] = path;
    }
    e.form = std::make_unique<TForm1>(TForm1Services{&e.prompts, &e.dialogs});
    e.form->resize(800, 600);
    e.form->show();
    QApplication::processEvents();

    lpbench::TTimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // Wall time, and the processor time of the UI thread.
    auto t = [&](const char* name, int mb) {
        const lpbench::TRunTimes r = reporter.at(std::string(name) + "/" + std::to_string(mb));
        const auto cpu = r.counters.find("thread_cpu_ms");
        return std::pair(r.realMs, cpu == r.counters.end() ? 0.0 : cpu->second);
    };
    std::printf("\nUI thread: one recovery write / toPlainText() of the same page\n%-4s %12s %12s "
                "%8s %14s %14s %8s\n",
                "MB", "write ms", "plain ms", "wall", "write cpu ms", "plain cpu ms", "cpu");
    for (int mb : kSizesMb) {
        const auto [write, writeCpu] = t("BM_RecoveryWriteUiThread", mb);
        const auto [plain, plainCpu] = t("BM_ToPlainText", mb);
        std::printf("%-4d %12.2f %12.2f %8.2f %14.2f %14.2f %8.2f\n", mb, write, plain,
                    plain ? write / plain : 0, writeCpu, plainCpu,
                    plainCpu ? writeCpu / plainCpu : 0);
    }
    e.form->recovery().closeNormally();
    benchmark::Shutdown();
    return 0;
}
