#pragma once

// Links inside a PDF file. The toolkit's PDF writer writes every link of a document as a link to a
// web address: one to "#name" would leave the file. These edits turn such links into links to a
// named place of the same file, and name those places, as an update appended to the file (the
// bytes before it keep their offsets). Plain C++, over the file's bytes.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pdflinks {

// A place links can lead to: its name (UTF-8, as the link names it after "#"), its page (from 0)
// and its top left corner in points from the page's bottom left.
struct TPlace {
    std::string name;
    int page = 0;
    double x = 0;
    double y = 0;
};

struct TEdit {
    std::size_t offset = 0;
    std::string bytes; ///< as many as they replace
};

struct TLinkEdits {
    std::vector<TEdit> inPlace;
    std::string appended; ///< after the file's last byte
    int links = 0;        ///< links turned into links inside the file
};

// The edits for a file as the writer left it; none when it has no link to one of the places (or
// is not laid out as that writer lays its files out).
TLinkEdits internalLinks(std::string_view pdf, const std::vector<TPlace>& places);

// The name a link's "#name" stands for: PDF string escapes and URL percent escapes undone.
std::string linkName(std::string_view written);

} // namespace pdflinks
