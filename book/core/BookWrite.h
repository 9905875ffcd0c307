#pragma once

// Writing a set of page changes, and maybe one page's new file name, all or nothing: every page
// is first written beside itself without touching it; only when all were written do they take
// their places, then the file is renamed. When any step fails, what already took its place gets
// its previous bytes back and the folder is left as it was. Plain C++, no Qt.
//
// The open page is not among the changes: the window changes it in its document (one undo step,
// from the change's edits) once the others are written.

#include "book/core/BookFind.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace book {

// Takes the change of one page out of changes (the open page, which the window changes in its
// document); false when it has none.
bool takeChange(std::vector<TPageChange>& changes, int page, TPageChange& taken);

// Where the bytes go. The program's writer goes through the safe save (owner, permissions and
// links kept); tests give one that fails on demand.
class TStagedWriter {
public:
    virtual ~TStagedWriter() = default;
    // Writes bytes for the file at path beside it; the file itself is not touched. Returns a
    // handle, or -1 with the reason in error (UTF-8).
    virtual int stage(const std::string& path, std::string_view bytes, std::string& error) = 0;
    // Puts a staged file in place of its file. False with the reason in error.
    virtual bool commit(int handle, std::string& error) = 0;
    // Drops every staged file not yet committed.
    virtual void discardAll() = 0;
    // Renames a file; never over an existing file. False with the reason in error.
    virtual bool rename(const std::string& from, const std::string& to, std::string& error) = 0;
};

// The writer of the program: the safe save, refusing to write a file in place (which would touch
// it before every page is ready).
std::unique_ptr<TStagedWriter> safeStagedWriter();

struct TApplyResult {
    bool ok = false;
    std::string error;                ///< why nothing changed (UTF-8), when not ok
    std::vector<std::string> written; ///< the file names written, when ok
    std::vector<std::string>
        unrestored; ///< after a failure, pages whose bytes could not be put back
};

// Writes the changes, then renames `renameFrom` to `renameTo` when given (full paths). Each page's
// bytes on the disk (as reader gives them) must still be its old bytes: a page changed from outside
// stops everything before anything is written.
TApplyResult applyChanges(const std::vector<TPageChange>& changes, const TPageReader& reader,
                          TStagedWriter& writer, const std::string& renameFrom = {},
                          const std::string& renameTo = {});

} // namespace book
