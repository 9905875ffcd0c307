#include "markup/core/MarkupCheck.h"

#include "document/core/Cp1252.h"
#include "markup/core/ActionArguments.h"
#include "markup/core/Actions.h"
#include "markup/core/PageMarkup.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <unordered_set>

namespace markup {

namespace {

constexpr int kNoPair = -1;

constexpr int pairIndex(const TCodePair& pair) {
    for (std::size_t k = 0; k < kCaretCodes.size(); ++k)
        if (kCaretCodes[k].opening == pair.opening)
            return static_cast<int>(k);
    return kNoPair;
}
constexpr int kLinkPair = pairIndex(kActionLink);
constexpr int kTargetPair = pairIndex(kTargetMark);
constexpr int kSizePair = pairIndex(kFontSize);
constexpr int kColorPair = pairIndex(kFontColor);
constexpr int kTabPair = pairIndex(kTab);

// What a byte after "^" means: the code pair it opens or closes, by index in kCaretCodes.
struct TCodeTable {
    std::array<int, 256> opens{};
    std::array<int, 256> closes{};
    TCodeTable() {
        opens.fill(kNoPair);
        closes.fill(kNoPair);
        for (std::size_t k = 0; k < kCaretCodes.size(); ++k) {
            opens[static_cast<unsigned char>(kCaretCodes[k].opening[1])] = static_cast<int>(k);
            closes[static_cast<unsigned char>(kCaretCodes[k].closing[1])] = static_cast<int>(k);
        }
    }
};

const TCodeTable& codeTable() {
    static const TCodeTable table;
    return table;
}

bool isLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

std::string inQuotes(std::string_view s) {
    std::string q = "\"";
    q.append(s).append("\"");
    return q;
}

bool sameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

class TChecker {
public:
    TChecker(std::string_view page, std::size_t maxFindings) : t_(page), max_(maxFindings) {}

    TCheckResult run();

private:
    struct TOpen {
        int pair;
        int offset;
        int length;
        bool alive;
    };

    void find(int offset, int length, TLevel level, std::string message);
    void plainBytes(int from, int to, bool inAction);
    void caret(int& i);
    void openCode(int pair, int at, int& i);
    void closeCode(int pair, int at);
    void number(int pair, int at, int& i);
    void actionLink(int eq, int& i);
    void action(int from, int to);

    std::string_view t_;
    std::size_t max_;
    TCheckResult r_;
    std::size_t kept_ = 0;
    int limit_ = -1; ///< once set, findings from here on are dropped

    std::vector<TOpen> open_;                                   ///< open spans, oldest first
    std::array<std::vector<int>, kCaretCodes.size()> byPair_{}; ///< indices into open_
    std::vector<int> linkHasAction_;                            ///< per open link: '=' seen
    std::vector<int> brackets_;                                 ///< "[" open on this line
    std::unordered_set<std::string_view> targets_;
    std::vector<std::pair<int, std::string_view>> marks_; ///< "^M" offset and name, page order
    std::vector<std::pair<int, std::string_view>> targetLinks_;
    int lastLinkClose_ = -1;             ///< offset of the last "^l" in the page
    std::vector<TArgument> args_;        ///< of the action being read
    std::vector<TArgumentFault> faults_; ///< of the action being read
};

void TChecker::find(int offset, int length, TLevel level, std::string message) {
    if (limit_ >= 0 && offset >= limit_)
        return;
    if (limit_ < 0 && kept_ >= max_) {
        limit_ = offset;
        r_.truncated = true;
        return;
    }
    TFinding f;
    f.offset = offset;
    f.length = std::max(length, t_.empty() ? 0 : 1);
    f.level = level;
    f.message = std::move(message);
    r_.findings.push_back(std::move(f));
    ++kept_;
}

void TChecker::plainBytes(int from, int to, bool inAction) {
    for (int i = from; i < to; ++i) {
        const char c = t_[static_cast<std::size_t>(i)];
        if (c == '[') {
            brackets_.push_back(i);
        } else if (c == ']') {
            if (brackets_.empty())
                find(i, 1, TLevel::Warning, "\"]\" has no \"[\" before it on the same line");
            else
                brackets_.pop_back();
        } else if (c == '\n') {
            for (int b : brackets_)
                find(b, 1, TLevel::Warning, "\"[\" has no \"]\" after it on the same line");
            brackets_.clear();
            if (inAction)
                find(i, 1, TLevel::Warning, "the action text runs over a line break");
        }
    }
}

TCheckResult TChecker::run() {
    const auto* p = reinterpret_cast<const unsigned char*>(t_.data());
    const int n = static_cast<int>(t_.size());
    for (int k = n - 2; k >= 0; --k)
        if (p[k] == '^' && p[k + 1] == static_cast<unsigned char>(kActionLink.closing[1])) {
            lastLinkClose_ = k;
            break;
        }

    static const auto interesting = [] {
        std::array<bool, 256> a{};
        for (unsigned char c : {'^', '[', ']', '\n', '='})
            a[c] = true;
        return a;
    }();
    int i = 0;
    while (i < n) {
        while (i < n && !interesting[p[i]])
            ++i;
        if (i >= n)
            break;
        if (p[i] == '^') {
            caret(i);
        } else if (p[i] == '=') {
            if (!linkHasAction_.empty() && !linkHasAction_.back())
                actionLink(i, i);
            else
                ++i;
        } else {
            plainBytes(i, i + 1, false);
            ++i;
        }
    }
    for (int b : brackets_)
        find(b, 1, TLevel::Warning, "\"[\" has no \"]\" after it on the same line");
    for (const TOpen& o : open_) {
        if (!o.alive)
            continue;
        const TCodePair& cp = kCaretCodes[static_cast<std::size_t>(o.pair)];
        find(o.offset, o.length, TLevel::Problem,
             inQuotes(cp.opening.substr(0, 2)) + " opens a span that is never closed (no " +
                 inQuotes(cp.closing) + " follows)");
    }
    for (const auto& [at, name] : targetLinks_)
        if (!targets_.contains(name))
            find(at, static_cast<int>(name.size()), TLevel::Problem,
                 "there is no target mark " +
                     inQuotes(std::string(kTargetMark.opening) + std::string(name) +
                              std::string(kTargetMark.closing)) +
                     " in the page");
    std::unordered_set<std::string_view> linked;
    for (const auto& [at, name] : targetLinks_)
        linked.insert(name);
    for (const auto& [at, name] : marks_)
        if (!linked.contains(name))
            find(at, static_cast<int>(name.size()) + 4, TLevel::Note,
                 "no link leads to the target mark " +
                     inQuotes(std::string(kTargetMark.opening) + std::string(name) +
                              std::string(kTargetMark.closing)));

    if (limit_ >= 0)
        std::erase_if(r_.findings, [&](const TFinding& f) { return f.offset >= limit_; });
    std::stable_sort(r_.findings.begin(), r_.findings.end(),
                     [](const TFinding& a, const TFinding& b) { return a.offset < b.offset; });
    if (r_.findings.size() > max_) {
        r_.findings.resize(max_);
        r_.truncated = true;
    }

    // Lines and columns, in one walk over the line breaks.
    int line = 1, lineStart = 0, walked = 0;
    const auto place = [&](TFinding& f) {
        while (walked < f.offset) {
            const void* nl =
                std::memchr(p + walked, '\n', static_cast<std::size_t>(f.offset - walked));
            if (!nl) {
                walked = f.offset;
                break;
            }
            walked = static_cast<int>(static_cast<const unsigned char*>(nl) - p) + 1;
            ++line;
            lineStart = walked;
        }
        f.line = line;
        f.column = f.offset - lineStart + 1;
    };
    for (TFinding& f : r_.findings) {
        place(f);
        ++r_.counts[static_cast<int>(f.level)];
    }
    line = 1;
    lineStart = 0;
    walked = 0;
    for (TFileRef& ref : r_.files)
        place(ref.where);
    return std::move(r_);
}

void TChecker::caret(int& i) {
    const int at = i;
    const int n = static_cast<int>(t_.size());
    if (i + 1 >= n || !isLetter(static_cast<unsigned char>(t_[static_cast<std::size_t>(i + 1)]))) {
        ++i; // a caret as typed
        return;
    }
    const auto letter = static_cast<unsigned char>(t_[static_cast<std::size_t>(i + 1)]);
    i += 2;
    const TCodeTable& table = codeTable();
    if (table.opens[letter] != kNoPair)
        openCode(table.opens[letter], at, i);
    else if (table.closes[letter] != kNoPair)
        closeCode(table.closes[letter], at);
    else
        find(at, 2, TLevel::Warning,
             inQuotes(t_.substr(static_cast<std::size_t>(at), 2)) + " is not a code of the markup");
}

void TChecker::openCode(int pair, int at, int& i) {
    if (pair == kSizePair || pair == kColorPair || pair == kTabPair)
        number(pair, at, i);
    open_.push_back({pair, at, i - at, true});
    byPair_[static_cast<std::size_t>(pair)].push_back(static_cast<int>(open_.size()) - 1);
    if (pair == kLinkPair)
        linkHasAction_.push_back(0);
}

void TChecker::closeCode(int pair, int at) {
    const TCodePair& cp = kCaretCodes[static_cast<std::size_t>(pair)];
    std::vector<int>& stack = byPair_[static_cast<std::size_t>(pair)];
    if (stack.empty()) {
        find(at, 2, TLevel::Problem,
             inQuotes(cp.closing) + " closes a span that was never opened (no " +
                 inQuotes(cp.opening.substr(0, 2)) + " before it)");
        return;
    }
    if (pair == kLinkPair) {
        if (!linkHasAction_.back()) {
            const TOpen& o = open_[static_cast<std::size_t>(stack.back())];
            find(o.offset, at + 2 - o.offset, TLevel::Problem,
                 "the link has no \"=\" and no action before " + inQuotes(kActionLink.closing));
        }
        linkHasAction_.pop_back();
    }
    const int index = stack.back();
    stack.pop_back();
    if (index != static_cast<int>(open_.size()) - 1) {
        const TOpen& inner = open_.back();
        const TCodePair& ic = kCaretCodes[static_cast<std::size_t>(inner.pair)];
        find(at, 2, TLevel::Note,
             inQuotes(cp.closing) + " closes while " + inQuotes(ic.opening.substr(0, 2)) +
                 ", opened inside its span, is still open: the spans cross");
    }
    TOpen& o = open_[static_cast<std::size_t>(index)];
    o.alive = false;
    if (pair == kTargetPair) {
        const int from = o.offset + o.length;
        const std::string_view name =
            t_.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(at - from));
        targets_.insert(name);
        marks_.push_back({o.offset, name});
    }
    while (!open_.empty() && !open_.back().alive)
        open_.pop_back();
}

// The number after "^F", "^P" or "^T": i stands after the letter and moves past the digits.
void TChecker::number(int pair, int at, int& i) {
    const TCodePair& cp = kCaretCodes[static_cast<std::size_t>(pair)];
    const char letter = cp.opening[1];
    const int n = static_cast<int>(t_.size());
    int end = i;
    while (end < n && isDigit(static_cast<unsigned char>(t_[static_cast<std::size_t>(end)])))
        ++end;
    const std::string_view digits =
        t_.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(end - i));
    i = end;

    const char* what = letter == kFontSize.opening[1]    ? "size"
                       : letter == kFontColor.opening[1] ? "colour"
                                                         : "tab";
    const auto valid = [&](std::string_view d) {
        if (d.empty() || d.size() > 6)
            return false;
        int v = 0;
        for (char c : d)
            v = v * 10 + (c - '0');
        if (letter == kFontSize.opening[1])
            return v >= kFontSizeMin && v <= kFontSizeMax;
        if (letter == kFontColor.opening[1])
            return isColorNumber(v) && (d.size() == 1 || d[0] != '0');
        return d == kTab.opening.substr(2);
    };
    if (!digits.empty() && valid(digits)) {
        // The common case: a right number, and no digit or word break after it that could make
        // it read otherwise.
        const unsigned char next =
            end < n ? static_cast<unsigned char>(t_[static_cast<std::size_t>(end)]) : 0;
        if (digits.size() == 1 || isLetter(next) || next == '^' || next == 0)
            return;
    }
    const std::string code = inQuotes(cp.opening.substr(0, 2));
    if (digits.empty()) {
        if (letter == kTab.opening[1])
            find(at, 2, TLevel::Note,
                 code + " has no number: the tab code is " + inQuotes(kTab.opening));
        else
            find(at, 2, TLevel::Problem,
                 code + " has no " + (letter == kFontSize.opening[1] ? "size" : "colour number") +
                     " after it");
        return;
    }
    // The longest shorter number that would be right, and the text that would then follow it.
    std::string other;
    for (std::size_t len = std::min<std::size_t>(digits.size() - 1, 6); len >= 1; --len) {
        if (!valid(digits.substr(0, len)))
            continue;
        std::size_t from = static_cast<std::size_t>(i) - (digits.size() - len);
        std::size_t to = from;
        while (to < t_.size() && to - from < 12 && t_[to] != '\r' && t_[to] != '\n' &&
               t_[to] != '^')
            ++to;
        other = std::string(what) + " " + std::string(digits.substr(0, len)) + " before " +
                inQuotes(t_.substr(from, to - from));
        break;
    }
    const int length = end - at;
    const std::string shown = std::string(what) + " " +
                              std::string(digits.size() > 6 ? digits.substr(0, 6) : digits) +
                              (digits.size() > 6 ? "..." : "");
    if (!valid(digits)) {
        std::string message;
        TLevel level = TLevel::Note;
        if (letter == kFontSize.opening[1]) {
            message = shown + " is outside " + std::to_string(kFontSizeMin) + " to " +
                      std::to_string(kFontSizeMax);
        } else if (letter == kFontColor.opening[1]) {
            const bool leadingZero = digits[0] == '0' && digits.size() > 1;
            level = leadingZero ? TLevel::Warning : TLevel::Problem;
            message = leadingZero ? "a colour number is written without a leading zero"
                                  : "there is no " + shown + ": colours are 0 to " +
                                        std::to_string(kPageColorCount - 1);
        } else {
            message = inQuotes(t_.substr(static_cast<std::size_t>(at),
                                         static_cast<std::size_t>(length))) +
                      ": the tab code is " + inQuotes(kTab.opening);
        }
        if (!other.empty())
            message += " (or is it " + other + "?)";
        find(at, length, level, std::move(message));
        return;
    }
    // A right number followed by what reads as the rest of a number in the text ("^P15 apples").
    const unsigned char next =
        end < n ? static_cast<unsigned char>(t_[static_cast<std::size_t>(end)]) : 0;
    const bool wordBreak = next == ' ' || next == '\t' || next == '.' || next == ',' ||
                           next == '%' || next == ';' || next == ':' || next == ')';
    if (!other.empty() && wordBreak)
        find(at, length, TLevel::Note,
             "the number runs into the text: is it " + shown + ", or " + other + "?");
}

// "=" inside an open link: the action text runs to the next "^l".
void TChecker::actionLink(int eq, int& i) {
    linkHasAction_.back() = 1;
    if (eq > lastLinkClose_) {
        // No "^l" follows: the link stays open and is reported as never closed.
        i = eq + 1;
        return;
    }
    int close = eq + 1;
    for (;;) {
        const void* c = std::memchr(t_.data() + close, '^',
                                    static_cast<std::size_t>(lastLinkClose_ - close + 1));
        close = static_cast<int>(static_cast<const char*>(c) - t_.data());
        if (t_[static_cast<std::size_t>(close + 1)] == kActionLink.closing[1])
            break;
        ++close;
    }
    plainBytes(eq + 1, close, true);
    action(eq + 1, close);
    closeCode(kLinkPair, close);
    i = close + 2;
}

void TChecker::action(int from, int to) {
    const std::string_view a =
        t_.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
    const auto at = [&](std::size_t k) { return from + static_cast<int>(k); };
    if (a.empty()) {
        find(from - 1, 1, TLevel::Problem, "the link has no action after \"=\"");
        return;
    }
    if (a[0] == ':') {
        if (a.size() == 1)
            find(from, 1, TLevel::Problem, "the target link names no target");
        else
            targetLinks_.push_back({from + 1, a.substr(1)});
        return;
    }
    const std::size_t wordEnd = actionWordEnd(a);
    const std::string_view word = a.substr(0, wordEnd);
    int index = -1;
    for (int k = 0; k < actions::kActionCount; ++k)
        if (actions::actionAt(k).word == word)
            index = k;
    if (index < 0) {
        if (word.empty()) {
            find(from, 1, TLevel::Problem, "the action text has no action word");
            return;
        }
        std::string message = inQuotes(word) + " is not an action word";
        for (int k = 0; k < actions::kActionCount; ++k)
            if (sameLetters(actions::actionAt(k).word, word))
                message += " (did you mean " + inQuotes(actions::actionAt(k).word) + "?)";
        find(from, static_cast<int>(wordEnd), TLevel::Problem, std::move(message));
        return;
    }
    std::vector<TArgument>& args = args_;
    std::vector<TArgumentFault>& faults = faults_;
    faults.clear();
    splitArguments(a, wordEnd, args, &faults);
    for (TArgumentFault& f : faults)
        find(at(f.at), static_cast<int>(f.length), TLevel::Problem, std::move(f.message));
    const std::vector<std::string_view>& defaults =
        defaultArguments()[static_cast<std::size_t>(index)];
    if (args.size() != defaults.size()) {
        const std::string expected = defaults.empty() ? "no arguments"
                                     : defaults.size() == 1
                                         ? "1 argument"
                                         : std::to_string(defaults.size()) + " arguments";
        find(from, static_cast<int>(a.size()), TLevel::Problem,
             std::string(word) + " takes " + expected + ", not " + std::to_string(args.size()));
    }
    const actions::TAction& act = actions::actionAt(index);
    for (std::size_t k = 0; k < args.size() && k < defaults.size(); ++k) {
        const TArgument& arg = args[k];
        const int length = std::max(static_cast<int>(arg.value.size()), 1);
        if (!arg.sound)
            continue;
        if (arg.value == defaults[k] && isPlaceholder(arg.value)) {
            find(at(arg.at), length, TLevel::Note,
                 inQuotes(arg.value) + " is still the placeholder as inserted");
        } else if (act.assistant != actions::TAssistant::None &&
                   static_cast<int>(k) + 1 == act.pathArgument && !arg.value.empty() &&
                   (arg.value[0] == '/' || arg.value[0] == '\\' ||
                    (arg.value.size() > 1 && arg.value[1] == ':')) &&
                   std::filesystem::path(std::string(arg.value)).is_absolute()) {
            TFileRef ref;
            ref.where.offset = at(arg.at);
            ref.where.length = length;
            ref.path = std::string(arg.value);
            r_.files.push_back(std::move(ref));
        }
    }
}

} // namespace

TCheckResult checkMarkup(std::string_view page, std::size_t maxFindings) {
    return TChecker(page, maxFindings).run();
}

std::optional<TFinding> fileFinding(const TFileRef& ref, TFileState state) {
    if (state == TFileState::Present)
        return std::nullopt;
    TFinding f = ref.where;
    if (state == TFileState::Missing) {
        f.level = TLevel::Warning;
        f.message = "the file is not found on this machine";
    } else {
        f.level = TLevel::Note;
        f.message = "no answer in time on whether the file exists";
    }
    return f;
}

void addFinding(TCheckResult& result, TFinding finding) {
    const auto pos =
        std::upper_bound(result.findings.begin(), result.findings.end(), finding.offset,
                         [](int offset, const TFinding& f) { return offset < f.offset; });
    ++result.counts[static_cast<int>(finding.level)];
    result.findings.insert(pos, std::move(finding));
}

bool pageFileExists(std::string_view path) {
    // File names on this system are UTF-8.
    const std::string utf8 = cp1252::toUtf8(path);
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::path(utf8), ec);
}

std::string_view levelName(TLevel level) {
    switch (level) {
    case TLevel::Problem:
        return "problem";
    case TLevel::Warning:
        return "warning";
    case TLevel::Note:
        return "note";
    }
    return "";
}

std::string countsText(const TCheckResult& result) {
    std::string s;
    for (int k = 0; k < kLevelCount; ++k) {
        const int c = result.counts[k];
        if (c == 0)
            continue;
        if (!s.empty())
            s += ", ";
        s += std::to_string(c) + (result.truncated ? "+ " : " ");
        s += levelName(static_cast<TLevel>(k));
        if (c != 1)
            s += "s";
    }
    return s.empty() ? "no findings" : s;
}

std::string findingLine(const TFinding& f) {
    return std::to_string(f.line) + ":" + std::to_string(f.column) + "+" +
           std::to_string(f.length) + " " + std::string(levelName(f.level)) + ": " + f.message;
}

} // namespace markup
