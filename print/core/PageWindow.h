#pragma once

#include "print/core/PrintLayout.h"

#include <string>
#include <vector>

// A document printed for a preview that shows a few pages at a time. Every page is started on the
// device, so the page count is the printed one, but only the pages of a window are drawn. The
// first pass lays the whole document out and notes where each page starts; later passes for
// another window start from the note of the window's first page and lay out only its pages.
class TPageWindow {
public:
    // The lines as printDocument takes them; they must outlive this object.
    explicit TPageWindow(const std::vector<std::u16string>& lines);

    // Lays out every page on a started job, draws pages first to last (0-based, inclusive), notes
    // where each page starts, and ends the job as printDocument does (a progress may cancel).
    void printAll(TPrintDevice& device, int first, int last, TPrintProgress* progress = nullptr);
    // The same pages again on a new job of the same device geometry, drawing first to last only.
    // Needs a finished printAll(); a window outside the document is moved into it.
    void printWindow(TPrintDevice& device, int first, int last);

    // Whether printAll() has finished: the page count and the notes are known.
    bool indexed() const { return indexed_; }
    int pageCount() const { return int(starts_.size()); }
    // Forgets the notes, for a device whose page geometry has changed.
    void reset();

private:
    // Where a page's layout is taken up again: the source line during which the page starts, the
    // layout's state when that line began, and the page that line began on.
    struct TPageStart {
        std::size_t line = 0;
        TPrintLayout::TState state;
        int page = 0;
    };

    const std::vector<std::u16string>& lines_;
    std::vector<TPageStart> starts_;
    bool indexed_ = false;
};
