#pragma once

// The book: the page files of one folder ("*.txt", any case), in the natural order of their names
// ("2" before "10"), and the page a link leads to. Plain C++, no Qt.
//
// File names on this system are UTF-8; a page names another in the page code page (Windows-1252).
// Each page keeps both: its file name as the folder has it, and its name in page bytes. A file name
// that is not valid UTF-8 (a folder copied from an old system) is taken as page bytes already.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace book {

// Lower case of a page byte: ASCII letters and the letters of the page code page that have a case.
unsigned char foldByte(unsigned char c);
// The text folded byte by byte.
std::string folded(std::string_view pageBytes);
// Whether two page texts are equal without regard to case.
bool sameFolded(std::string_view a, std::string_view b);

// A file name in page bytes: the UTF-8 name decoded, or the bytes as they are when they are no
// valid UTF-8. encodable is false when a character has no page byte (the name then holds '?' for
// it).
std::string pageBytesOfName(std::string_view fileName, bool* encodable = nullptr);

// Natural order of names: digit runs compare by their value, the rest without regard to case; a
// total order (ties broken by the bytes themselves). Negative, zero or positive.
int naturalCompare(std::string_view a, std::string_view b);

// Whether a file name is a page's: it ends in ".txt" in any case and has a name before it.
bool isPageFileName(std::string_view fileName);

struct TPage {
    std::string fileName;  ///< as in the folder (UTF-8 on this system)
    std::string name;      ///< the file name in page bytes, what a GotoPage link writes
    bool encodable = true; ///< every character of the name has a page byte
    std::uint64_t size = 0;
    std::int64_t modified = 0; ///< nanoseconds since the epoch; with size, tells a changed page
};

class TBook {
public:
    TBook() = default;
    // A book of these file names in this folder (no listing of the disk): for tests and callers
    // that list the folder themselves. Names that are no page's are left out.
    TBook(std::string folder, std::vector<TPage> pages);

    // Lists the folder. A folder that cannot be read gives an empty book and the system's reason
    // in error.
    static TBook list(const std::string& folder, std::string* error = nullptr);

    const std::string& folder() const { return folder_; }
    const std::vector<TPage>& pages() const { return pages_; }
    int count() const { return static_cast<int>(pages_.size()); }
    const TPage& page(int i) const { return pages_[static_cast<std::size_t>(i)]; }
    // The full path of a page's file.
    std::string pathOf(int i) const;

    // The page a GotoPage argument names: the file named so, or so plus ".txt", without regard to
    // case; an exact name comes before a name plus ".txt". -1 when none.
    int pageNamed(std::string_view pageBytes) const;
    // The page of this file name (exactly as in the folder), -1 when none.
    int indexOfFile(std::string_view fileName) const;
    // The next and previous page in the book's order, -1 past either end.
    int next(int i) const { return i + 1 < count() ? i + 1 : -1; }
    int previous(int i) const { return i > 0 ? i - 1 : -1; }

private:
    std::string folder_;
    std::vector<TPage> pages_;
    std::unordered_map<std::string, int> byName_; ///< folded name: the first page in order
};

// The full path of a file argument's target: a full path as it is, otherwise relative to the
// folder. Backslashes count as folder separators. Page bytes in, UTF-8 out.
std::string pathInBook(const std::string& folder, std::string_view argument);

} // namespace book
