#pragma once

// What a page names and where: its target marks ("^M" name "^m"), its action links ("^L" visible
// text "=" action "^l", target links "=:" name among them) and its variables ("[" name "]"), in
// page order, read with the markup scanner. The outline, go to target, rename, completion and the
// checker all go by these. Plain C++, no Qt.
//
// Offsets are byte offsets into the text given (for CR LF text the editor's offsets); lines are
// counted from 0. Names are the page's bytes as they stand between their codes: a name may hold
// spaces, letters of the page code page, other codes, even a line break; an empty name is a name
// too (and never matches a link, which always needs one).

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

namespace markup {

// The target name of an action text ("=" included) that starts with "=:": the bytes after it.
// False for any other action text.
bool targetLinkName(std::string_view actionText, std::string_view& name);

struct TTargetMark {
    int offset = 0;     ///< of "^M"
    int nameOffset = 0; ///< first byte of the name
    int end = 0;        ///< after "^m"
    int line = 0;
    std::string name;
};

struct TLinkRef {
    int offset = 0;        ///< of "^L"
    int actionOffset = 0;  ///< of the "=" that starts the action text
    int actionEnd = 0;     ///< of the "^l" that ends it
    int end = 0;           ///< after "^l"
    int line = 0;          ///< the line of "^L"
    int actionLine = 0;    ///< the line of "="
    std::string visible;   ///< between "^L" and "="
    bool toTarget = false; ///< the action text starts with "=:"
    std::string name;      ///< toTarget: the target's name (offset actionOffset + 2)
    std::string word;      ///< otherwise: the action word
    int target = -1;       ///< toTarget: the first mark of that name, -1 when none
    int nameOffset() const { return actionOffset + 2; }
};

struct TVariableRef {
    int offset = 0; ///< of "["
    int length = 0; ///< "[" name "]"
    int line = 0;
    bool inAction = false; ///< written in an action's argument ("SetVar "[Var]" ...")
    std::string name;      ///< without the brackets
};

struct TPageIndex {
    std::vector<TTargetMark> targets;
    std::vector<TLinkRef> links; ///< closed links only, in page order
    std::vector<TVariableRef> variables;

    // The first mark with this name, or -1.
    int targetNamed(std::string_view name) const;
    // The links that lead to a mark's name (any mark of that name), in page order.
    std::vector<int> linksTo(std::string_view name) const;
    // The target link whose "=" ... "^l" holds offset (its ends included), or -1.
    int targetLinkAt(int offset) const;
    // The target link whose "^L" ... "^l" holds offset (its ends included), or -1.
    int targetLinkAround(int offset) const;
    // The mark whose "^M" ... "^m" holds offset (its ends included), or -1.
    int targetMarkAt(int offset) const;
    // Names without repeats, in the order of first use; empty names left out.
    std::vector<std::string> targetNames() const;
    std::vector<std::string> variableNames() const;
};

// Reads the whole page. Cancel, when given, is asked now and then (every 64 KB or so) and stops
// the reading when it answers true: the index is then incomplete.
TPageIndex indexPage(std::string_view page, const std::atomic<bool>* cancel = nullptr);

// The outline's groups: for each mark, the links that lead to it (to the first mark of a name
// only); the target links whose target is missing; every other action link. Link indices.
struct TLinkGroups {
    std::vector<std::vector<int>> byTarget; ///< one entry per mark
    std::vector<int> missing;
    std::vector<int> actions;
};
TLinkGroups groupLinks(const TPageIndex& index);

// Renaming a target: the edits that give the mark at index `mark`, every other mark of its name
// and every link to that name the new name, in page order. What refuses the rename is told in
// `refusal` and no edit comes back.
struct TNameEdit {
    int offset = 0;
    int length = 0;
};
struct TRenamePlan {
    std::vector<TNameEdit> edits; ///< the old name's places, each to get the new name
    std::string refusal;          ///< empty: the rename may go ahead
};
TRenamePlan planRename(const TPageIndex& index, int mark, std::string_view newName);

} // namespace markup
