#pragma once

// What the author may be typing at the caret, and what to offer: the codes after "^", the action
// words after the "=" of a link, the page's target names after "=:", its variable names after "[",
// file names in the file argument of an action that takes one. The lists come from the markup's
// own tables (kCaretCodes, the action table) and from the page's index. Plain C++, no Qt.
//
// The text given is a stretch of the page that starts at a line's start (the scan starts there
// afresh); offsets are byte offsets into it.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace markup {

enum class TCompletionKind { None, Code, ActionWord, TargetName, Variable, FileArgument };

struct TCompletionContext {
    TCompletionKind kind = TCompletionKind::None;
    int from = 0;        ///< start of the text that a choice replaces
    int to = 0;          ///< its end: the caret, or past the rest of the word after it
    std::string prefix;  ///< what is typed from `from` up to the caret
    int action = -1;     ///< FileArgument: the action's index in the action table
    bool closed = false; ///< ActionWord: "^l" follows the caret on its line
};

TCompletionContext completionAt(std::string_view text, int caret);

// Whether the caret stands in the action text of a link (after its "=", up to its "^l").
bool inActionText(std::string_view text, int caret);

// One choice of the list: what the list shows and filters on (text, detail), what goes in, and
// where the caret then stands in it or what it selects.
struct TCompletionItem {
    std::string text;
    std::string detail;
    std::string insert;
    int caret = 0; ///< in insert
    int selectLength = 0;
};

// The eleven code pairs: "^B" ... "^b" with the caret between; the size and the colour as the
// toolbar's boxes hold them.
std::vector<TCompletionItem> codeItems(std::string_view sizeText, int colorNumber);
// The seventeen actions in their default form, their first placeholder selected; "^l" added
// unless the link is closed already.
std::vector<TCompletionItem> actionItems(bool closed);
// Names as they go in (a variable's closing "]" added unless one follows).
std::vector<TCompletionItem> nameItems(const std::vector<std::string>& names,
                                       std::string_view after = {});
// The items whose text starts with prefix, letters compared without case, in their order.
std::vector<TCompletionItem> filterItems(const std::vector<TCompletionItem>& items,
                                         std::string_view prefix);
// Whether what is typed at c is whole, so that no choice of items adds to it: a closing code, an
// opening code as its item puts it in ("^B", not "^F" before its size), or the whole text of an
// item (letters compared without case).
bool typedWhole(const TCompletionContext& c, const std::vector<TCompletionItem>& items);

// Tab in an action text: the quoted argument after (forward) or before the caret's, as the
// offset and length of its value. Nothing when the caret is in no action text with arguments.
struct TSpan {
    int offset = 0;
    int length = 0;
};
std::optional<TSpan> argumentStep(std::string_view text, int caret, int selectionEnd, bool forward);

} // namespace markup
