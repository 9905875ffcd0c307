#pragma once

// The book published as a linked HTML site: one HTML5 file per page, index.html listing the pages
// in the book's order, the pictures, sounds, videos and text files that the pages use copied
// beside them. Plain C++, no Qt.
//
// Nothing is written outside the chosen folder: every name written is one of its own (no folder
// part), a file is replaced by a rename (a symbolic link in its place is replaced, never followed)
// and a file argument is read wherever it leads (a path with "..", a symbolic link) and copied by
// content under a safe name. The folder keeps a list of the files the export wrote (kManifestName):
// a later export replaces or removes only those, and picks other names than the author's files.

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace bookexport {

inline constexpr std::string_view kManifestName = ".larkpad-export";
inline constexpr std::string_view kIndexName = "index.html";

// A page of the book, in the book's order.
struct TExportPage {
    std::string fileName;    ///< its file's name in the book's folder (UTF-8), as "Page 1.txt"
    std::string displayName; ///< as the index lists it (UTF-8)
    std::string bytes;       ///< the page's text (page code page)
};

// Which page a GotoPage names.
class TPageResolver {
public:
    virtual ~TPageResolver() = default;
    // The index of the page named (page bytes as written in the link), or -1.
    virtual int pageNamed(std::string_view name) const = 0;
};

// The page whose file name is the name given, or the name and ".txt", without regard to case.
class TFileNameResolver : public TPageResolver {
public:
    explicit TFileNameResolver(const std::vector<TExportPage>& pages);
    int pageNamed(std::string_view name) const override;

private:
    std::vector<std::string> folded_; ///< each page's file name, folded
};

struct TExportOptions {
    std::string bookFolder;                  ///< where relative file arguments are read from
    std::string folder;                      ///< where the site is written; made when missing
    const TPageResolver* resolver = nullptr; ///< null: a TFileNameResolver over the pages
    // Called after each file of the site: pages written so far, of total (the index counts).
    std::function<void(int done, int total)> progress;
    const std::atomic<bool>* cancel = nullptr; ///< looked at between pages and inside long ones
};

// Something of a page that the site cannot keep (a link to no page, a missing file, ...).
struct TExportNote {
    std::string page; ///< the page's file name
    int line = 0;     ///< from 0
    std::string message;
};

struct TExportResult {
    enum class TEnd { done, cancelled, failed };
    TEnd end = TEnd::done;
    std::string error;                ///< failed: why, naming the file
    std::vector<std::string> written; ///< the names written, in order
    std::vector<std::string> removed; ///< files of the previous export no longer part of the site
    std::vector<TExportNote> notes;
    std::vector<std::string> pageFiles; ///< each page's HTML file, in the book's order
};

// Writes the site. A cancelled or failed export leaves what it wrote listed in the folder's list,
// so that the next export replaces it; the previous export's files it did not reach stay.
TExportResult exportBook(const std::vector<TExportPage>& pages, const TExportOptions& options);

} // namespace bookexport
