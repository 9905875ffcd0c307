#include "platform/core/PdfLinks.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>

namespace pdflinks {

namespace {

constexpr std::string_view kWebLink = "/S /URI\n/URI (#";
constexpr std::string_view kPlaceLink = "/S /GoTo\n/D (";

// The number before " 0 obj" that opens the object holding `at`, or -1.
long objectAt(std::string_view pdf, std::size_t at) {
    const std::size_t obj = pdf.rfind(" 0 obj", at);
    if (obj == std::string_view::npos)
        return -1;
    std::size_t start = pdf.rfind('\n', obj);
    start = start == std::string_view::npos ? 0 : start + 1;
    long n = -1;
    const auto r = std::from_chars(pdf.data() + start, pdf.data() + obj, n);
    return r.ec == std::errc() && r.ptr == pdf.data() + obj ? n : -1;
}

// The number after `key` in the last part of the file that holds it, or -1.
long numberAfter(std::string_view pdf, std::string_view key, std::size_t from = 0) {
    const std::size_t at = pdf.find(key, from);
    if (at == std::string_view::npos)
        return -1;
    std::size_t p = at + key.size();
    while (p < pdf.size() && (pdf[p] == ' ' || pdf[p] == '\n' || pdf[p] == '\r'))
        ++p;
    long n = -1;
    const auto r = std::from_chars(pdf.data() + p, pdf.data() + pdf.size(), n);
    return r.ec == std::errc() ? n : -1;
}

// The end of the PDF string that starts after its "(" at `at`: the index of its ")".
std::size_t stringEnd(std::string_view pdf, std::size_t at) {
    int depth = 0;
    for (std::size_t p = at; p < pdf.size(); ++p) {
        if (pdf[p] == '\\')
            ++p;
        else if (pdf[p] == '(')
            ++depth;
        else if (pdf[p] == ')' && depth-- == 0)
            return p;
    }
    return std::string_view::npos;
}

std::string unescaped(std::string_view written) {
    std::string out;
    for (std::size_t p = 0; p < written.size(); ++p) {
        if (written[p] == '\\' && p + 1 < written.size())
            ++p;
        out += written[p];
    }
    return out;
}

std::string number(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", v);
    return buffer;
}

std::string xrefEntry(std::size_t offset) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%010zu 00000 n \n", offset);
    return buffer;
}

} // namespace

std::string linkName(std::string_view written) {
    const std::string s = unescaped(written);
    std::string out;
    for (std::size_t p = 0; p < s.size(); ++p) {
        int value = 0;
        if (s[p] == '%' && p + 2 < s.size() &&
            std::from_chars(s.data() + p + 1, s.data() + p + 3, value, 16).ptr ==
                s.data() + p + 3) {
            out += static_cast<char>(value);
            p += 2;
        } else {
            out += s[p];
        }
    }
    return out;
}

TLinkEdits internalLinks(std::string_view pdf, const std::vector<TPlace>& places) {
    TLinkEdits edits;
    std::map<std::string, const TPlace*> byName;
    for (const TPlace& place : places)
        byName.emplace(place.name, &place);
    // The pages in order, the catalog, and the last cross-reference section.
    const std::size_t pagesAt = pdf.find("/Type /Pages\n");
    const std::size_t catalogAt = pdf.find("/Type /Catalog\n");
    const std::size_t trailerAt = pdf.rfind("trailer");
    const std::size_t startxrefAt = pdf.rfind("startxref");
    if (byName.empty() || pagesAt == std::string_view::npos ||
        catalogAt == std::string_view::npos || trailerAt == std::string_view::npos ||
        startxrefAt == std::string_view::npos)
        return {};
    std::vector<long> pages;
    const std::size_t kids = pdf.find('[', pdf.find("/Kids", pagesAt));
    const std::size_t kidsEnd = pdf.find(']', kids);
    if (kids == std::string_view::npos || kidsEnd == std::string_view::npos)
        return {};
    for (std::size_t p = kids + 1; p < kidsEnd;) {
        while (p < kidsEnd && (pdf[p] == ' ' || pdf[p] == '\n'))
            ++p;
        long n = -1;
        const auto r = std::from_chars(pdf.data() + p, pdf.data() + kidsEnd, n);
        if (r.ec != std::errc())
            break;
        pages.push_back(n);
        const std::size_t ref = pdf.find('R', static_cast<std::size_t>(r.ptr - pdf.data()));
        p = ref == std::string_view::npos ? kidsEnd : ref + 1;
    }
    const long catalog = objectAt(pdf, catalogAt);
    const long size = numberAfter(pdf, "/Size", trailerAt);
    const long info = numberAfter(pdf, "/Info", trailerAt);
    const long previous = numberAfter(pdf, "startxref", startxrefAt);
    const std::size_t catalogOpen = pdf.rfind("<<", catalogAt);
    const std::size_t catalogClose = pdf.find(">>\nendobj", catalogAt);
    if (pages.empty() || catalog < 0 || size < 0 || previous < 0 ||
        catalogOpen == std::string_view::npos || catalogClose == std::string_view::npos)
        return {};

    // Each link to a place of the file leads there by the place's name, written as the link has it.
    std::map<std::string, std::string> names; // name as written (unescaped) -> its destination
    for (std::size_t at = pdf.find(kWebLink); at != std::string_view::npos;
         at = pdf.find(kWebLink, at + 1)) {
        const std::size_t from = at + kWebLink.size();
        const std::size_t end = stringEnd(pdf, from);
        if (end == std::string_view::npos)
            break;
        const std::string_view written = pdf.substr(from, end - from);
        const auto place = byName.find(linkName(written));
        if (place == byName.end() || place->second->page < 0 ||
            place->second->page >= static_cast<int>(pages.size()))
            continue;
        // As long as what it replaces: nothing after it moves.
        std::string bytes = std::string(kPlaceLink) + std::string(written) + ")";
        bytes.append(end + 1 - at - bytes.size(), ' ');
        edits.inPlace.push_back({at, std::move(bytes)});
        ++edits.links;
        const TPlace& p = *place->second;
        std::string destination(1, '[');
        destination.append(std::to_string(pages[std::size_t(p.page)]))
            .append(" 0 R /XYZ ")
            .append(number(p.x))
            .append(1, ' ')
            .append(number(p.y))
            .append(" 0]");
        names.emplace(unescaped(written), std::move(destination));
    }
    if (names.empty())
        return {};

    // The update: the catalog again with the names of the places, and the names themselves.
    const auto escaped = [](const std::string& s) {
        std::string out;
        for (char c : s) {
            if (c == '(' || c == ')' || c == '\\')
                out += '\\';
            out += c;
        }
        return out;
    };
    std::string& out = edits.appended;
    const long namesObject = size;
    const std::size_t catalogOffset = pdf.size() + out.size();
    out += std::to_string(catalog) + " 0 obj\n<<" +
           std::string(pdf.substr(catalogOpen + 2, catalogClose - catalogOpen - 2)) + "/Names " +
           std::to_string(namesObject) + " 0 R\n>>\nendobj\n";
    const std::size_t namesOffset = pdf.size() + out.size();
    out += std::to_string(namesObject) + " 0 obj\n<<\n/Dests <<\n/Names [";
    for (const auto& [name, destination] : names) // a name tree's names in byte order
        out += "\n(" + escaped(name) + ") " + destination;
    out += "\n]\n>>\n>>\nendobj\n";
    const std::size_t xref = pdf.size() + out.size();
    out += "xref\n";
    if (catalog < namesObject)
        out += std::to_string(catalog) + " 1\n" + xrefEntry(catalogOffset) +
               std::to_string(namesObject) + " 1\n" + xrefEntry(namesOffset);
    else
        return {};
    out += "trailer\n<<\n/Size " + std::to_string(namesObject + 1) + "\n/Root " +
           std::to_string(catalog) + " 0 R\n";
    if (info >= 0)
        out += "/Info " + std::to_string(info) + " 0 R\n";
    out += "/Prev " + std::to_string(previous) + "\n>>\nstartxref\n" + std::to_string(xref) +
           "\n%%EOF\n";
    return edits;
}

} // namespace pdflinks
