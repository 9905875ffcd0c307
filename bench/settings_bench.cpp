// What closing costs with a [Positions] section grown to many keys (by hand or by another
// program): the places read at start, then written back as twenty, over 1,000 to 200,000 keys.
// Time per key should stay about the same: reading and writing a section is linear in its keys.

#include "settings/LpIniCtrl.h"
#include "settings/PagePositions.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QTemporaryDir* folder = nullptr;

QString storeFile() {
    return folder->filePath("bench.ini");
}

void writeStore(int keys) {
    QByteArray store = "[Positions]\n";
    for (int i = 0; i < keys; ++i)
        store += "P" + QByteArray::number(i) + "=0,0,0,0,-1,0,/p/" + QByteArray::number(i) + "\n";
    QFile f(storeFile());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(store) < 0)
        std::abort();
}

void BM_PositionsCutAtClose(benchmark::State& state) {
    const int keys = static_cast<int>(state.range(0));
    TLpIniCtrl store;
    store.Target = itIniFile;
    store.IniPrefix = ppFixed;
    store.setIniFile(storeFile());
    for (auto _ : state) {
        state.PauseTiming();
        writeStore(keys);
        state.ResumeTiming();
        TPagePositions positions;
        positions.load(store);
        positions.remember({"/page.txt", 1, 0, 1, 0, 10, 1});
        positions.save(store);
    }
}
BENCHMARK(BM_PositionsCutAtClose)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    folder = &dir;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
