#pragma once

// Checks across the pages of a book, over its index: links to pages that do not exist or lead
// past either end, files that are not there or pictures that cannot be read, variables read and
// never set or set and never read, pages no other page leads to, and pages that could not be read.
// Plain C++, no Qt.

#include "book/core/BookIndex.h"
#include "book/core/BookMessages.h"
#include "markup/core/MarkupCheck.h"

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace book {

struct TBookFinding {
    int page = 0;
    TMessage kind = TMessage::NoSuchPage;
    markup::TFinding finding; ///< place, level and message (UTF-8)
};

// Finds files as a reader on a system without case in file names would: a name that is not there
// as written is looked for without regard to case, folder by folder. Folder listings are kept, so
// one finder serves one check.
class TFileFinder {
public:
    // The file's path as it is on the disk, or empty when none.
    std::string find(const std::string& path);

private:
    const std::vector<std::string>& listing(const std::string& folder);
    std::map<std::string, std::vector<std::string>> listings_;
};

struct TCheckOptions {
    // Where a file argument's file is; empty when not found. Default: a TFileFinder.
    std::function<std::string(const std::string& path)> findFile;
    // Whether a found picture can be read. Default: not asked.
    std::function<bool(const std::string& path)> pictureReadable;
};

// The findings of every indexed page, by page in book order, then by offset. Stopped by cancel,
// the findings so far come back.
std::vector<TBookFinding> checkBook(const TBookIndex& index, const TCheckOptions& options = {},
                                    const std::atomic<bool>* cancel = nullptr);

// The number of findings of each page.
std::vector<int> findingCounts(const std::vector<TBookFinding>& findings, int pageCount);

} // namespace book
