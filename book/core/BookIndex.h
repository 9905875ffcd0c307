#pragma once

// The book's index: for each page, what it names (targets, links to pages, file arguments) and the
// variables it reads and sets. Built off the window's thread with progress and a cancel flag,
// kept current page by page. The bytes of a page come from a reader the caller gives, so the open
// page is read from its document and every other page from the disk. Plain C++, no Qt.
//
// Offsets are byte offsets into the page; lines and columns count from 1.

#include "book/core/Book.h"

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace book {

struct TPlace {
    int offset = 0;
    int length = 0;
    int line = 1;
    int column = 1;
};

enum class TLinkKind { Page, Next, Previous };

// A link that leads to another page.
struct TPageLink {
    TLinkKind kind = TLinkKind::Page;
    TPlace link;         ///< the whole link, "^L" through "^l"
    TPlace argument;     ///< Page: the page name's bytes; otherwise the action text
    std::string target;  ///< Page: the page as named (page bytes)
    std::string visible; ///< the link's visible text
};

// A file named by an action's file argument.
struct TFileArgument {
    TPlace place;     ///< the value between its quotes
    std::string word; ///< the action word
    std::string value;
    bool picture = false; ///< the action shows a picture
};

struct TVariableUse {
    TPlace place;
    std::string name;
};

struct TPageEntry {
    bool indexed = false;
    bool readable = false;  ///< the page's bytes were read (in whole or up to a zero byte)
    std::string note;       ///< why a page is read in part or not at all (UTF-8), else empty
    std::uint64_t size = 0; ///< the page's stamp when it was read
    std::int64_t modified = 0;
    std::vector<std::string> targets; ///< target mark names, in page order
    std::vector<TPageLink> links;
    std::vector<TFileArgument> files;
    std::vector<TVariableUse> reads;
    std::vector<TVariableUse> sets;
};

// What reading a page gives: its bytes, or the system's reason (UTF-8).
struct TReadResult {
    bool ok = false;
    std::string bytes;
    std::string error;
};
using TPageReader = std::function<TReadResult(const std::string& path)>;

// Reads a page file from the disk: only a regular file, never waiting on a pipe, and no page past
// the page capacity.
TReadResult readPageFile(const std::string& path);
// A reader that gives openText() for the page at openPath and reads every other page with disk.
TPageReader withOpenPage(TPageReader disk, std::string openPath,
                         std::function<std::string()> openText);

// Indexes one page's bytes. Zero bytes end the text (as when the page is opened); the entry's note
// then says so. cancel is passed to the page scanner.
TPageEntry indexPageBytes(std::string_view bytes, const std::atomic<bool>* cancel = nullptr);

// The link whose "^L" ... "^l" holds offset (its ends included), or null: the link F12 follows.
const TPageLink* linkAt(const TPageEntry& entry, int offset);

// Called now and then while pages are indexed: pages done out of total.
using TProgress = std::function<void(int done, int total)>;

// A link of another page that leads to a page.
struct TBacklink {
    int page = 0; ///< the page the link is in
    TPageLink link;
};

class TBookIndex {
public:
    // Follows the book: an entry whose page has the same file name, size and time as before is
    // kept, every other page waits to be indexed.
    void setBook(TBook book);
    const TBook& book() const { return book_; }
    const TPageEntry& entry(int page) const { return entries_[static_cast<std::size_t>(page)]; }

    // The page is to be read again (it changed: the open page at an edit, a page the folder
    // watcher saw change).
    void invalidate(int page);
    int pendingCount() const;

    // Indexes the pages waiting. False when cancel stopped it; the pages done so far stay indexed.
    bool indexPending(const TPageReader& reader, const TProgress& progress = {},
                      const std::atomic<bool>* cancel = nullptr);
    // Indexes one page now. Stopped by cancel, the page stays waiting.
    void reindex(int page, const TPageReader& reader, const std::atomic<bool>* cancel = nullptr);

    // The page a link of page leads to, -1 when none.
    int linkTarget(int page, const TPageLink& link) const;
    // The links of other pages that lead to page, in book order, then page order.
    std::vector<TBacklink> backlinks(int page) const;

private:
    TBook book_;
    std::vector<TPageEntry> entries_;
};

} // namespace book
