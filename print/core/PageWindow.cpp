#include "print/core/PageWindow.h"

#include <algorithm>
#include <functional>

namespace {

// The device as the layout sees it during a windowed pass: pages are counted and always started,
// text is drawn only on the pages of the window.
class TWindowDevice : public TPrintDevice {
public:
    TWindowDevice(TPrintDevice& device, int page, int first, int last)
        : device_(device), page_(page), first_(first), last_(last) {}

    // Heard before each new page is started.
    std::function<void()> onNewPage;
    int page() const { return page_; }

    int pageWidth() const override { return device_.pageWidth(); }
    int pageHeight() const override { return device_.pageHeight(); }
    TExtent measure(std::u16string_view run) override { return device_.measure(run); }
    int charHeight() const override { return device_.charHeight(); }
    int averageCharWidth() const override { return device_.averageCharWidth(); }
    void drawText(int x, int y, std::u16string_view run) override {
        if (page_ >= first_ && page_ <= last_)
            device_.drawText(x, y, run);
    }
    void newPage() override {
        if (onNewPage)
            onNewPage();
        device_.newPage();
        ++page_;
    }
    void endJob() override { device_.endJob(); }
    void abortJob() override { device_.abortJob(); }

private:
    TPrintDevice& device_;
    int page_;
    int first_;
    int last_;
};

} // namespace

TPageWindow::TPageWindow(const std::vector<std::u16string>& lines) : lines_(lines) {}

void TPageWindow::reset() {
    starts_.clear();
    indexed_ = false;
}

void TPageWindow::printAll(TPrintDevice& device, int first, int last, TPrintProgress* progress) {
    reset();
    TWindowDevice window(device, 0, first, last);
    TPrintLayout layout(window);
    TPageStart lineStart;
    starts_.push_back(lineStart);
    window.onNewPage = [&] { starts_.push_back(lineStart); };
    runPrintJob(window, [&] {
        const std::size_t total = lines_.size();
        for (std::size_t i = 0; i < total; ++i) {
            if (progress && i % kPrintProgressStep == 0 && !progress->advance(i, total))
                throw TPrintCancelled();
            lineStart = {i, layout.state(), window.page()};
            layout.printRun(lines_[i]);
            layout.printRun(u"\r\n");
        }
        if (progress && !progress->advance(total, total))
            throw TPrintCancelled();
    });
    indexed_ = true;
}

void TPageWindow::printWindow(TPrintDevice& device, int first, int last) {
    const int pages = pageCount();
    first = std::clamp(first, 0, pages - 1);
    last = std::clamp(last, first, pages - 1);
    const TPageStart& start = starts_[std::size_t(first)];
    runPrintJob(device, [&] {
        // The job opens on the first page; the pages before the line that leads into the window
        // stay blank.
        for (int page = 0; page < start.page; ++page)
            device.newPage();
        TWindowDevice window(device, start.page, first, last);
        TPrintLayout layout(window);
        layout.restore(start.state);
        for (std::size_t i = start.line; i < lines_.size() && window.page() <= last; ++i) {
            layout.printRun(lines_[i]);
            layout.printRun(u"\r\n");
        }
        for (int page = window.page(); page < pages - 1; ++page)
            device.newPage();
    });
}
