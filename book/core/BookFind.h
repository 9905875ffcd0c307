#pragma once

// Find in pages and Replace in pages over a book: the matches of a plain text (no patterns; codes
// are text like any other) in every page, and a replace plan giving each changed page's new bytes
// with the counts. Plain C++, no Qt.
//
// Needles, replacements and line texts are page bytes (Windows-1252); a line break in a needle is
// matched as the page writes it (CR LF).

#include "book/core/BookIndex.h"

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

namespace book {

struct TFindOptions {
    bool matchCase = false;
    // A letter, digit or "_" at an edge of the needle may not touch one in the text.
    bool wholeWord = false;
};

// The offsets of the matches of needle in text, left to right, none overlapping the one before.
std::vector<int> findInText(std::string_view text, std::string_view needle,
                            const TFindOptions& options);

struct TFindResult {
    int page = 0;
    TPlace place;         ///< the match in the page
    std::string lineText; ///< the match's line, or a stretch of it around the match on a long line
    int matchStart = 0;   ///< the match in lineText
    int matchLength = 0;  ///< within lineText (a match over a line break is cut at the line's end)
};

struct TFindOutcome {
    std::vector<TFindResult> results; ///< by page in book order, then by offset
    std::vector<std::string> notes;   ///< pages that could not be searched, and why (UTF-8)
    int pagesWithMatches = 0;
    bool truncated = false; ///< more matches than maxResults were found; the first ones are kept
    bool cancelled = false;
};

TFindOutcome findInPages(const TBook& book, const TPageReader& reader, std::string_view needle,
                         const TFindOptions& options, const TProgress& progress = {},
                         const std::atomic<bool>* cancel = nullptr,
                         std::size_t maxResults = 100000);

// One replaced stretch of a page: [offset, offset + length) of the old bytes gets text.
struct TEdit {
    int offset = 0;
    int length = 0;
    std::string text;
};

// A page to be written: the bytes it was read with (to tell an outside change and to put back),
// its new bytes, and the edits between them (for the open page, which changes in its document).
struct TPageChange {
    int page = 0;
    std::string path;
    std::string oldBytes;
    std::string newBytes;
    std::vector<TEdit> edits;
};

// The old bytes with the edits made (edits in page order, not overlapping).
std::string applyEdits(std::string_view old, const std::vector<TEdit>& edits);

struct TReplacePlan {
    std::vector<TPageChange> changes; ///< the pages with at least one replacement, in book order
    std::vector<std::string> skipped; ///< pages left as they are, and why (UTF-8)
    long long replacements = 0;
    bool cancelled = false;
    // "12 replacements in 5 pages".
    std::string summary() const;
};

// Finds every match in every page and plans its replacement. A page that cannot be read, is not
// text (a zero byte) or would grow past the page capacity is left out and named in skipped.
TReplacePlan planReplace(const TBook& book, const TPageReader& reader, std::string_view needle,
                         std::string_view replacement, const TFindOptions& options,
                         const TProgress& progress = {}, const std::atomic<bool>* cancel = nullptr);

} // namespace book
