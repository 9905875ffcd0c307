// Export of a 10 MB page to PDF against the print layout alone: the layout on a device that
// measures by a table and draws nothing, the same with the real font's measuring, and the whole
// export (measuring, drawing, PDF writing) into a file.
#include "platform/PdfExport.h"
#include "platform/Printing.h"
#include "platform/QtPrintDevice.h"
#include "print/core/PrintLayout.h"

#include <QApplication>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

TFontAttributes benchFont() {
    TFontAttributes font;
    font.name = "DejaVu Sans Mono";
    font.size = 10;
    return font;
}

// About 10 MB of page text: lines of 40 to 100 characters, with codes, accents and tabs.
const std::vector<std::u16string>& tenMegabytes() {
    static const std::vector<std::u16string> lines = [] {
        std::vector<std::u16string> v;
        std::size_t bytes = 0;
        const std::u16string words[] = {u"^Bgras^b", u"café", u"5 €", u"œuvre", u"\t",   u"page",
                                        u"[Var]",    u"text", u"of",  u"the",   u"lazy", u"dog"};
        unsigned seed = 1;
        while (bytes < 10u << 20) {
            std::u16string line;
            const std::size_t length = 40 + (seed = seed * 1103515245 + 12345) % 61;
            while (line.size() < length)
                line += words[(seed = seed * 1103515245 + 12345) / 65536 % 12] + u' ';
            bytes += line.size() + 2;
            v.push_back(std::move(line));
        }
        return printSourceLines(std::move(v));
    }();
    return lines;
}

// A printer of A4 at 1200 dpi whose characters are all 100 units wide; draws nothing.
class TableDevice : public TPrintDevice {
public:
    long pages = 1;
    int pageWidth() const override { return 9000; }
    int pageHeight() const override { return 13000; }
    TExtent measure(std::u16string_view run) override { return {int(run.size()) * 100, 200}; }
    int charHeight() const override { return 200; }
    int averageCharWidth() const override { return 100; }
    void drawText(int, int, std::u16string_view run) override {
        benchmark::DoNotOptimize(run.data());
    }
    void newPage() override { ++pages; }
    void endJob() override {}
};

// The real font's measuring on a started PDF job (its page size, its resolution); draws nothing.
class MeasuringDevice : public TableDevice {
public:
    explicit MeasuringDevice(TPrintDevice& real) : real_(real) {}
    int pageWidth() const override { return real_.pageWidth(); }
    int pageHeight() const override { return real_.pageHeight(); }
    TExtent measure(std::u16string_view run) override { return real_.measure(run); }
    int charHeight() const override { return real_.charHeight(); }
    int averageCharWidth() const override { return real_.averageCharWidth(); }

private:
    TPrintDevice& real_;
};

void BM_LayoutOnTableDevice(benchmark::State& state) {
    const auto& lines = tenMegabytes();
    long pages = 0;
    for (auto _ : state) {
        TableDevice device;
        printDocument(device, lines);
        pages = device.pages;
    }
    state.counters["pages"] = double(pages);
}
BENCHMARK(BM_LayoutOnTableDevice)->Unit(benchmark::kMillisecond);

void BM_LayoutWithPrinterFontMetrics(benchmark::State& state) {
    const auto& lines = tenMegabytes();
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFileName(dir.filePath("metrics.pdf"));
    TQtPrintDevice real(printer, benchFont());
    long pages = 0;
    for (auto _ : state) {
        MeasuringDevice device(real);
        printDocument(device, lines);
        pages = device.pages;
    }
    real.endJob();
    state.counters["pages"] = double(pages);
}
BENCHMARK(BM_LayoutWithPrinterFontMetrics)->Unit(benchmark::kMillisecond);

void BM_ExportPdf(benchmark::State& state) {
    const auto& lines = tenMegabytes();
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    const TPdfPages pages{printer.pageLayout(), printer.resolution()};
    const QString path = dir.filePath("page.pdf");
    for (auto _ : state)
        writePdf(path, "page.txt", pages, lines, benchFont());
    state.counters["MB"] = double(QFileInfo(path).size()) / (1 << 20);
}
BENCHMARK(BM_ExportPdf)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
