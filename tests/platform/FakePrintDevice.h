#pragma once

#include "print/core/PrintDevice.h"

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace lptest {

// A printer with fixed metrics that records what is printed: every character is 10 units wide
// unless listed in widths, every run is 12 high, pages are 100 by 100.
class FakePrintDevice : public TPrintDevice {
public:
    struct Draw {
        int page;
        int x;
        int y;
        std::u16string text;
        bool operator==(const Draw&) const = default;
    };

    int width = 100;
    int height = 100;
    int charWidth = 10;
    int fontHeight = 12;
    std::map<char16_t, int> widths{{u'W', 25}, {u'i', 1}, {u'@', 150}};
    // Called before each draw; may throw to simulate a printer failure.
    std::function<void(const Draw&)> onDraw;
    bool endJobThrows = false;

    std::vector<Draw> draws;
    int page = 0;
    int endJobCount = 0;
    int abortJobCount = 0;
    int measureCount = 0;

    int pageWidth() const override { return width; }
    int pageHeight() const override { return height; }
    int widthOf(std::u16string_view run) const {
        int w = 0;
        for (char16_t c : run) {
            auto it = widths.find(c);
            w += it != widths.end() ? it->second : charWidth;
        }
        return w;
    }
    TExtent measure(std::u16string_view run) override {
        ++measureCount;
        return {widthOf(run), fontHeight};
    }
    int charHeight() const override { return fontHeight; }
    int averageCharWidth() const override { return charWidth; }
    void drawText(int x, int y, std::u16string_view run) override {
        const Draw d{page, x, y, std::u16string(run)};
        if (onDraw)
            onDraw(d);
        draws.push_back(d);
    }
    void newPage() override {
        if (endJobCount > 0)
            throw std::logic_error("page after the end of the job");
        ++page;
    }
    void endJob() override {
        ++endJobCount;
        if (endJobThrows)
            throw std::runtime_error("end failed");
    }
    void abortJob() override { ++abortJobCount; }
    int pageCount() const { return page + 1; }
};

} // namespace lptest
