// The colour rule model and its key finder. They stay in one file, somewhat past 600 lines: the
// finder works straight on the tables the rule builds (keyword index, slots, pair table), and
// splitting them would expose those tables to every user of the rules.

#include "editor/core/ColorRules.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::int64_t kNotFound = std::numeric_limits<std::int64_t>::max();

bool isBlank(unsigned char c) {
    return c <= 32;
}

// Cuts characters with codes 0 to 32 from both ends.
std::string_view trimmed(std::string_view s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && isBlank(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && isBlank(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

void upperAscii(std::string& s) {
    for (char& c : s)
        c = upperAscii(c);
}

// "@", A-Z and a-z; digits, "_" and everything above 0x7F are not.
bool isWordChar(unsigned char c) {
    return (c >= 0x40 && c <= 0x5A) || (c >= 0x61 && c <= 0x7A);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads an integer the way the platform's conversion reads "$" hexadecimal text: an optional "+"
// or "-", then "$", then one or more hexadecimal digits and nothing else. The magnitude may use
// all 32 bits (leading zeros are free); anything larger is an overflow and fails. A "-" gives the
// 32-bit two's complement, so "-$1" is 0xFFFFFFFF.
bool readHexInteger(std::string_view s, std::uint32_t& value) {
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.size() < 2 || s[0] != '$')
        return false;
    std::uint64_t v = 0;
    for (char c : s.substr(1)) {
        const int d = hexDigit(c);
        if (d < 0)
            return false;
        v = v * 16 + static_cast<unsigned>(d);
        if (v > 0xFFFFFFFFull)
            return false;
    }
    value = static_cast<std::uint32_t>(negative ? (0x100000000ull - v) & 0xFFFFFFFFull : v);
    return true;
}

// The colour of a list line's colour part: the rule's default when there is none.
TColor colorPart(std::string_view part, TColor defColor) {
    return trimmed(part).empty() ? defColor : ParseKeyColor(std::string(part));
}

std::string cut(std::string_view s, size_t n) {
    return std::string(s.substr(0, n));
}

// First occurrence of key lying wholly inside text[from, end), or kNotFound.
std::int64_t findIn(const char* text, std::int64_t from, std::int64_t end, const std::string& key) {
    if (from >= end)
        return kNotFound;
    const std::string_view region(text + from, static_cast<size_t>(end - from));
    const size_t at = region.find(key);
    return at == std::string_view::npos ? kNotFound : from + static_cast<std::int64_t>(at);
}

// Offset of the CR of the first CR LF in text[from, end), or end.
std::int64_t lineEndIn(const char* text, std::int64_t from, std::int64_t end) {
    while (from + 1 < end) {
        const void* cr = std::memchr(text + from, '\r', static_cast<size_t>(end - from - 1));
        if (!cr)
            break;
        const std::int64_t at = static_cast<const char*>(cr) - text;
        if (text[at + 1] == '\n')
            return at;
        from = at + 1;
    }
    return end;
}

// True when a proper prefix of key is also its suffix, the only way two occurrences of the key
// can overlap (prefix function, linear in the key's length).
bool hasBorder(std::string_view key) {
    std::vector<size_t> border(key.size(), 0);
    for (size_t i = 1; i < key.size(); ++i) {
        size_t b = border[i - 1];
        while (b > 0 && key[i] != key[b])
            b = border[b - 1];
        border[i] = key[i] == key[b] ? b + 1 : 0;
    }
    return !key.empty() && border.back() > 0;
}

int append(TKeyDescrList& keys, int next, std::int64_t start, std::int64_t end, TColor color,
           std::uint8_t zOrder, bool isKeyword, TCoveredRange& covered) {
    TKeyDescr& k = keys.At(next);
    k.StartPos = static_cast<std::int32_t>(start);
    k.EndPos = static_cast<std::int32_t>(end);
    k.Color = color;
    k.ZOrder = zOrder;
    k.IsKeyword = isKeyword;
    covered.Widen(k);
    return next + 1;
}

bool fitsInt32(std::int64_t v) {
    return v >= std::numeric_limits<std::int32_t>::min() &&
           v <= std::numeric_limits<std::int32_t>::max();
}

} // namespace

TColor ParseKeyColor(const std::string& text) {
    std::string s(trimmed(text).substr(0, 10));
    upperAscii(s);
    if (const auto named = colors::basicColorFromPlainName(s))
        return *named;
    if (const size_t hash = s.find('#'); hash != std::string::npos)
        s.erase(hash, 1);
    if (s.find('$') == std::string::npos)
        s.insert(s.begin(), '$');
    std::uint32_t v = 0;
    if (!readHexInteger(s, v))
        return 0xFFFFFF;
    // The text is written 0xRRGGBB; colours are 0x00BBGGRR.
    return (v & 0xFF00) | ((v & 0xFF) << 16) | ((v >> 16) & 0xFF);
}

// --- TColorRule ------------------------------------------------------------------------------

TColorRule::TColorRule() = default;
TColorRule::~TColorRule() = default;

void TColorRule::SetKeywords(const std::vector<std::string>& lines) {
    buildKeywordTable(lines);
    if (&lines != &Keywords)
        Keywords = lines;
}

void TColorRule::SetKeyBegEndLst(const std::vector<std::string>& lines) {
    buildBegEndTable(lines);
    if (&lines != &KeyBegEndLst)
        KeyBegEndLst = lines;
}

void TColorRule::SetKeyLineEndLst(const std::vector<std::string>& lines) {
    buildLineEndTable(lines);
    if (&lines != &KeyLineEndLst)
        KeyLineEndLst = lines;
}

void TColorRule::Assign(const TColorRule& source) {
    KeyDrawingType = source.KeyDrawingType;
    ZOrder = source.ZOrder;
    KeyMaxHeight = source.KeyMaxHeight;
    KeyCase = source.KeyCase;
    Enabled = source.Enabled;
    PartWord = source.PartWord;
    DefKeyColor = source.DefKeyColor;
    KeyBrushColor = source.KeyBrushColor;
    // In this order, so that the pair table ends built from the begin/end lines.
    SetKeywords(source.Keywords);
    SetKeyLineEndLst(source.KeyLineEndLst);
    SetKeyBegEndLst(source.KeyBegEndLst);
}

// Every key with its colour slot, in line order; a key holding "*" is found as written, and a key
// longer than 31 characters is used whole: a cut key would colour text that is not the keyword.
void TColorRule::buildKeywordTable(const std::vector<std::string>& lines) {
    keywords_.clear();
    keyChars_.clear();
    slots_.fill(0);
    slotsInUse_ = 0;
    std::uint8_t lastSlot = 1;
    for (const std::string& line : lines) {
        if (trimmed(line).empty())
            continue;
        const size_t semi = line.find(';');
        std::string key = line.substr(0, semi);
        const TColor color = semi == std::string::npos
                                 ? DefKeyColor
                                 : colorPart(std::string_view(line).substr(semi + 1), DefKeyColor);
        if (trimmed(key).empty())
            continue;
        if (!KeyCase)
            upperAscii(key);
        std::uint8_t slot = 0;
        for (int i = 0; i < slotsInUse_ && slot == 0; ++i)
            if (slots_[static_cast<size_t>(i)] == color)
                slot = static_cast<std::uint8_t>(i + 1);
        if (slot == 0) {
            if (slotsInUse_ < kSlotCount) {
                slots_[static_cast<size_t>(slotsInUse_++)] = color;
                slot = static_cast<std::uint8_t>(slotsInUse_);
            } else {
                // All slots taken: the key shares the colour of the key accepted before it.
                slot = lastSlot;
            }
        }
        lastSlot = slot;
        keywords_.push_back({static_cast<std::uint32_t>(keyChars_.size()),
                             static_cast<std::uint32_t>(key.size()), slot});
        keyChars_ += key;
    }

    indexKeywords();
}

void TColorRule::indexKeywords() {
    isFirst_.fill(0);
    groupOf_.fill(-1);
    hasSingle_.fill(0);
    firstChars_.clear();
    int groups = 0;
    for (const Keyword& k : keywords_) {
        const auto first = static_cast<unsigned char>(keyChars_[k.Offset]);
        isFirst_[first] = 1;
        hasSingle_[first] |= k.Length == 1 ? 1 : 0;
        if (groupOf_[first] < 0) {
            groupOf_[first] = static_cast<std::int16_t>(groups++);
            firstChars_ += static_cast<char>(first);
        }
    }
    // Counting sort of the keywords by (group, second character); 0 stands for "no second".
    auto code = [this](const Keyword& k) {
        const auto first = static_cast<unsigned char>(keyChars_[k.Offset]);
        const size_t second =
            k.Length > 1 ? static_cast<unsigned char>(keyChars_[k.Offset + 1]) + 1u : 0u;
        return static_cast<size_t>(groupOf_[first]) * 257 + second;
    };
    groupStart_.assign(static_cast<size_t>(groups) * 257 + 1, 0);
    for (const Keyword& k : keywords_)
        ++groupStart_[code(k) + 1];
    for (size_t i = 1; i < groupStart_.size(); ++i)
        groupStart_[i] += groupStart_[i - 1];
    keyIndex_.assign(keywords_.size(), KeyRef{});
    std::vector<std::uint32_t> fill(groupStart_.begin(), groupStart_.end() - 1);
    for (size_t i = 0; i < keywords_.size(); ++i) {
        const Keyword& k = keywords_[i];
        keyIndex_[fill[code(k)]++] = {
            static_cast<std::uint32_t>(i), k.Offset, k.Length,
            hasBorder(std::string_view(keyChars_).substr(k.Offset, k.Length))};
    }
}

std::array<TColorRule::KeyPair, TColorRule::kPairCount>& TColorRule::clearedPairs() {
    if (!pairs_)
        pairs_ = std::make_unique<std::array<KeyPair, kPairCount>>();
    pairs_->fill(KeyPair{});
    return *pairs_;
}

void TColorRule::buildBegEndTable(const std::vector<std::string>& lines) {
    auto& pairs = clearedPairs();
    const size_t count = std::min<size_t>(lines.size(), kPairCount);
    for (size_t i = 0; i < count; ++i) {
        const std::string_view line = lines[i];
        const size_t semi = line.find(';');
        if (semi == std::string_view::npos || semi == 0)
            continue;
        KeyPair& p = pairs[i];
        p.Begin = cut(line.substr(0, semi), kPairKeyMax);
        const std::string_view rest = line.substr(semi + 1);
        const size_t semi2 = rest.find(';');
        p.End = cut(rest.substr(0, semi2), kPairKeyMax);
        p.Color = semi2 == std::string_view::npos ? DefKeyColor
                                                  : colorPart(rest.substr(semi2 + 1), DefKeyColor);
    }
}

void TColorRule::buildLineEndTable(const std::vector<std::string>& lines) {
    auto& pairs = clearedPairs();
    const size_t count = std::min<size_t>(lines.size(), kPairCount);
    for (size_t i = 0; i < count; ++i) {
        const std::string_view line = lines[i];
        if (line.empty())
            continue;
        std::string_view key = line;
        std::string_view color;
        if (line.starts_with(";;")) {
            // The doubled ";" stands for the key ";".
            key = line.substr(0, 1);
            color = line.substr(2);
        } else if (const size_t semi = line.find(';'); semi != std::string_view::npos && semi > 0) {
            key = line.substr(0, semi);
            color = line.substr(semi + 1);
        }
        KeyPair& p = pairs[i];
        p.Begin = cut(key, kPairKeyMax);
        p.Color = colorPart(color, DefKeyColor);
    }
}

// --- Finder ----------------------------------------------------------------------------------

// Tries a keyword at region offset at, whose first character (and second, for longer keys)
// already match.
[[gnu::always_inline]] inline void TColorRule::tryKeyword(const KeyRef& ref, size_t at,
                                                          const unsigned char* s, size_t n) {
    if (ref.Length > n - at)
        return;
    const auto* key = reinterpret_cast<const unsigned char*>(keyChars_.data()) + ref.Offset;
    for (std::uint32_t m = 2; m < ref.Length; ++m)
        if (s[at + m] != key[m])
            return;
    if (ref.SelfOverlap) {
        if (static_cast<std::int64_t>(at) < resumeAt_[ref.Keyword])
            return;
        resumeAt_[ref.Keyword] = static_cast<std::int64_t>(at + ref.Length);
    }
    // The line break before the region and the NUL after it are not word characters.
    const bool accepted = PartWord || ((at == 0 || !isWordChar(s[at - 1])) &&
                                       (ref.Length == n - at || !isWordChar(s[at + ref.Length])));
    if (accepted) {
        hits_.push_back({static_cast<std::int32_t>(ref.Keyword), static_cast<std::int32_t>(at)});
        ++hitStart_[ref.Keyword + 1];
    }
}

// One pass over the region finds every keyword: a branch-free sweep (fused with the upper-case
// copy) lists the offsets whose character starts some keyword, and at each of those only the
// keywords with the same first two characters are tried. Each keyword resumes after its previous
// occurrence, so its occurrences never overlap, exactly as searching it alone from the region
// start would find them (only a key with a border can overlap itself, so only such keys keep
// track). The records are then written keyword by keyword, in table order, because the order
// decides which of two overlapping keys of the rule wins the merge.
int TColorRule::findKeywords(TKeyDescrList& keys, int next, const char* text, int scanStart,
                             int scanEnd, TCoveredRange& covered) {
    if (keywords_.empty())
        return next;
    const auto n = static_cast<size_t>(scanEnd - scanStart);
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text + scanStart);
    if (candidates_.size() < n)
        candidates_.resize(n);
    std::uint32_t* cand = candidates_.data();
    size_t count = 0;
    unsigned char* up = nullptr;
    if (!KeyCase) {
        if (upper_.size() < n)
            upper_.resize(n);
        up = reinterpret_cast<unsigned char*>(upper_.data());
    }
    size_t i = 0;
#if defined(__SSE2__)
    // Sixteen characters at a time while few characters start keys (the usual case).
    constexpr size_t kVectorFirsts = 8;
    if (firstChars_.size() <= kVectorFirsts) {
        __m128i firsts[kVectorFirsts];
        const size_t nf = firstChars_.size();
        for (size_t f = 0; f < nf; ++f)
            firsts[f] = _mm_set1_epi8(firstChars_[f]);
        const __m128i a = _mm_set1_epi8('a');
        const __m128i z = _mm_set1_epi8(25);
        const __m128i caseBit = _mm_set1_epi8(0x20);
        for (; i + 16 <= n; i += 16) {
            __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            if (up) {
                const __m128i d = _mm_sub_epi8(c, a);
                const __m128i lower = _mm_cmpeq_epi8(_mm_min_epu8(d, z), d);
                c = _mm_sub_epi8(c, _mm_and_si128(lower, caseBit));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(up + i), c);
            }
            __m128i hit = _mm_setzero_si128();
            for (size_t f = 0; f < nf; ++f)
                hit = _mm_or_si128(hit, _mm_cmpeq_epi8(c, firsts[f]));
            for (auto mask = static_cast<unsigned>(_mm_movemask_epi8(hit)); mask; mask &= mask - 1)
                cand[count++] =
                    static_cast<std::uint32_t>(i + static_cast<unsigned>(__builtin_ctz(mask)));
        }
    }
#endif
    // The rest branch-free, a table lookup per character.
    if (up) {
        for (; i < n; ++i) {
            const unsigned char c = s[i];
            const auto u =
                static_cast<unsigned char>(c - (static_cast<unsigned>(c - 'a') < 26u ? 32 : 0));
            up[i] = u;
            cand[count] = static_cast<std::uint32_t>(i);
            count += isFirst_[u];
        }
        s = up;
    } else {
        for (; i < n; ++i) {
            cand[count] = static_cast<std::uint32_t>(i);
            count += isFirst_[s[i]];
        }
    }

    const size_t keyCount = keywords_.size();
    resumeAt_.assign(keyCount, 0);
    hits_.clear();
    hitStart_.assign(keyCount + 1, 0);
    const KeyRef* index = keyIndex_.data();
    const std::uint32_t* start = groupStart_.data();
    for (size_t c = 0; c < count; ++c) {
        const size_t at = cand[c];
        const size_t group = static_cast<size_t>(groupOf_[s[at]]) * 257;
        if (hasSingle_[s[at]])
            for (std::uint32_t j = start[group]; j < start[group + 1]; ++j)
                tryKeyword(index[j], at, s, n);
        if (at + 1 < n) {
            const size_t sub = group + 1 + s[at + 1];
            for (std::uint32_t j = start[sub]; j < start[sub + 1]; ++j)
                tryKeyword(index[j], at, s, n);
        }
    }
    if (hits_.empty())
        return next;

    // Counting sort by keyword: hits of one keyword are already in text order.
    for (size_t k = 1; k <= keyCount; ++k)
        hitStart_[k] += hitStart_[k - 1];
    keys.At(next + static_cast<int>(hits_.size()) - 1);
    std::int32_t low = kFreeRecord;
    std::int32_t high = -1;
    for (const Hit& h : hits_) {
        const Keyword& kw = keywords_[static_cast<size_t>(h.Keyword)];
        TKeyDescr& k = keys[next + static_cast<int>(hitStart_[static_cast<size_t>(h.Keyword)]++)];
        k.StartPos = scanStart + h.Pos;
        k.EndPos = k.StartPos + static_cast<std::int32_t>(kw.Length) - 1;
        k.Color = slots_[kw.Slot - 1u];
        k.ZOrder = ZOrder;
        k.IsKeyword = true;
        low = std::min(low, k.StartPos);
        high = std::max(high, k.EndPos);
    }
    covered.Widen(TKeyDescr{low, high, 0, 0, false});
    return next + static_cast<int>(hits_.size());
}

int TColorRule::findEvents(TKeyDescrList& keys, int next, const char* text, int scanStart,
                           int /*scanEnd*/, TCoveredRange& covered) {
    const TEventDrawSource* source = EventSource;
    if (!source || source->ColorLimMax <= 0 || !source->Array || !source->OnDraw ||
        !*source->OnDraw)
        return next;
    std::vector<TKeyDescr>& array = *source->Array;
    const int limit = std::min<int>(source->ColorLimMax, static_cast<int>(array.size()));
    if (limit <= 0)
        return next;
    std::fill_n(array.begin(), limit, TKeyDescr{0, 0, 0, 0, false});
    int itemsCount = 0;
    const TDrawEvent handler = *source->OnDraw; // the handler may replace the editor's
    handler(*this, text + scanStart, array.data(), itemsCount);
    // The handler may also have changed the editor's array; use what is there now.
    const int used = std::clamp(
        itemsCount, 0,
        std::min<int>({limit, source->ColorLimMax, static_cast<int>(source->Array->size())}));
    for (int i = 0; i < used; ++i) {
        const TKeyDescr a = (*source->Array)[static_cast<size_t>(i)];
        const std::int64_t start = std::int64_t{a.StartPos} + scanStart;
        const std::int64_t end = std::int64_t{a.EndPos} + scanStart;
        // Offsets that no longer fit a record cannot name a character: drop them.
        if (!fitsInt32(start) || !fitsInt32(end))
            continue;
        next = append(keys, next, start, end, a.Color, a.ZOrder != 0 ? a.ZOrder : ZOrder, false,
                      covered);
    }
    return next;
}

int TColorRule::findSpans(TKeyDescrList& keys, int next, const char* text, int scanStart,
                          int scanEnd, TCoveredRange& covered) {
    if (!pairs_)
        return next;
    auto& pairs = *pairs_;
    int used = 0;
    while (used < kPairCount && !pairs[static_cast<size_t>(used)].Begin.empty())
        pairs[static_cast<size_t>(used++)].LastFound = -1;
    const std::int64_t end = scanEnd;
    std::int64_t pos = scanStart;
    while (pos < end) {
        // The nearest begin key; an earlier entry wins a tie. Each entry's last find is reused
        // while it lies ahead, so every entry walks the region once.
        int best = -1;
        std::int64_t bestAt = kNotFound;
        for (int i = 0; i < used; ++i) {
            KeyPair& p = pairs[static_cast<size_t>(i)];
            if (p.LastFound < pos)
                p.LastFound = findIn(text, pos, end, p.Begin);
            if (p.LastFound < bestAt) {
                bestAt = p.LastFound;
                best = i;
            }
        }
        if (best < 0)
            break;
        const KeyPair& p = pairs[static_cast<size_t>(best)];
        if (KeyDrawingType == dtBeginEnd) {
            // An unterminated begin key ends the search and records nothing.
            if (p.End.empty())
                break;
            const std::int64_t at = findIn(text, bestAt + 1, end, p.End);
            if (at == kNotFound)
                break;
            next = append(keys, next, bestAt, at + static_cast<std::int64_t>(p.End.size()) - 1,
                          p.Color, ZOrder, false, covered);
            pos = at + 1;
        } else {
            const std::int64_t lineEnd = lineEndIn(text, bestAt, end);
            next = append(keys, next, bestAt, lineEnd - 1, p.Color, ZOrder, false, covered);
            pos = lineEnd + 1;
        }
    }
    return next;
}

bool BuildTables(TColorRule& rule) {
    rule.buildBegEndTable(rule.KeyBegEndLst);
    if (rule.KeyDrawingType == dtKeyShow)
        rule.buildKeywordTable(rule.Keywords);
    if (rule.KeyDrawingType == dtBeginLineEnd)
        rule.buildLineEndTable(rule.KeyLineEndLst);
    return !rule.KeyBegEndLst.empty() ||
           (rule.KeyDrawingType == dtKeyShow && !rule.Keywords.empty()) ||
           (rule.KeyDrawingType == dtBeginLineEnd && !rule.KeyLineEndLst.empty());
}

void PrepareRules(TDrawRules& rules) {
    if (!rules.RebuildPending) {
        rules.RebuildPending = true;
        return;
    }
    bool any = false;
    for (int i = 0; i < rules.Count(); ++i)
        any = BuildTables(rules[i]) || any;
    if (any)
        rules.RebuildPending = false;
}

int FindKeys(TColorRule& rule, TKeyDescrList& keys, int next, const char* text, int scanStart,
             int scanEnd, TCoveredRange& covered) {
    if (!text || next < 0 || scanStart < 0 || scanEnd < scanStart)
        return next;
    switch (rule.KeyDrawingType) {
    case dtKeyShow:
        return rule.findKeywords(keys, next, text, scanStart, scanEnd, covered);
    case dtEventDraw:
        return rule.findEvents(keys, next, text, scanStart, scanEnd, covered);
    case dtBeginEnd:
    case dtBeginLineEnd:
        return rule.findSpans(keys, next, text, scanStart, scanEnd, covered);
    }
    return next;
}

// --- TDrawRules ------------------------------------------------------------------------------

TDrawRules::TDrawRules() = default;

TColorRule& TDrawRules::Add() {
    rules_.push_back(std::make_unique<TColorRule>());
    rules_.back()->EventSource = &EventSource;
    return *rules_.back();
}

void TDrawRules::Clear() {
    rules_.clear();
}

void TDrawRules::Assign(const TDrawRules& source) {
    if (&source == this)
        return;
    Clear();
    for (int i = 0; i < source.Count(); ++i)
        Add().Assign(source[i]);
}
