#pragma once

// Renaming a page: its new file name and every GotoPage link of the book that names it,
// rewritten, with the counts for the one confirmation. Written with applyChanges (BookWrite.h),
// all or nothing. Plain C++, no Qt.

#include "book/core/BookWrite.h"

#include <string>
#include <string_view>
#include <vector>

namespace book {

struct TPageRenamePlan {
    int page = -1;
    std::string refusal; ///< why the rename cannot be (UTF-8); empty: it may go ahead
    std::string oldPath; ///< full paths, UTF-8
    std::string newPath;
    std::string newFileName;          ///< UTF-8, ".txt" added when the name had none
    std::vector<TPageChange> changes; ///< the pages whose links change, in book order
    std::vector<std::string> unread;  ///< pages that could not be read, so not rewritten (UTF-8)
    int links = 0;
    // "3 links to rewrite in 2 pages".
    std::string summary() const;
};

// Plans giving page `page` the file name newName (UTF-8, as the author typed it). A link that
// named the page with ".txt" gets the new name with it, one that named it without gets the new
// name without. The index tells which pages to read again; reader gives their current bytes.
TPageRenamePlan planPageRename(const TBookIndex& index, const TPageReader& reader, int page,
                               std::string_view newName);

// Writes the plan's pages and renames the file (see applyChanges). A refused plan is not written.
TApplyResult applyPageRename(const TPageRenamePlan& plan, const TPageReader& reader,
                             TStagedWriter& writer);

} // namespace book
