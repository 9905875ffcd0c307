// Any text on any printer metrics: the layout ends, every printable character comes out once and
// in order, pieces stay inside the page unless a single character is wider than the page, and the
// job is ended exactly once.
#include "print/core/PrintLayout.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class Device : public TPrintDevice {
public:
    int width = 0, height = 0, charW = 0, charH = 0;
    int widths[4] = {};
    std::u16string printed;
    int ends = 0;
    long draws = 0;

    int widthOf(std::u16string_view run) const {
        int w = 0;
        for (char16_t c : run)
            w += widths[c & 3];
        return w;
    }
    int pageWidth() const override { return width; }
    int pageHeight() const override { return height; }
    TExtent measure(std::u16string_view run) override { return {widthOf(run), charH}; }
    int charHeight() const override { return charH; }
    int averageCharWidth() const override { return charW; }
    void drawText(int x, int, std::u16string_view run) override {
        if (run.empty())
            std::abort();
        const bool single =
            run.size() == 1 || (run.size() == 2 && run[0] >= 0xD800 && run[0] <= 0xDBFF);
        if (x + widthOf(run) > width && !(single && x == 0))
            std::abort();
        printed += run;
        if (++draws > 10'000'000)
            std::abort(); // would not end
    }
    void newPage() override {
        if (ends)
            std::abort();
    }
    void endJob() override { ++ends; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8)
        return 0;
    Device dev;
    dev.width = data[0] * 4 - 64;
    dev.height = data[1] * 4 - 64;
    dev.charW = data[2] % 20;
    dev.charH = data[3] % 40;
    for (int i = 0; i < 4; ++i)
        dev.widths[i] = data[4 + i] % 64;
    data += 8;
    size -= 8;

    std::vector<std::u16string> lines(1);
    std::u16string expected;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const char16_t c = char16_t(data[i] | (data[i + 1] << 8));
        if (c == 0xFFFF) {
            lines.emplace_back();
            continue;
        }
        lines.back() += c;
    }
    const std::vector<std::u16string> source = printSourceLines(lines);
    for (const auto& line : source)
        for (char16_t c : line)
            if (c != u'\t' && c != u'\r' && c != u'\n' && c != u'\f')
                expected += c;
    printDocument(dev, source);
    if (dev.ends != 1 || dev.printed != expected)
        std::abort();
    return 0;
}
