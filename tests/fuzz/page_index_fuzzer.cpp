// Drives the page index, the rename plan and the completion contexts with arbitrary pages and
// carets, and checks what the outline, go to target, rename and completion rely on: every place
// inside the page and holding what it names, marks and links in page order, links led to marks of
// their own name, rename edits over the old name only, contexts whose stretch ends at or after the
// caret and whose prefix is the text before it.

#include "markup/core/Completion.h"
#include "markup/core/PageIndex.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

namespace {

void check(bool ok) {
    if (!ok)
        __builtin_trap();
}

bool holds(const std::string& page, int offset, const std::string& text) {
    return offset >= 0 && static_cast<size_t>(offset) + text.size() <= page.size() &&
           page.compare(static_cast<size_t>(offset), text.size(), text) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    const int caret = fdp.ConsumeIntegralInRange<int>(0, 4096);
    const std::string newName = fdp.ConsumeRandomLengthString(12);
    const std::string page = fdp.ConsumeRemainingBytesAsString();
    const int n = static_cast<int>(page.size());

    const markup::TPageIndex x = markup::indexPage(page);
    int last = -1;
    for (const markup::TTargetMark& m : x.targets) {
        check(m.offset > last && m.end <= n && holds(page, m.nameOffset, m.name));
        check(holds(page, m.offset, "^M") && holds(page, m.end - 2, "^m"));
        last = m.offset;
    }
    last = -1;
    for (const markup::TLinkRef& l : x.links) {
        check(l.offset >= last && l.end <= n && l.offset < l.actionOffset);
        check(l.actionOffset < l.actionEnd && holds(page, l.actionEnd, "^l"));
        check(!l.toTarget || holds(page, l.nameOffset(), l.name));
        check(l.target < static_cast<int>(x.targets.size()));
        check(l.target < 0 || x.targets[static_cast<size_t>(l.target)].name == l.name);
        last = l.offset;
    }
    for (const markup::TVariableRef& v : x.variables)
        check(holds(page, v.offset + 1, v.name) && v.offset + v.length <= n);
    const markup::TLinkGroups g = markup::groupLinks(x);
    check(g.byTarget.size() == x.targets.size());

    if (!x.targets.empty()) {
        const int mark = caret % static_cast<int>(x.targets.size());
        const markup::TRenamePlan plan = markup::planRename(x, mark, newName);
        const std::string& old = x.targets[static_cast<size_t>(mark)].name;
        int end = -1;
        for (const markup::TNameEdit& e : plan.edits) {
            check(e.offset >= end && e.length == static_cast<int>(old.size()));
            check(holds(page, e.offset, old));
            end = e.offset + e.length;
        }
        check(plan.refusal.empty() || plan.edits.empty());
    }

    const int at = n == 0 ? 0 : caret % (n + 1);
    const markup::TCompletionContext c = markup::completionAt(page, at);
    if (c.kind != markup::TCompletionKind::None) {
        check(c.from >= 0 && c.from <= at && at <= c.to && c.to <= n);
        check(holds(page, c.from, c.prefix) && c.from + static_cast<int>(c.prefix.size()) == at);
    }
    if (const auto s = markup::argumentStep(page, at, at, at % 2 == 0))
        check(s->offset >= 0 && s->length >= 0 && s->offset + s->length <= n);
    return 0;
}
