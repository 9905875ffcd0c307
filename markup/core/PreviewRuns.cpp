#include "markup/core/PreviewRuns.h"

#include "markup/core/ActionArguments.h"

#include <algorithm>
#include <limits>

namespace markup {

namespace {

constexpr std::uint16_t kMaxDepth = std::numeric_limits<std::uint16_t>::max();

int top(const auto& stack, int depth) {
    return depth == 0 ? -1 : stack[static_cast<std::size_t>(std::min(depth, kPreviewStack) - 1)];
}

// Past kPreviewStack open spans, the stack keeps the innermost ones: the outermost value stands in
// for those that were let go.
template <class T> void push(T& stack, std::uint16_t& depth, int value) {
    if (depth == kMaxDepth)
        return;
    if (depth >= kPreviewStack) {
        std::copy(stack.begin() + 1, stack.end(), stack.begin());
        stack.back() = static_cast<typename T::value_type>(value);
    } else {
        stack[depth] = static_cast<typename T::value_type>(value);
    }
    ++depth;
}

template <class T> void pop(T& stack, std::uint16_t& depth) {
    --depth;
    if (depth < kPreviewStack)
        stack[depth] = 0;
    else
        std::copy_backward(stack.begin(), stack.end() - 1, stack.end());
}

// The value an opening code with a number sets: its number when it is one the code takes, else
// what was in effect (a tab with no number is the default one).
int openingValue(const TPreviewState& s, const TPiece& piece) {
    const int n = piece.number;
    if (piece.pair == kSizePair)
        return n >= 1 && n <= kPreviewMaxSize ? n : top(s.sizes, s.depth[kSizePair]);
    if (piece.pair == kColorPair)
        return isColorNumber(n) ? n : top(s.colors, s.depth[kColorPair]);
    return n >= 0 && n <= kPreviewMaxTab ? n : kPreviewDefaultTab;
}

} // namespace

TPreviewStyle TPreviewState::style() const {
    TPreviewStyle s;
    const auto on = [&](int pair, std::uint16_t flag) {
        if (depth[static_cast<std::size_t>(pair)] > 0)
            s.flags |= flag;
    };
    on(kBoldPair, kPreviewBold);
    on(kItalicPair, kPreviewItalic);
    on(kUnderlinedPair, kPreviewUnderlined);
    on(kStrikeoutPair, kPreviewStrikeout);
    on(kInversePair, kPreviewInverse);
    on(kTargetPair, kPreviewTarget);
    if (scan.linksAwaitingAction > 0 && !scan.inAction)
        s.flags |= kPreviewLink;
    s.size = static_cast<std::int16_t>(top(sizes, depth[kSizePair]));
    s.color = static_cast<std::int8_t>(top(colors, depth[kColorPair]));
    return s;
}

int TPreviewState::tab() const {
    return std::max(top(tabs, depth[kTabPair]), 0);
}

std::string TPreviewParagraph::text(std::string_view line) const {
    std::string out;
    out.reserve(static_cast<std::size_t>(length()));
    for (const TPreviewRun& r : runs)
        if (r.tab)
            out += '\t';
        else
            out.append(line.substr(static_cast<std::size_t>(r.source),
                                   static_cast<std::size_t>(r.length)));
    return out;
}

const TPreviewRun* TPreviewParagraph::runAt(int at) const {
    const auto it = std::upper_bound(runs.begin(), runs.end(), at,
                                     [](int a, const TPreviewRun& r) { return a < r.offset; });
    if (it == runs.begin())
        return nullptr;
    const TPreviewRun& r = *(it - 1);
    return at < r.offset + r.length ? &r : nullptr;
}

int TPreviewParagraph::sourceOf(int at) const {
    if (const TPreviewRun* r = runAt(at))
        return r->source + (r->tab ? 0 : at - r->offset);
    if (cut >= 0)
        return cut; // the note after a cut paragraph stands for what it leaves out
    if (runs.empty())
        return 0;
    const TPreviewRun& last = runs.back();
    return last.source + last.length; // after the last shown byte (a tab's "^T" has no width)
}

int TPreviewParagraph::shownAt(int source) const {
    for (const TPreviewRun& r : runs) {
        if (r.tab) {
            if (source <= r.source)
                return r.offset;
            continue;
        }
        if (source < r.source + r.length)
            return r.offset + std::max(source - r.source, 0);
    }
    return length();
}

TPreviewParagraph readPreviewLine(std::string_view line, TPreviewState& st, int maxShown) {
    TPreviewParagraph p;
    p.centred = st.depth[kCentredPair] > 0;
    p.indent = st.tab();
    int shown = 0;
    const int maxRuns = maxShown == kPreviewWhole ? kPreviewWhole : kPreviewMaxRuns;
    const auto show = [&](int source, int length, std::uint16_t extra, bool tab) {
        if (p.cut >= 0)
            return;
        if (shown >= maxShown || static_cast<int>(p.runs.size()) >= maxRuns) {
            p.cut = source;
            return;
        }
        if (length > maxShown - shown) {
            length = maxShown - shown;
            p.cut = source + length;
        }
        TPreviewStyle s = st.style();
        s.flags |= extra;
        if (!p.runs.empty()) {
            TPreviewRun& last = p.runs.back();
            if (!tab && !last.tab && last.style == s && last.source + last.length == source) {
                last.length += length;
                shown += length;
                return;
            }
        }
        p.runs.push_back({shown, length, source, s, tab});
        shown += length;
    };

    TMarkupScanner scanner(line, 0, st.scan);
    TPiece piece;
    while (scanner.next(piece)) {
        st.scan = scanner.state();
        const auto pair = static_cast<std::size_t>(piece.pair);
        switch (piece.kind) {
        case TPieceKind::Text:
        case TPieceKind::Unknown:
            show(piece.offset, piece.length, 0, false);
            break;
        case TPieceKind::Variable:
            show(piece.offset, piece.length, kPreviewVariable, false);
            break;
        case TPieceKind::Open:
            if (piece.pair == kLinkPair)
                break; // the scanner counts links until their "="
            if (piece.pair == kCentredPair)
                p.centred = true;
            if (piece.pair == kTabPair) {
                const int tab = openingValue(st, piece);
                show(piece.offset, 1, 0, true);
                if (p.cut < 0)
                    p.tabStops.push_back(tab);
                push(st.tabs, st.depth[pair], tab);
            } else if (piece.pair == kSizePair) {
                push(st.sizes, st.depth[pair], openingValue(st, piece));
            } else if (piece.pair == kColorPair) {
                push(st.colors, st.depth[pair], openingValue(st, piece));
            } else if (st.depth[pair] < kMaxDepth) {
                ++st.depth[pair];
            }
            break;
        case TPieceKind::Close:
            if (piece.pair == kLinkPair || st.depth[pair] == 0)
                break;
            if (piece.pair == kTabPair)
                pop(st.tabs, st.depth[pair]);
            else if (piece.pair == kSizePair)
                pop(st.sizes, st.depth[pair]);
            else if (piece.pair == kColorPair)
                pop(st.colors, st.depth[pair]);
            else
                --st.depth[pair];
            break;
        case TPieceKind::Action:
        case TPieceKind::LineBreak:
            break;
        }
    }
    st.scan = scanner.state();
    return p;
}

std::string previewLinkAction(const std::function<std::string_view(int)>& line, int lineCount,
                              int lineIndex, TPreviewState state, int source) {
    // A link never closed runs to the end of the page: what a tooltip shows of it is bounded.
    constexpr std::size_t kMaxAction = 2000;
    constexpr int kMaxLines = 5000;
    std::string action;
    bool collecting = false;
    int nested = 0;        // links opened after the place, whose action comes first
    bool skipping = false; // inside the action text of such a link
    TScanState scan = state.scan;
    for (int k = lineIndex; k < lineCount && k < lineIndex + kMaxLines; ++k) {
        const std::string_view text = line(k);
        TMarkupScanner scanner(text, 0, scan);
        TPiece piece;
        while (scanner.next(piece)) {
            if (k == lineIndex && piece.offset <= source)
                continue;
            if (piece.kind == TPieceKind::Open && piece.pair == kLinkPair && !collecting) {
                ++nested;
            } else if (piece.kind == TPieceKind::Action) {
                if (collecting) {
                    action.append(text.substr(static_cast<std::size_t>(piece.offset),
                                              static_cast<std::size_t>(piece.length)));
                } else if (!skipping && nested > 0) {
                    --nested;
                    skipping = true;
                } else if (!skipping) {
                    collecting = true;
                    action.append(text.substr(static_cast<std::size_t>(piece.offset) + 1,
                                              static_cast<std::size_t>(piece.length) - 1));
                }
            } else if (piece.kind == TPieceKind::Close && piece.pair == kLinkPair) {
                if (collecting)
                    return action;
                if (skipping)
                    skipping = false;
                else if (nested > 0)
                    --nested;
                else
                    return action; // closed with no action text
            }
            if (action.size() >= kMaxAction)
                return action.substr(0, kMaxAction);
        }
        scan = scanner.state();
        if (collecting)
            action += ' ';
    }
    while (!action.empty() && action.back() == ' ')
        action.pop_back();
    return action;
}

std::string previewLinkHref(std::string_view action) {
    const auto trim = [](std::string_view t) {
        while (!t.empty() && t.front() == ' ')
            t.remove_prefix(1);
        while (!t.empty() && t.back() == ' ')
            t.remove_suffix(1);
        return t;
    };
    action = trim(action);
    if (!action.empty() && action.front() == ':') {
        const std::string_view name = trim(action.substr(1));
        std::string href;
        if (!name.empty())
            href.append(1, '#').append(name);
        return href;
    }
    constexpr std::string_view kInternet = "InternetLink";
    if (action.substr(0, actionWordEnd(action)) != kInternet)
        return {};
    std::vector<TArgument> args;
    splitArguments(action, kInternet.size(), args, nullptr);
    if (args.empty() || !args.front().sound)
        return {};
    const std::string_view address = trim(args.front().value);
    if (isPlaceholder(address))
        return {};
    for (std::string_view scheme : {"http://", "https://", "mailto:", "ftp://"})
        if (address.size() > scheme.size() && address.substr(0, scheme.size()) == scheme)
            return std::string(address);
    if (address.size() > 4 && address.substr(0, 4) == "www.")
        return "http://" + std::string(address);
    return {};
}

std::vector<std::string_view> previewLines(std::string_view page) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t lf = page.find('\n', start);
        if (lf == std::string_view::npos) {
            lines.push_back(page.substr(start));
            return lines;
        }
        const std::size_t end = lf > start && page[lf - 1] == '\r' ? lf - 1 : lf;
        lines.push_back(page.substr(start, end - start));
        start = lf + 1;
    }
}

// ---------------------------------------------------------------------------------------------

TPreviewLines::TPreviewLines() : states_(1) {}

TPreviewLines::TPreviewLines(int maxShown) : states_(1), maxShown_(maxShown) {}

const TPreviewState& TPreviewLines::before(int line) const {
    return line <= 0 ? states_[0] : states_[end_[static_cast<std::size_t>(line) - 1]];
}

std::uint32_t TPreviewLines::intern(const TPreviewState& s, std::uint32_t hint) {
    if (states_[hint] == s)
        return hint;
    if (states_[0] == s)
        return 0;
    if (states_.back() == s)
        return static_cast<std::uint32_t>(states_.size() - 1);
    states_.push_back(s);
    return static_cast<std::uint32_t>(states_.size() - 1);
}

void TPreviewLines::compact() {
    std::vector<std::uint32_t> renamed(states_.size(), std::numeric_limits<std::uint32_t>::max());
    std::vector<TPreviewState> kept(1);
    renamed[0] = 0;
    for (std::uint32_t& e : end_) {
        if (renamed[e] == std::numeric_limits<std::uint32_t>::max()) {
            renamed[e] = static_cast<std::uint32_t>(kept.size());
            kept.push_back(states_[e]);
        }
        e = renamed[e];
    }
    states_ = std::move(kept);
}

TPreviewLines::TChange TPreviewLines::reset(int lineCount, const TLineReader& line,
                                            const TParagraphSink& sink) {
    return update(0, this->lineCount(), lineCount, line, sink);
}

namespace {

// Where a line stands after old lines [first, first + removed) became [first, first + added); a
// line among the edited ones becomes the line after them.
int shifted(int line, int first, int removed, int added) {
    if (line < first)
        return line;
    if (line >= first + removed)
        return line + added - removed;
    return first + added;
}

} // namespace

void TPreviewLines::read(int k, std::uint32_t hint, TPreviewState& state, std::uint32_t& previous,
                         const TLineReader& line, const TParagraphSink& sink) {
    const std::string_view text = line(k);
    const TPreviewParagraph p = readPreviewLine(text, state, maxShown_);
    std::uint32_t index = intern(state, hint);
    if (index != hint && states_[previous] == state)
        index = previous;
    previous = index;
    end_[static_cast<std::size_t>(k)] = index;
    if (sink)
        sink(k, text, p);
}

void TPreviewLines::markPending(int line) {
    if (pending_ < 0) {
        pending_ = pendingUntil_ = line;
    } else {
        // The line the sweep was to start from is a break too: it reads on to there at least.
        pendingUntil_ = std::max({pendingUntil_, pending_, line});
        pending_ = std::min(pending_, line);
    }
}

TPreviewLines::TChange TPreviewLines::update(int first, int removed, int added,
                                             const TLineReader& line, const TParagraphSink& sink,
                                             int limit) {
    const int oldCount = lineCount();
    first = std::clamp(first, 0, oldCount);
    removed = std::clamp(removed, 0, oldCount - first);
    added = std::max(added, 0);
    // The state the old line after the edited ones started in.
    const std::uint32_t oldNext =
        first + removed == 0 ? 0 : end_[static_cast<std::size_t>(first + removed - 1)];
    // Only the difference moves the states after the edit: a key that keeps the line count
    // moves none, however long the page.
    if (added > removed)
        end_.insert(end_.begin() + first + removed, static_cast<std::size_t>(added - removed), 0);
    else
        end_.erase(end_.begin() + first + added, end_.begin() + first + removed);
    if (pending_ >= 0) {
        pending_ = shifted(pending_, first, removed, added);
        pendingUntil_ = std::min(shifted(pendingUntil_, first, removed, added), lineCount() - 1);
        if (pending_ >= lineCount())
            pending_ = pendingUntil_ = -1;
    }

    TPreviewState state = before(first);
    std::uint32_t previous = first == 0 ? 0 : end_[static_cast<std::size_t>(first) - 1];
    for (int k = first; k < first + added; ++k)
        read(k, previous, state, previous, line, sink);
    int k = first + added;
    std::uint32_t oldIncoming = oldNext;
    for (int reread = 0; k < lineCount() && states_[oldIncoming] != state; ++reread, ++k) {
        // Lines still to be read again are the sweep's; so are those past the limit.
        if (pending_ >= first + added && k >= pending_)
            break;
        if (reread >= limit) {
            markPending(k);
            break;
        }
        const std::uint32_t oldEnd = end_[static_cast<std::size_t>(k)];
        read(k, oldEnd, state, previous, line, sink);
        oldIncoming = oldEnd;
    }
    if (states_.size() > 2 * end_.size() + 256)
        compact();
    return {first, removed + (k - first - added), k - first};
}

TPreviewLines::TChange TPreviewLines::sweep(int count, const TLineReader& line,
                                            const TParagraphSink& sink) {
    if (pending_ < 0)
        return {lineCount(), 0, 0};
    const int start = pending_;
    int k = start;
    TPreviewState state = before(k);
    std::uint32_t previous = k == 0 ? 0 : end_[static_cast<std::size_t>(k) - 1];
    for (int n = 0; k < lineCount() && n < count; ++n) {
        const std::uint32_t oldEnd = end_[static_cast<std::size_t>(k)];
        read(k, oldEnd, state, previous, line, sink);
        ++k;
        if (k > pendingUntil_ && states_[oldEnd] == state) {
            pending_ = pendingUntil_ = -1;
            return {start, k - start, k - start};
        }
    }
    if (k >= lineCount())
        pending_ = pendingUntil_ = -1;
    else
        pending_ = k;
    return {start, k - start, k - start};
}

void TPreviewLines::truncate(int lines) {
    lines = std::max(lines, 0);
    if (lines < lineCount())
        end_.resize(static_cast<std::size_t>(lines));
    if (pending_ >= lines)
        pending_ = pendingUntil_ = -1;
    else if (pendingUntil_ >= lines)
        pendingUntil_ = lines - 1;
}

} // namespace markup
