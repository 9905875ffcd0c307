#include "markup/core/Completion.h"

#include "markup/core/ActionArguments.h"
#include "markup/core/Actions.h"
#include "markup/core/MarkupScan.h"
#include "markup/core/PageMarkup.h"

#include <algorithm>

namespace markup {

namespace {

bool isLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t lineEnd(std::string_view text, std::size_t from) {
    return std::min(text.find_first_of("\r\n", from), text.size());
}

// The action text of an Action piece that starts with "=", up to its "^l" or its line's end.
std::string_view actionText(std::string_view text, const TPiece& p) {
    return text.substr(static_cast<std::size_t>(p.offset), static_cast<std::size_t>(p.length));
}

int actionIndex(std::string_view word) {
    for (int k = 0; k < actions::kActionCount; ++k)
        if (actions::actionAt(k).word == word)
            return k;
    return -1;
}

// The context of a caret inside an action text (a starts with "=", caret relative to it).
TCompletionContext inAction(std::string_view text, const TPiece& p, int caret) {
    TCompletionContext c;
    const std::string_view a = actionText(text, p);
    const int at = caret - p.offset;
    const std::string_view typed = a.substr(0, static_cast<std::size_t>(at));
    if (typed.size() >= 2 && typed[1] == ':') {
        c.kind = TCompletionKind::TargetName;
        c.from = p.offset + 2;
        c.prefix = std::string(typed.substr(2));
        c.to = p.offset + static_cast<int>(a.size());
        return c;
    }
    const std::string_view words = a.substr(1);
    const std::size_t wordEnd = actionWordEnd(words);
    if (static_cast<std::size_t>(at) <= wordEnd + 1) {
        c.kind = TCompletionKind::ActionWord;
        c.from = p.offset + 1;
        c.prefix = std::string(typed.substr(1));
        c.to = c.from + static_cast<int>(wordEnd);
        const std::size_t end = lineEnd(text, static_cast<std::size_t>(caret));
        c.closed =
            text.substr(static_cast<std::size_t>(caret), end - static_cast<std::size_t>(caret))
                .find(kActionLink.closing) != std::string_view::npos;
        return c;
    }
    // In the arguments: a variable being written, or the file argument of an assisted action.
    const std::size_t open = typed.rfind('[');
    if (open != std::string_view::npos &&
        typed.find_first_of("]\"", open) == std::string_view::npos) {
        c.kind = TCompletionKind::Variable;
        c.from = p.offset + static_cast<int>(open) + 1;
        c.prefix = std::string(typed.substr(open + 1));
        c.to = caret;
        return c;
    }
    const int index = actionIndex(words.substr(0, wordEnd));
    if (index < 0 || actions::actionAt(index).assistant == actions::TAssistant::None)
        return c;
    std::vector<TArgument> args;
    splitArguments(words, wordEnd, args, nullptr);
    const int path = actions::actionAt(index).pathArgument;
    if (path < 1 || static_cast<int>(args.size()) < path)
        return c;
    const TArgument& arg = args[static_cast<std::size_t>(path - 1)];
    const int from = p.offset + 1 + static_cast<int>(arg.at);
    const int to = from + static_cast<int>(arg.value.size());
    if (caret < from || caret > to)
        return c;
    c.kind = TCompletionKind::FileArgument;
    c.from = from;
    c.to = to;
    c.prefix = std::string(
        text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(caret - from)));
    c.action = index;
    return c;
}

// The Action piece that holds the caret (its end included), when its text starts with "=".
std::optional<TPiece> actionAround(std::string_view text, int caret) {
    TMarkupScanner scan(text);
    TPiece p;
    while (scan.next(p) && p.offset < caret) {
        if (p.kind == TPieceKind::Action && caret <= p.offset + p.length &&
            text[static_cast<std::size_t>(p.offset)] == '=')
            return p;
        if (caret <= p.offset + p.length)
            break;
    }
    return std::nullopt;
}

} // namespace

TCompletionContext completionAt(std::string_view text, int caret) {
    TCompletionContext c;
    if (caret <= 0 || caret > static_cast<int>(text.size()))
        return c;
    if (const std::optional<TPiece> p = actionAround(text, caret))
        return inAction(text, *p, caret);
    const auto at = [&](int k) {
        return static_cast<unsigned char>(text[static_cast<std::size_t>(k)]);
    };
    if (at(caret - 1) == '^' || (caret >= 2 && at(caret - 2) == '^' && isLetter(at(caret - 1)))) {
        c.kind = TCompletionKind::Code;
        c.from = at(caret - 1) == '^' ? caret - 1 : caret - 2;
        c.to = caret;
        c.prefix = std::string(text.substr(static_cast<std::size_t>(c.from),
                                           static_cast<std::size_t>(caret - c.from)));
        return c;
    }
    for (int k = caret - 1; k >= 0; --k) {
        const unsigned char b = at(k);
        if (b == '[') {
            c.kind = TCompletionKind::Variable;
            c.from = k + 1;
            c.to = caret;
            c.prefix = std::string(text.substr(static_cast<std::size_t>(c.from),
                                               static_cast<std::size_t>(caret - c.from)));
            return c;
        }
        if (b == ']' || b == '^' || b == '\r' || b == '\n')
            break;
    }
    return c;
}

bool inActionText(std::string_view text, int caret) {
    return caret > 0 && caret <= static_cast<int>(text.size()) && actionAround(text, caret);
}

std::vector<TCompletionItem> codeItems(std::string_view sizeText, int colorNumber) {
    std::vector<TCompletionItem> items;
    for (std::size_t k = 0; k < kCaretCodes.size(); ++k) {
        const TCodePair& pair = kCaretCodes[k];
        std::string opening(pair.opening);
        if (static_cast<int>(k) == kSizePair)
            opening = fontSizeOpening(sizeText);
        else if (static_cast<int>(k) == kColorPair)
            opening = fontColorOpening(colorNumber);
        TCompletionItem item;
        item.text = std::string(pair.opening.substr(0, 2));
        item.detail = std::string(pair.name);
        item.insert = opening + std::string(pair.closing);
        item.caret = static_cast<int>(opening.size());
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<TCompletionItem> actionItems(bool closed) {
    std::vector<TCompletionItem> items;
    const auto& defaults = defaultArguments();
    for (int k = 0; k < actions::kActionCount; ++k) {
        const actions::TAction& a = actions::actionAt(k);
        std::string_view body = a.defaultText.substr(1); // after "="
        if (closed)
            body.remove_suffix(kActionLink.closing.size());
        TCompletionItem item;
        item.text = std::string(a.word);
        item.detail = a.item == a.word ? std::string() : std::string(a.item);
        item.insert = std::string(body);
        item.caret = static_cast<int>(a.word.size());
        // The first value meant to be replaced, in its quotes.
        for (std::string_view v : defaults[static_cast<std::size_t>(k)]) {
            if (!isPlaceholder(v))
                continue;
            // Built by appending: "\"" + std::string(v) + "\"" trips a false -Wrestrict of
            // GCC 12 at -O3.
            std::string quoted(1, '"');
            quoted.append(v).push_back('"');
            const std::size_t at = item.insert.find(quoted);
            if (at != std::string::npos) {
                item.caret = static_cast<int>(at) + 1;
                item.selectLength = static_cast<int>(v.size());
                break;
            }
        }
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<TCompletionItem> nameItems(const std::vector<std::string>& names,
                                       std::string_view after) {
    std::vector<TCompletionItem> items;
    for (const std::string& n : names) {
        TCompletionItem item;
        item.text = n;
        item.insert = n + std::string(after);
        item.caret = static_cast<int>(item.insert.size());
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<TCompletionItem> filterItems(const std::vector<TCompletionItem>& items,
                                         std::string_view prefix) {
    std::vector<TCompletionItem> out;
    for (const TCompletionItem& item : items)
        if (item.text.size() >= prefix.size() &&
            std::equal(prefix.begin(), prefix.end(), item.text.begin(),
                       [](char a, char b) { return lower(a) == lower(b); }))
            out.push_back(item);
    return out;
}

bool typedWhole(const TCompletionContext& c, const std::vector<TCompletionItem>& items) {
    const auto sameText = [](std::string_view a, std::string_view b) {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(),
                          [](char x, char y) { return lower(x) == lower(y); });
    };
    for (const TCompletionItem& item : items) {
        if (c.kind != TCompletionKind::Code) {
            if (sameText(item.text, c.prefix))
                return true;
            continue;
        }
        const std::string_view insert(item.insert);
        const std::size_t opening = static_cast<std::size_t>(item.caret);
        if (insert.substr(0, opening) == c.prefix || insert.substr(opening) == c.prefix)
            return true;
    }
    return false;
}

std::optional<TSpan> argumentStep(std::string_view text, int caret, int selectionEnd,
                                  bool forward) {
    const std::optional<TPiece> p = actionAround(text, std::max(caret, 1));
    if (!p)
        return std::nullopt;
    const std::string_view words = actionText(text, *p).substr(1);
    std::vector<TArgument> args;
    splitArguments(words, actionWordEnd(words), args, nullptr);
    if (args.empty())
        return std::nullopt;
    std::vector<TSpan> spans;
    for (const TArgument& a : args)
        spans.push_back({p->offset + 1 + static_cast<int>(a.at), static_cast<int>(a.value.size())});
    // The argument the caret (or the selection) is in, if any; then the one after or before it,
    // round the link's ends.
    const int n = static_cast<int>(spans.size());
    int current = -1;
    for (int k = 0; k < n; ++k)
        if (spans[static_cast<std::size_t>(k)].offset <= caret &&
            selectionEnd <= spans[static_cast<std::size_t>(k)].offset +
                                spans[static_cast<std::size_t>(k)].length)
            current = k;
    int to = -1;
    if (current >= 0) {
        to = (current + (forward ? 1 : n - 1)) % n;
    } else if (forward) {
        to = 0;
        for (int k = n - 1; k >= 0; --k)
            if (spans[static_cast<std::size_t>(k)].offset > caret)
                to = k;
    } else {
        to = n - 1;
        for (int k = 0; k < n; ++k)
            if (spans[static_cast<std::size_t>(k)].offset < caret)
                to = k;
    }
    return spans[static_cast<std::size_t>(to)];
}

} // namespace markup
