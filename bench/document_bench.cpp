// Opening and saving pages of 1, 10 and 50 MB, each against what it cannot do without:
//   open to the whole page loaded and painted
//                             / a plain QPlainTextEdit given the same decoded text, and
//                             / reading and decoding the file alone;
//   open to the first paint   of a 50 MB page / of a 64 KB page;
//   save                      / encoding and writing the same bytes with plain file calls;
//   resident memory           at its peak during the open of a 50 MB page / once it is loaded.
// The ratios are printed after the runs.

#include "app/DocumentCommands.h"
#include "app/Unit1.h"
#include "bench/BenchFakes.h"
#include "bench/BenchReport.h"
#include "document/PageFiles.h"
#include "document/core/PageFile.h"
#include "editor/ColMemo.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <unistd.h>

namespace {

constexpr int kSizesMb[] = {1, 10, 50};

struct Env {
    QTemporaryDir dir;
    std::map<int, QString> pages;           // size in MB -> path
    std::map<int, QString> firstPaintPages; // size in KB -> path
    lpbench::NullPrompts prompts;
    lpbench::NullDialogs dialogs;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<QPlainTextEdit> plain;
};
Env* env = nullptr;

void paint(QPlainTextEdit& edit) {
    edit.viewport()->repaint();
}

void BM_OpenOurs(benchmark::State& state) {
    const QString path = env->pages[int(state.range(0))];
    for (auto _ : state) {
        state.PauseTiming(); // opening into an empty window, as after New
        env->form->Clm1->Clear();
        paint(*env->form->Clm1);
        state.ResumeTiming();
        env->form->openFromCommandLine(path);
        paint(*env->form->Clm1);
        while (env->form->documentCommands().loading())
            QApplication::processEvents();
        paint(*env->form->Clm1);
    }
    state.SetBytesProcessed(state.iterations() * (state.range(0) << 20));
}

// From the open to the first screenful painted; the rest of the load is dropped untimed.
void BM_FirstPaint(benchmark::State& state) {
    const QString path = env->firstPaintPages[int(state.range(0))];
    for (auto _ : state) {
        state.PauseTiming();
        env->form->Clm1->Clear();
        paint(*env->form->Clm1);
        state.ResumeTiming();
        env->form->openFromCommandLine(path);
        paint(*env->form->Clm1);
        state.PauseTiming();
        env->form->documentCommands().cancelLoading();
        state.ResumeTiming();
    }
}

void BM_OpenPlainEdit(benchmark::State& state) {
    const QString text = loadPageFile(env->pages[int(state.range(0))]).text;
    for (auto _ : state) {
        state.PauseTiming();
        env->plain->clear();
        paint(*env->plain);
        state.ResumeTiming();
        env->plain->setPlainText(text);
        paint(*env->plain);
    }
}

void BM_ReadDecode(benchmark::State& state) {
    const QString path = env->pages[int(state.range(0))];
    for (auto _ : state)
        benchmark::DoNotOptimize(loadPageFile(path).text.size());
}

void BM_SaveOurs(benchmark::State& state) {
    env->form->openFromCommandLine(env->pages[int(state.range(0))]);
    env->form->documentCommands().finishLoading();
    // A file of its own for each size: Save would take one written by another run for a change
    // made outside and ask before overwriting it.
    const QString out = env->dir.filePath(QString("saved-ours-%1.txt").arg(state.range(0)));
    QFile::remove(out);
    env->form->SaveDialog1.fileName = out;
    for (auto _ : state)
        if (!env->form->documentCommands().fileSave())
            state.SkipWithError("save failed");
}

// Our save syncs the new file to the disk before it replaces the old one; with sync the baseline
// syncs too.
void savePlainCalls(benchmark::State& state, bool sync) {
    const QString text = loadPageFile(env->pages[int(state.range(0))]).text;
    const QByteArray out = env->dir.filePath("saved-plain.txt").toLocal8Bit();
    const auto* units = reinterpret_cast<const char16_t*>(text.utf16());
    for (auto _ : state) {
        std::string bytes(pagefile::encodedSize(units, size_t(text.size())), '\0');
        pagefile::encode(units, size_t(text.size()), bytes.data());
        const int fd = ::open(out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const bool ok = fd >= 0 &&
                        ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size()) &&
                        (!sync || ::fdatasync(fd) == 0);
        if (fd >= 0)
            ::close(fd);
        if (!ok)
            state.SkipWithError("write failed");
    }
}

void BM_SavePlainCalls(benchmark::State& state) {
    savePlainCalls(state, false);
}
void BM_SavePlainCallsSynced(benchmark::State& state) {
    savePlainCalls(state, true);
}

void sizes(benchmark::internal::Benchmark* b) {
    for (int mb : kSizesMb)
        b->Arg(mb);
    b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
}

BENCHMARK(BM_OpenOurs)->Apply(sizes);
BENCHMARK(BM_OpenPlainEdit)->Apply(sizes);
BENCHMARK(BM_FirstPaint)
    ->Arg(64)
    ->Arg(50 << 10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK(BM_ReadDecode)->Apply(sizes);
BENCHMARK(BM_SaveOurs)->Apply(sizes);
BENCHMARK(BM_SavePlainCalls)->Apply(sizes);
BENCHMARK(BM_SavePlainCallsSynced)->Apply(sizes);

// Resident memory of this process in kilobytes: "VmRSS:" now, "VmHWM:" at its peak.
long statusKb(const char* field) {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').first().toLong();
    return 0;
}

// A child process of its own opens one page, in the program's window (ours) or in a plain
// QPlainTextEdit given the decoded text, and prints its resident memory before the open, at the
// peak and once the page is loaded and painted, and the page's characters.
int memoryChild(const QString& which, const QString& path) {
    lpbench::NullPrompts prompts;
    lpbench::NullDialogs dialogs;
    std::unique_ptr<QWidget> window;
    long before = 0;
    qsizetype chars = 0;
    if (which == "ours") {
        auto form = std::make_unique<TForm1>(TForm1Services{&prompts, &dialogs});
        form->resize(800, 600);
        form->show();
        QApplication::processEvents();
        before = statusKb("VmRSS:");
        form->openFromCommandLine(path);
        while (form->documentCommands().loading())
            QApplication::processEvents();
        paint(*form->Clm1);
        chars = form->Clm1->document()->characterCount();
        window = std::move(form);
    } else {
        auto plain = std::make_unique<QPlainTextEdit>();
        plain->resize(800, 600);
        plain->show();
        QApplication::processEvents();
        before = statusKb("VmRSS:");
        plain->setPlainText(loadPageFile(path).text);
        paint(*plain);
        chars = plain->document()->characterCount();
        window = std::move(plain);
    }
    QApplication::processEvents();
    std::printf("%ld %ld %ld %lld\n", before, statusKb("VmHWM:"), statusKb("VmRSS:"),
                static_cast<long long>(chars));
    return 0;
}

void BM_LoadMemory50MB(benchmark::State& state) {
    auto child = [](const char* which) {
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(),
                {QString("--memory=") + which, env->pages[50]});
        p.waitForFinished(600'000);
        const QList<QByteArray> f = p.readAllStandardOutput().trimmed().split(' ');
        std::array<double, 4> v{};
        for (std::size_t i = 0; i < v.size() && i < std::size_t(f.size()); ++i)
            v[i] = f[qsizetype(i)].toDouble();
        return v; // before, peak, settled (kB), characters
    };
    for (auto _ : state) {
        const auto ours = child("ours");
        const auto plain = child("plain");
        state.counters["settled_MB"] = ours[2] / 1024;
        state.counters["peak_MB"] = ours[1] / 1024;
        state.counters["peak_over_settled"] = ours[1] / ours[2];
        state.counters["bytes_per_char"] = (ours[2] - ours[0]) * 1024 / ours[3];
        state.counters["plain_settled_MB"] = plain[2] / 1024;
        state.counters["plain_peak_MB"] = plain[1] / 1024;
        state.counters["plain_bytes_per_char"] = (plain[2] - plain[0]) * 1024 / plain[3];
    }
}
BENCHMARK(BM_LoadMemory50MB)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]).startsWith("--memory="))
        return memoryChild(QString(argv[1]).mid(9), QString(argv[2]));
    benchmark::Initialize(&argc, argv);

    Env e;
    env = &e;
    for (int mb : kSizesMb) {
        const QString path = e.dir.filePath(QString("page-%1mb.txt").arg(mb));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(lpbench::markupPage(mb)) < 0)
            return 1;
        e.pages[mb] = path;
    }
    for (int kb : {64, 50 << 10}) {
        const QString path = e.dir.filePath(QString("first-%1kb.txt").arg(kb));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) ||
            f.write(lpbench::markupPage(kb > 1024 ? 50 : 1).left(qsizetype(kb) << 10)) < 0)
            return 1;
        e.firstPaintPages[kb] = path;
    }
    e.form = std::make_unique<TForm1>(TForm1Services{&e.prompts, &e.dialogs});
    e.form->resize(800, 600);
    e.form->show();
    e.plain = std::make_unique<QPlainTextEdit>();
    e.plain->setFont(e.form->Clm1->font());
    e.plain->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    e.plain->resize(e.form->Clm1->size());
    e.plain->show();
    QApplication::processEvents();

    lpbench::TTimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // On a machine shared with other work the processor times are the steadier figures.
    for (const bool cpu : {false, true}) {
        auto t = [&](const char* name, int mb) {
            const lpbench::TRunTimes r = reporter.at(std::string(name) + "/" + std::to_string(mb));
            return cpu ? r.cpuMs : r.realMs;
        };
        std::printf("\n%s time ratios\n%-4s %11s %11s %11s %11s %11s\n", cpu ? "Processor" : "Real",
                    "MB", "open/plain", "open/read", "save/plain", "save/synced", "open ms/MB");
        for (int mb : kSizesMb) {
            const double open = t("BM_OpenOurs", mb), plain = t("BM_OpenPlainEdit", mb);
            const double read = t("BM_ReadDecode", mb), save = t("BM_SaveOurs", mb);
            const double savePlain = t("BM_SavePlainCalls", mb);
            const double saveSynced = t("BM_SavePlainCallsSynced", mb);
            std::printf("%-4d %11.2f %11.2f %11.2f %11.2f %11.1f\n", mb, plain ? open / plain : 0,
                        read ? open / read : 0, savePlain ? save / savePlain : 0,
                        saveSynced ? save / saveSynced : 0, open / mb);
        }
        if (const double small = t("BM_FirstPaint", 64); small > 0)
            std::printf("first paint at 50 MB / at 64 KB: %.2f\n",
                        t("BM_FirstPaint", 50 << 10) / small);
        if (const double at1 = t("BM_OpenOurs", 1); at1 > 0)
            std::printf("open ms per MB at 50 MB / at 1 MB: %.2f\n",
                        t("BM_OpenOurs", 50) / 50 / at1);
    }
    benchmark::Shutdown();
    return 0;
}
