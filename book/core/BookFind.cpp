#include "book/core/BookFind.h"

#include "book/core/BookMessages.h"
#include "document/core/PageFile.h"
#include "markup/core/SpellWords.h"

#include <algorithm>

namespace book {

namespace {

// The longest line text a result carries; a longer line is cut around the match.
constexpr int kLineTextMax = 400;

bool isWordChar(char c) {
    return c == '_' || markup::isWordByte(static_cast<unsigned char>(c));
}

bool wholeWordAt(std::string_view text, std::size_t at, std::size_t length) {
    if (at > 0 && isWordChar(text[at]) && isWordChar(text[at - 1]))
        return false;
    const std::size_t end = at + length;
    return !(end < text.size() && isWordChar(text[end - 1]) && isWordChar(text[end]));
}

// The page's text, or why it cannot be searched.
bool pageText(const TBook& book, const TPageReader& reader, int page, std::string& bytes,
              std::string& why) {
    TReadResult r = reader(book.pathOf(page));
    if (!r.ok) {
        why = message(TMessage::PageUnreadable, {r.error});
        return false;
    }
    const pagefile::TTextExtent extent = pagefile::textExtent(r.bytes.data(), r.bytes.size());
    if (extent.cutAtZero) {
        why = message(TMessage::PageNotText, {std::to_string(extent.length)});
        return false;
    }
    bytes = std::move(r.bytes);
    return true;
}

} // namespace

std::vector<int> findInText(std::string_view text, std::string_view needle,
                            const TFindOptions& options) {
    std::vector<int> out;
    if (needle.empty() || needle.size() > text.size())
        return out;
    std::string foldedText, foldedNeedle;
    std::string_view hay = text, pin = needle;
    if (!options.matchCase) {
        foldedText = folded(text);
        foldedNeedle = folded(needle);
        hay = foldedText;
        pin = foldedNeedle;
    }
    for (std::size_t at = hay.find(pin); at != std::string_view::npos;) {
        if (options.wholeWord && !wholeWordAt(text, at, needle.size())) {
            at = hay.find(pin, at + 1);
            continue;
        }
        out.push_back(static_cast<int>(at));
        at = hay.find(pin, at + needle.size());
    }
    return out;
}

TFindOutcome findInPages(const TBook& book, const TPageReader& reader, std::string_view needle,
                         const TFindOptions& options, const TProgress& progress,
                         const std::atomic<bool>* cancel, std::size_t maxResults) {
    TFindOutcome out;
    std::string bytes, why;
    for (int i = 0; i < book.count(); ++i) {
        if (cancel && *cancel) {
            out.cancelled = true;
            break;
        }
        if (progress)
            progress(i, book.count());
        if (!pageText(book, reader, i, bytes, why)) {
            out.notes.push_back(book.page(i).fileName + ": " + why);
            continue;
        }
        const std::string_view text = bytes;
        const std::vector<int> found = findInText(text, needle, options);
        if (!found.empty())
            ++out.pagesWithMatches;
        int line = 1;
        std::size_t counted = 0, lineStart = 0;
        for (const int at : found) {
            if (out.results.size() >= maxResults) {
                out.truncated = true;
                break;
            }
            const auto a = static_cast<std::size_t>(at);
            for (std::size_t nl = text.find('\n', counted); nl != std::string_view::npos && nl < a;
                 nl = text.find('\n', nl + 1)) {
                ++line;
                lineStart = nl + 1;
            }
            counted = a;
            std::size_t lineEnd = text.find('\n', a);
            if (lineEnd == std::string_view::npos)
                lineEnd = text.size();
            if (lineEnd > lineStart && text[lineEnd - 1] == '\r')
                --lineEnd;
            TFindResult r;
            r.page = i;
            r.place = {at, static_cast<int>(needle.size()), line,
                       static_cast<int>(a - lineStart) + 1};
            // Long lines: a stretch around the match.
            std::size_t from = lineStart, to = std::max(lineEnd, a);
            if (to - from > static_cast<std::size_t>(kLineTextMax)) {
                from = std::max(lineStart, a > kLineTextMax / 4 ? a - kLineTextMax / 4 : 0);
                to = std::min(to, from + kLineTextMax);
            }
            r.lineText = std::string(text.substr(from, to - from));
            r.matchStart = static_cast<int>(a - from);
            r.matchLength = static_cast<int>(std::min(a + needle.size(), to) - a);
            out.results.push_back(std::move(r));
        }
        if (out.truncated)
            break;
    }
    if (progress && !out.cancelled)
        progress(book.count(), book.count());
    return out;
}

std::string applyEdits(std::string_view old, const std::vector<TEdit>& edits) {
    std::string out;
    std::size_t size = old.size();
    for (const TEdit& e : edits)
        size = size - static_cast<std::size_t>(e.length) + e.text.size();
    out.reserve(size);
    std::size_t at = 0;
    for (const TEdit& e : edits) {
        out.append(old.substr(at, static_cast<std::size_t>(e.offset) - at));
        out.append(e.text);
        at = static_cast<std::size_t>(e.offset + e.length);
    }
    out.append(old.substr(at));
    return out;
}

std::string TReplacePlan::summary() const {
    return message(TMessage::ReplaceCount,
                   {counted(replacements, "replacement", "replacements"),
                    counted(static_cast<long long>(changes.size()), "page", "pages")});
}

TReplacePlan planReplace(const TBook& book, const TPageReader& reader, std::string_view needle,
                         std::string_view replacement, const TFindOptions& options,
                         const TProgress& progress, const std::atomic<bool>* cancel) {
    TReplacePlan plan;
    std::string bytes, why;
    for (int i = 0; i < book.count(); ++i) {
        if (cancel && *cancel) {
            plan.cancelled = true;
            break;
        }
        if (progress)
            progress(i, book.count());
        if (!pageText(book, reader, i, bytes, why)) {
            plan.skipped.push_back(message(TMessage::PageSkipped, {book.page(i).fileName, why}));
            continue;
        }
        const std::vector<int> found = findInText(bytes, needle, options);
        if (found.empty())
            continue;
        TPageChange c;
        c.page = i;
        c.path = book.pathOf(i);
        for (const int at : found)
            c.edits.push_back({at, static_cast<int>(needle.size()), std::string(replacement)});
        c.newBytes = applyEdits(bytes, c.edits);
        if (c.newBytes.size() > pagefile::kCapacity) {
            plan.skipped.push_back(message(
                TMessage::PageSkipped,
                {book.page(i).fileName,
                 message(TMessage::PageTooLarge, {std::to_string(c.newBytes.size() >> 20)})}));
            continue;
        }
        c.oldBytes = std::move(bytes);
        plan.replacements += static_cast<long long>(found.size());
        plan.changes.push_back(std::move(c));
    }
    if (progress && !plan.cancelled)
        progress(book.count(), book.count());
    return plan;
}

} // namespace book
