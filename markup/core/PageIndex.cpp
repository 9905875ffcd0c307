#include "markup/core/PageIndex.h"

#include "markup/core/ActionArguments.h"
#include "markup/core/MarkupScan.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace markup {

namespace {

// An open link on its way to its action text.
struct TOpenLink {
    int offset = 0;
    int visibleFrom = 0;
    int line = 0;
};

// "[" name "]" runs inside an action text (the scanner reads none there).
void variablesInAction(std::string_view page, int from, int to, int line,
                       std::vector<TVariableRef>& out) {
    for (int i = from; i < to; ++i) {
        if (page[static_cast<std::size_t>(i)] != '[')
            continue;
        int end = i + 1;
        while (end < to && page[static_cast<std::size_t>(end)] != ']' &&
               page[static_cast<std::size_t>(end)] != '[' &&
               page[static_cast<std::size_t>(end)] != '"' &&
               page[static_cast<std::size_t>(end)] != '\r' &&
               page[static_cast<std::size_t>(end)] != '\n')
            ++end;
        if (end < to && page[static_cast<std::size_t>(end)] == ']') {
            out.push_back({i, end + 1 - i, line, true,
                           std::string(page.substr(static_cast<std::size_t>(i) + 1,
                                                   static_cast<std::size_t>(end - i - 1)))});
            i = end;
        }
    }
}

} // namespace

bool targetLinkName(std::string_view actionText, std::string_view& name) {
    if (actionText.size() < 2 || actionText[0] != '=' || actionText[1] != ':')
        return false;
    name = actionText.substr(2);
    return true;
}

TPageIndex indexPage(std::string_view page, const std::atomic<bool>* cancel) {
    TPageIndex index;
    TMarkupScanner scan(page);
    TPiece p;
    int line = 0;
    std::vector<TTargetMark> openMarks;
    std::vector<TOpenLink> openLinks;
    // The link whose action text is being read.
    bool inAction = false;
    TOpenLink actionLink;
    int actionOffset = 0, actionLine = 0;
    int nextCancelCheck = 1 << 16;
    while (scan.next(p)) {
        if (cancel && p.offset >= nextCancelCheck) {
            if (*cancel)
                break;
            nextCancelCheck = p.offset + (1 << 16);
        }
        switch (p.kind) {
        case TPieceKind::LineBreak:
            ++line;
            break;
        case TPieceKind::Open:
            if (p.pair == kTargetPair)
                openMarks.push_back({p.offset, p.offset + p.length, 0, line, {}});
            else if (p.pair == kLinkPair)
                openLinks.push_back({p.offset, p.offset + p.length, line});
            break;
        case TPieceKind::Action:
            if (!inAction && !openLinks.empty()) {
                inAction = true;
                actionLink = openLinks.back();
                openLinks.pop_back();
                actionOffset = p.offset;
                actionLine = line;
            }
            break;
        case TPieceKind::Close:
            if (p.pair == kTargetPair && !openMarks.empty()) {
                TTargetMark m = std::move(openMarks.back());
                openMarks.pop_back();
                m.end = p.offset + p.length;
                m.name =
                    std::string(page.substr(static_cast<std::size_t>(m.nameOffset),
                                            static_cast<std::size_t>(p.offset - m.nameOffset)));
                index.targets.push_back(std::move(m));
            } else if (p.pair == kLinkPair && inAction) {
                inAction = false;
                TLinkRef l;
                l.offset = actionLink.offset;
                l.line = actionLink.line;
                l.actionOffset = actionOffset;
                l.actionLine = actionLine;
                l.actionEnd = p.offset;
                l.end = p.offset + p.length;
                l.visible = std::string(
                    page.substr(static_cast<std::size_t>(actionLink.visibleFrom),
                                static_cast<std::size_t>(actionOffset - actionLink.visibleFrom)));
                const std::string_view action =
                    page.substr(static_cast<std::size_t>(actionOffset),
                                static_cast<std::size_t>(p.offset - actionOffset));
                std::string_view name;
                if (targetLinkName(action, name)) {
                    l.toTarget = true;
                    l.name = std::string(name);
                } else {
                    const std::string_view words = action.substr(1);
                    l.word = std::string(words.substr(0, actionWordEnd(words)));
                    variablesInAction(page, actionOffset, p.offset, actionLine, index.variables);
                }
                index.links.push_back(std::move(l));
            } else if (p.pair == kLinkPair && !openLinks.empty()) {
                openLinks.pop_back(); // a link without "=": no action to list
            }
            break;
        case TPieceKind::Variable:
            index.variables.push_back(
                {p.offset, p.length, line, false, std::string(variableName(page, p))});
            break;
        case TPieceKind::Text:
        case TPieceKind::Unknown:
            break;
        }
    }
    // Marks in page order (a mark inside another closes first).
    std::stable_sort(
        index.targets.begin(), index.targets.end(),
        [](const TTargetMark& a, const TTargetMark& b) { return a.offset < b.offset; });
    std::stable_sort(index.links.begin(), index.links.end(),
                     [](const TLinkRef& a, const TLinkRef& b) { return a.offset < b.offset; });
    std::stable_sort(
        index.variables.begin(), index.variables.end(),
        [](const TVariableRef& a, const TVariableRef& b) { return a.offset < b.offset; });
    std::unordered_map<std::string_view, int> first;
    for (int k = 0; k < static_cast<int>(index.targets.size()); ++k)
        first.emplace(index.targets[static_cast<std::size_t>(k)].name, k);
    for (TLinkRef& l : index.links)
        if (l.toTarget && !l.name.empty())
            if (const auto f = first.find(l.name); f != first.end())
                l.target = f->second;
    return index;
}

TLinkGroups groupLinks(const TPageIndex& index) {
    TLinkGroups g;
    g.byTarget.resize(index.targets.size());
    for (int k = 0; k < static_cast<int>(index.links.size()); ++k) {
        const TLinkRef& l = index.links[static_cast<std::size_t>(k)];
        if (!l.toTarget)
            g.actions.push_back(k);
        else if (l.target < 0)
            g.missing.push_back(k);
        else
            g.byTarget[static_cast<std::size_t>(l.target)].push_back(k);
    }
    return g;
}

int TPageIndex::targetNamed(std::string_view name) const {
    for (int k = 0; k < static_cast<int>(targets.size()); ++k)
        if (targets[static_cast<std::size_t>(k)].name == name)
            return k;
    return -1;
}

std::vector<int> TPageIndex::linksTo(std::string_view name) const {
    std::vector<int> out;
    if (name.empty())
        return out;
    for (int k = 0; k < static_cast<int>(links.size()); ++k)
        if (links[static_cast<std::size_t>(k)].toTarget &&
            links[static_cast<std::size_t>(k)].name == name)
            out.push_back(k);
    return out;
}

int TPageIndex::targetLinkAround(int offset) const {
    const auto after = std::upper_bound(links.begin(), links.end(), offset,
                                        [](int o, const TLinkRef& l) { return o < l.offset; });
    for (auto it = after; it != links.begin();) {
        --it;
        if (offset <= it->end && offset >= it->offset)
            return it->toTarget ? static_cast<int>(it - links.begin()) : -1;
        if (it->end < offset)
            break;
    }
    return -1;
}

int TPageIndex::targetLinkAt(int offset) const {
    const int k = targetLinkAround(offset);
    return k >= 0 && offset >= links[static_cast<std::size_t>(k)].actionOffset ? k : -1;
}

int TPageIndex::targetMarkAt(int offset) const {
    const auto after = std::upper_bound(targets.begin(), targets.end(), offset,
                                        [](int o, const TTargetMark& m) { return o < m.offset; });
    for (auto it = after; it != targets.begin();) {
        --it;
        if (offset >= it->offset && offset <= it->end)
            return static_cast<int>(it - targets.begin());
        if (it->end < offset)
            break;
    }
    return -1;
}

std::vector<std::string> TPageIndex::targetNames() const {
    std::vector<std::string> out;
    std::unordered_set<std::string_view> seen;
    for (const TTargetMark& m : targets)
        if (!m.name.empty() && seen.insert(m.name).second)
            out.push_back(m.name);
    return out;
}

std::vector<std::string> TPageIndex::variableNames() const {
    std::vector<std::string> out;
    std::unordered_set<std::string_view> seen;
    for (const TVariableRef& v : variables)
        if (!v.name.empty() && seen.insert(v.name).second)
            out.push_back(v.name);
    return out;
}

TRenamePlan planRename(const TPageIndex& index, int mark, std::string_view newName) {
    TRenamePlan plan;
    if (mark < 0 || mark >= static_cast<int>(index.targets.size())) {
        plan.refusal = "There is no target mark here";
        return plan;
    }
    if (newName.empty()) {
        plan.refusal = "A target needs a name";
        return plan;
    }
    if (newName.find_first_of("^\r\n") != std::string_view::npos) {
        plan.refusal = "A target name holds no \"^\" and no line break";
        return plan;
    }
    const TTargetMark& m = index.targets[static_cast<std::size_t>(mark)];
    if (newName == m.name)
        return plan;
    for (const TTargetMark& other : index.targets)
        if (other.name == newName) {
            plan.refusal = "Line " + std::to_string(other.line + 1) +
                           " already has a target mark of that name";
            return plan;
        }
    plan.edits.push_back({m.nameOffset, static_cast<int>(m.name.size())});
    for (int k : index.linksTo(m.name)) {
        const TLinkRef& l = index.links[static_cast<std::size_t>(k)];
        plan.edits.push_back({l.nameOffset(), static_cast<int>(l.name.size())});
    }
    std::sort(plan.edits.begin(), plan.edits.end(),
              [](const TNameEdit& a, const TNameEdit& b) { return a.offset < b.offset; });
    return plan;
}

} // namespace markup
