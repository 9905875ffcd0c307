// Writes the sample book into <folder>/book and exports it to <folder>/site, for the outside
// checkers (check_site.sh).

#include "tests/export/SampleBook.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <empty folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    bookexport::TExportOptions options;
    options.bookFolder = (folder / "book").string();
    options.folder = (folder / "site").string();
    const bookexport::TExportResult r =
        bookexport::exportBook(samplebook::write(folder / "book"), options);
    for (const bookexport::TExportNote& n : r.notes)
        std::printf("%s:%d: %s\n", n.page.c_str(), n.line + 1, n.message.c_str());
    if (r.end != bookexport::TExportResult::TEnd::done) {
        std::fprintf(stderr, "export failed: %s\n", r.error.c_str());
        return 1;
    }
    return 0;
}
