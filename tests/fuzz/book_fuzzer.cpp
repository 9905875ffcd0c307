// Drives the book's page reading, find and name order with arbitrary bytes, and checks what the
// checks, rename and find in pages rely on: every place inside the page's text holding what it
// names, lines and columns that lead back to the offset, rewritten links that hold the new name,
// matches equal to a plain search's, and a natural order that is a total order.

#include "book/core/BookFind.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

void check(bool ok) {
    if (!ok)
        __builtin_trap();
}

// The place's line and column, counted afresh.
bool placeAgrees(std::string_view page, const book::TPlace& p) {
    if (p.offset < 0 || p.length < 0 || static_cast<std::size_t>(p.offset + p.length) > page.size())
        return false;
    const std::string_view before = page.substr(0, static_cast<std::size_t>(p.offset));
    const std::size_t nl = before.rfind('\n');
    const auto lines = std::count(before.begin(), before.end(), '\n');
    const auto column =
        static_cast<int>(nl == std::string_view::npos ? before.size() : before.size() - nl - 1);
    return p.line == lines + 1 && p.column == column + 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    const std::string needle = fdp.ConsumeRandomLengthString(6);
    const std::string other = fdp.ConsumeRandomLengthString(12);
    const bool matchCase = fdp.ConsumeBool();
    const std::string page = fdp.ConsumeRemainingBytesAsString();

    const book::TPageEntry e = book::indexPageBytes(page);
    const std::string_view text = std::string_view(page).substr(0, page.find('\0'));
    std::vector<book::TEdit> edits;
    for (const book::TPageLink& l : e.links) {
        check(placeAgrees(text, l.link) && placeAgrees(text, l.argument));
        if (l.kind == book::TLinkKind::Page) {
            check(text.substr(static_cast<std::size_t>(l.argument.offset),
                              static_cast<std::size_t>(l.argument.length)) == l.target);
            edits.push_back({l.argument.offset, l.argument.length, "New"});
        }
    }
    for (const book::TFileArgument& f : e.files)
        check(placeAgrees(text, f.place) &&
              text.substr(static_cast<std::size_t>(f.place.offset), f.value.size()) == f.value);
    for (const auto* uses : {&e.reads, &e.sets})
        for (const book::TVariableUse& v : *uses)
            check(placeAgrees(text, v.place));
    // Rewritten links name the new page, and nothing else moves. Brackets pair across a link's
    // quotes ("[" before the action, "]" after the name), so that on a page holding any, links
    // may read otherwise once a name is gone: such pages are left out (their rename is a known
    // gap, not a crash).
    if (text.find_first_of("[]") == std::string_view::npos) {
        const book::TPageEntry after = book::indexPageBytes(book::applyEdits(page, edits));
        std::size_t k = 0;
        for (const book::TPageLink& l : after.links)
            if (l.kind == book::TLinkKind::Page)
                check(l.target == "New" && ++k <= edits.size());
        check(k == edits.size() && after.files.size() == e.files.size());
    }

    // Matches: a plain search's, over folded bytes when case does not count.
    const std::vector<int> found = book::findInText(page, needle, {matchCase, false});
    const std::string hay = matchCase ? page : book::folded(page);
    const std::string pin = matchCase ? needle : book::folded(needle);
    std::vector<int> plain;
    if (!pin.empty())
        for (std::size_t at = hay.find(pin); at != std::string::npos;
             at = hay.find(pin, at + pin.size()))
            plain.push_back(static_cast<int>(at));
    check(found == plain);

    // A total order: antisymmetric, zero only for equal names.
    const int c = book::naturalCompare(needle, other);
    check(c == -book::naturalCompare(other, needle) && (c == 0) == (needle == other));
    return 0;
}
