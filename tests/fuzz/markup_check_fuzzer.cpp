// Drives the markup checker with arbitrary pages and checks what the check panel and the underlines
// rely on: findings inside the page, in page order, on the right line and column, counted by
// level; a capped check keeps exactly the first findings of the full one.

#include "markup/core/MarkupCheck.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

namespace {

void check(bool ok) {
    if (!ok)
        __builtin_trap();
}

void checkPlaced(const std::string& page, const markup::TFinding& f) {
    check(f.offset >= 0 && f.length >= 0 && f.offset + f.length <= static_cast<int>(page.size()));
    check(page.empty() || f.length >= 1);
    int line = 1, start = 0;
    for (int k = 0; k < f.offset; ++k)
        if (page[static_cast<size_t>(k)] == '\n') {
            ++line;
            start = k + 1;
        }
    check(f.line == line && f.column == f.offset - start + 1);
    check(!f.message.empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    const size_t cap = fdp.ConsumeIntegralInRange<size_t>(0, 20);
    const std::string page = fdp.ConsumeRemainingBytesAsString();

    const markup::TCheckResult full = markup::checkMarkup(page);
    int counts[markup::kLevelCount] = {};
    int last = 0;
    for (const markup::TFinding& f : full.findings) {
        checkPlaced(page, f);
        check(f.offset >= last);
        last = f.offset;
        ++counts[static_cast<int>(f.level)];
    }
    for (int k = 0; k < markup::kLevelCount; ++k)
        check(counts[k] == full.counts[k]);
    for (const markup::TFileRef& ref : full.files) {
        checkPlaced(page, {ref.where.offset, ref.where.length, ref.where.line, ref.where.column,
                           markup::TLevel::Note, "x"});
        check(page.compare(static_cast<size_t>(ref.where.offset), ref.path.size(), ref.path) == 0);
    }

    const markup::TCheckResult capped = markup::checkMarkup(page, cap);
    check(capped.findings.size() <= cap);
    check(capped.truncated == (full.findings.size() > cap));
    for (size_t k = 0; k < capped.findings.size(); ++k) {
        check(capped.findings[k].offset == full.findings[k].offset);
        check(capped.findings[k].message == full.findings[k].message);
    }
    return 0;
}
