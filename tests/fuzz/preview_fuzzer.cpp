// Drives the preview's reading with arbitrary pages and edits, and checks what the preview relies
// on: runs in order, inside their line, every shown character mapped back to the byte it shows; and
// after an edit, the lines read again equal the page read afresh.

#include "markup/core/PreviewRuns.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

void check(bool ok) {
    if (!ok)
        __builtin_trap();
}

void checkParagraph(const markup::TPreviewParagraph& p, std::string_view line) {
    int shown = 0;
    for (const markup::TPreviewRun& r : p.runs) {
        check(r.offset == shown && r.length >= 1);
        check(r.source >= 0 && r.source + (r.tab ? 0 : r.length) <= static_cast<int>(line.size()));
        check(!r.tab || r.length == 1);
        shown += r.length;
    }
    const std::string text = p.text(line);
    check(static_cast<int>(text.size()) == p.length());
    for (int k = 0; k < p.length(); ++k) {
        const int source = p.sourceOf(k);
        check(text[static_cast<std::size_t>(k)] == '\t' ||
              line[static_cast<std::size_t>(source)] == text[static_cast<std::size_t>(k)]);
        check(p.shownAt(source) <= k);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    const auto editAt = fdp.ConsumeIntegral<std::uint16_t>();
    const auto editRemoved = fdp.ConsumeIntegralInRange<std::uint16_t>(0, 64);
    const std::string added = fdp.ConsumeRandomLengthString(64);
    std::string page = fdp.ConsumeRemainingBytesAsString();

    std::vector<std::string_view> lines = markup::previewLines(page);
    const auto reader = [&](int k) { return lines[static_cast<std::size_t>(k)]; };
    std::vector<std::string> shown(lines.size());
    const auto sink = [&](int k, std::string_view text, const markup::TPreviewParagraph& p) {
        checkParagraph(p, text);
        shown[static_cast<std::size_t>(k)] = p.text(text);
    };
    markup::TPreviewLines model;
    model.reset(static_cast<int>(lines.size()), reader, sink);
    for (int k = 0; k < model.lineCount(); ++k)
        (void)markup::previewLinkAction(reader, model.lineCount(), k, model.before(k), 0);

    const std::size_t offset = std::min<std::size_t>(editAt, page.size());
    const std::size_t removed = std::min<std::size_t>(editRemoved, page.size() - offset);
    const auto breaks = [](std::string_view s) {
        return static_cast<int>(std::count(s.begin(), s.end(), '\n'));
    };
    const int first = breaks(std::string_view(page).substr(0, offset));
    const int removedLines = 1 + breaks(std::string_view(page).substr(offset, removed));
    const int addedLines = 1 + breaks(added);
    page.replace(offset, removed, added);
    lines = markup::previewLines(page);
    shown.erase(shown.begin() + first, shown.begin() + first + removedLines);
    shown.insert(shown.begin() + first, static_cast<std::size_t>(addedLines), std::string());
    model.update(first, removedLines, addedLines, reader, sink);
    check(model.lineCount() == static_cast<int>(lines.size()));

    markup::TPreviewState fresh;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const markup::TPreviewParagraph p = markup::readPreviewLine(lines[k], fresh);
        check(shown[k] == p.text(lines[k]));
        check(model.after(static_cast<int>(k)) == fresh);
    }
    return 0;
}
