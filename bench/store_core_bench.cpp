// The text store on a generated 50 MB page:
//   load                  the file read straight into the store, checked and indexed
//                         / read() into a buffer plus a memchr scan of its lines (the floor);
//   a character typed     and taken back again at the start, the middle and the end, one place
//                         at a time, and by turns at the start and the end (the gap and the line
//                         index's pending step moving across the whole page);
//   lineFromOffset        at random offsets.
// The ratio of the load to its floor is printed after the runs.

#include "bench/BenchCore.h"
#include "document/core/TextStore.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMb = 50;
std::string pagePath;
TTextStore* loaded = nullptr;

// Reads the file at path into room (its size), in the calls read() needs.
std::size_t readAll(const std::string& path, char* room, std::size_t size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::size_t done = 0;
    while (fd >= 0 && done < size) {
        const ssize_t got = ::read(fd, room + done, size - done);
        if (got <= 0)
            break;
        done += std::size_t(got);
    }
    if (fd >= 0)
        ::close(fd);
    return done;
}

std::size_t fileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? std::size_t(st.st_size) : 0;
}

void BM_LoadStore(benchmark::State& state) {
    for (auto _ : state) {
        TTextStore store;
        const std::size_t size = fileSize(pagePath);
        store.beginLoad(size);
        store.commitLoaded(readAll(pagePath, store.loadRoom(size), size));
        store.endLoad();
        benchmark::DoNotOptimize(store.lineCount());
    }
}

void BM_ReadAndScanLines(benchmark::State& state) {
    for (auto _ : state) {
        const std::size_t size = fileSize(pagePath);
        std::unique_ptr<char[]> bytes(new char[size]);
        const std::size_t n = readAll(pagePath, bytes.get(), size);
        std::size_t lines = 1;
        for (const char* p = bytes.get();
             const void* lf = std::memchr(p, '\n', n - std::size_t(p - bytes.get()));) {
            p = static_cast<const char*>(lf) + 1;
            ++lines;
        }
        benchmark::DoNotOptimize(lines);
    }
}

// Where the character goes, in hundredths of the page; -1 by turns at the start and the end.
void BM_TypeAndTakeBack(benchmark::State& state) {
    TTextStore& store = *loaded;
    bool atEnd = false;
    for (auto _ : state) {
        std::size_t at = state.range(0) < 0 ? (atEnd ? store.length() : 0)
                                            : store.length() / 100 * std::size_t(state.range(0));
        at = store.validOffset(at);
        atEnd = !atEnd;
        store.insert(at, "x", 1);
        store.remove(at, 1);
    }
}

void BM_LineFromOffset(benchmark::State& state) {
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> offsets(0, loaded->length());
    for (auto _ : state)
        benchmark::DoNotOptimize(loaded->lineFromOffset(offsets(random)));
}

BENCHMARK(BM_LoadStore)->Arg(kMb)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadAndScanLines)->Arg(kMb)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TypeAndTakeBack)->Arg(0)->Arg(50)->Arg(100)->Arg(-1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LineFromOffset);

} // namespace

int main(int argc, char** argv) {
    char path[] = "/tmp/larkpad-store-bench-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0)
        return 1;
    const std::string page = lpbench::markupBytes(kMb);
    const bool written = ::write(fd, page.data(), page.size()) == ssize_t(page.size());
    ::close(fd);
    pagePath = path;
    TTextStore store;
    store.load(page.data(), page.size());
    loaded = &store;

    benchmark::Initialize(&argc, argv);
    lpbench::TTimesReporter reporter;
    if (written)
        benchmark::RunSpecifiedBenchmarks(&reporter);
    ::unlink(path);
    // Both times: on a busy machine the wall clock counts the waits for a core as well.
    const lpbench::TRunTimes load = reporter.at("BM_LoadStore/" + std::to_string(kMb));
    const lpbench::TRunTimes floor = reporter.at("BM_ReadAndScanLines/" + std::to_string(kMb));
    if (load.realMs > 0 && floor.realMs > 0 && floor.cpuMs > 0)
        std::printf("\nload %d MB: %.1f ms (CPU %.1f), read() and a memchr line scan: %.1f ms "
                    "(CPU %.1f); ratio %.2f (CPU %.2f), goal <= 1.5\n",
                    kMb, load.realMs, load.cpuMs, floor.realMs, floor.cpuMs,
                    load.realMs / floor.realMs, load.cpuMs / floor.cpuMs);
    benchmark::Shutdown();
    return written ? 0 : 1;
}
