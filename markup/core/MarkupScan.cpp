#include "markup/core/MarkupScan.h"

#include <array>

namespace markup {

namespace {

constexpr int kNone = -1;

// What the letter after "^" opens or closes, by index in kCaretCodes.
struct TLetters {
    std::array<signed char, 256> opens{};
    std::array<signed char, 256> closes{};
    constexpr TLetters() {
        opens.fill(kNone);
        closes.fill(kNone);
        for (std::size_t k = 0; k < kCaretCodes.size(); ++k) {
            opens[static_cast<unsigned char>(kCaretCodes[k].opening[1])] =
                static_cast<signed char>(k);
            closes[static_cast<unsigned char>(kCaretCodes[k].closing[1])] =
                static_cast<signed char>(k);
        }
    }
};
constexpr TLetters kLetters;

// Bytes that can end a run of plain text.
constexpr std::array<bool, 256> kStops = [] {
    std::array<bool, 256> a{};
    for (unsigned char c : {'^', '[', '=', '\r', '\n'})
        a[c] = true;
    return a;
}();

constexpr bool isLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool TMarkupScanner::next(TPiece& p) {
    const int n = static_cast<int>(t_.size());
    if (i_ >= n)
        return false;
    p = TPiece{};
    p.offset = i_;
    const auto at = [&](int k) {
        return static_cast<unsigned char>(t_[static_cast<std::size_t>(k)]);
    };

    const unsigned char c = at(i_);
    if (c == '\n' || (c == '\r' && i_ + 1 < n && at(i_ + 1) == '\n')) {
        p.kind = TPieceKind::LineBreak;
        p.length = c == '\r' ? 2 : 1;
        i_ += p.length;
        return true;
    }
    if (s_.inAction)
        return action(p);

    if (c == '^' && i_ + 1 < n && isLetter(at(i_ + 1))) {
        const unsigned char letter = at(i_ + 1);
        i_ += 2;
        if (kLetters.opens[letter] != kNone) {
            p.kind = TPieceKind::Open;
            p.pair = kLetters.opens[letter];
            if (takesNumber(p.pair)) {
                long long v = 0;
                int end = i_;
                while (end < n && isDigit(at(end))) {
                    if (v < 1000000000)
                        v = v * 10 + (at(end) - '0');
                    ++end;
                }
                p.numberLength = end - i_;
                p.number = p.numberLength ? static_cast<int>(v) : -1;
                i_ = end;
            }
            if (p.pair == kLinkPair)
                ++s_.linksAwaitingAction;
        } else if (kLetters.closes[letter] != kNone) {
            p.kind = TPieceKind::Close;
            p.pair = kLetters.closes[letter];
            if (p.pair == kLinkPair && s_.linksAwaitingAction > 0)
                --s_.linksAwaitingAction;
        } else {
            p.kind = TPieceKind::Unknown;
        }
        p.length = i_ - p.offset;
        return true;
    }
    if (c == '=' && s_.linksAwaitingAction > 0) {
        --s_.linksAwaitingAction;
        s_.inAction = true;
        return action(p);
    }
    if (c == '[') {
        int end = i_ + 1;
        while (end < n && at(end) != ']' && at(end) != '[' && at(end) != '^' && at(end) != '\n' &&
               at(end) != '\r')
            ++end;
        if (end < n && at(end) == ']') {
            p.kind = TPieceKind::Variable;
            p.length = end + 1 - i_;
            i_ = end + 1;
            return true;
        }
    }
    // Plain text up to the next byte that may start something else.
    int end = i_ + 1;
    while (end < n && !kStops[at(end)])
        ++end;
    p.kind = TPieceKind::Text;
    p.length = end - i_;
    i_ = end;
    return true;
}

// Action text from i_ up to "^l" (which comes next as the link's Close) or the line's end.
bool TMarkupScanner::action(TPiece& p) {
    const int n = static_cast<int>(t_.size());
    const char closing = kActionLink.closing[1];
    int end = i_;
    while (end < n) {
        const char c = t_[static_cast<std::size_t>(end)];
        if (c == '\n' ||
            (c == '\r' && end + 1 < n && t_[static_cast<std::size_t>(end) + 1] == '\n'))
            break;
        if (c == '^' && end + 1 < n && t_[static_cast<std::size_t>(end) + 1] == closing) {
            s_.inAction = false;
            break;
        }
        ++end;
    }
    if (end == i_) {
        // "^l" right away: the action text is empty, so the Close comes now.
        s_.inAction = false;
        return next(p);
    }
    p.kind = TPieceKind::Action;
    p.length = end - i_;
    i_ = end;
    return true;
}

} // namespace markup
