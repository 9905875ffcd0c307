#pragma once

// One page as HTML, styled as the preview shows it: the preview's own runs (PreviewRuns.h) become
// paragraphs and spans, the page's links (PageIndex.h) anchors and links. What a link leads to
// outside the page (another page, a copied file) is the book export's business, asked through
// TPageContext. Plain C++, no Qt.

#include <atomic>
#include <string>
#include <string_view>

namespace bookexport {

// What a file argument is used for: how the page shows it.
enum class TFileUse { Picture, Sound, Video, Text };

class TPageContext {
public:
    virtual ~TPageContext() = default;
    // The exported file (a UTF-8 name in the export folder) of the page that GotoPage names (page
    // bytes); empty when the book has none.
    virtual std::string pageFile(std::string_view name) = 0;
    // The exported file of the page `step` pages on in the book's order (-1 or 1); empty: none.
    virtual std::string neighbourFile(int step) = 0;
    // The name of the copy of a file argument (page bytes), copied on the first call; empty when
    // it cannot be copied, and `why` tells why.
    virtual std::string fileCopy(std::string_view argument, TFileUse use, std::string& why) = 0;
    // Something of the page (its line counted from 0) that the export cannot keep.
    virtual void note(int line, std::string message) = 0;
};

// Appends the page's lines as paragraphs. False when cancel turned true before the end (then
// out holds part of the page).
bool appendPageBody(std::string_view page, TPageContext& context, std::string& out,
                    const std::atomic<bool>* cancel = nullptr);

// The style sheet of the classes appendPageBody writes.
const std::string& pageStyleSheet();

} // namespace bookexport
