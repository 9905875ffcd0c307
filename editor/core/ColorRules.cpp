#include "editor/core/ColorRules.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

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

struct NamedKeyColor {
    const char* name;
    TColor color;
};

constexpr NamedKeyColor kKeyColorNames[] = {
    {"BLACK", 0x000000},  {"MAROON", 0x000080},  {"GREEN", 0x008000}, {"OLIVE", 0x008080},
    {"NAVY", 0x800000},   {"PURPLE", 0x800080},  {"TEAL", 0x808000},  {"GRAY", 0x808080},
    {"SILVER", 0xC0C0C0}, {"RED", 0x0000FF},     {"LIME", 0x00FF00},  {"YELLOW", 0x00FFFF},
    {"BLUE", 0xFF0000},   {"FUCHSIA", 0xFF00FF}, {"AQUA", 0xFFFF00},  {"WHITE", 0xFFFFFF},
};

} // namespace

TColor ParseKeyColor(const std::string& text) {
    std::string s(trimmed(text).substr(0, 10));
    upperAscii(s);
    for (const NamedKeyColor& n : kKeyColorNames)
        if (s == n.name)
            return n.color;
    if (const size_t hash = s.find('#'); hash != std::string::npos)
        s.erase(hash, 1);
    if (s.find('$') == std::string::npos)
        s.insert(0, "$");
    std::uint32_t v = 0;
    if (!readHexInteger(s, v))
        return 0xFFFFFF;
    // The text is written 0xRRGGBB; colours are 0x00BBGGRR.
    return (v & 0xFF00) | ((v & 0xFF) << 16) | ((v >> 16) & 0xFF);
}

// --- TColorRule ------------------------------------------------------------------------------

TColorRule::TColorRule() = default;
TColorRule::~TColorRule() = default;

TColor TColorRule::SlotColor(int slot) const {
    return (slot >= 1 && slot <= kSlotCount) ? slots_[static_cast<size_t>(slot - 1)] : 0;
}

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

// The table reads "*" key "*+" slot "*" for every key. It is kept as text because that is what
// the rule exposes; the finder works from keywords_, so a key holding "*" (which makes the text
// ambiguous) is still found as written. A key longer than 31 characters is also used whole: a
// cut key would colour text that is not the keyword.
void TColorRule::buildKeywordTable(const std::vector<std::string>& lines) {
    keywordTable_ = "*";
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
        keywordTable_ += key;
        keywordTable_ += "*+";
        keywordTable_ += static_cast<char>(slot);
        keywordTable_ += '*';
        keywords_.push_back({static_cast<std::uint32_t>(keyChars_.size()),
                             static_cast<std::uint32_t>(key.size()), slot});
        keyChars_ += key;
    }

    // Index the keywords by first character, keeping table order within each character.
    firstStart_.fill(0);
    for (const Keyword& k : keywords_)
        ++firstStart_[static_cast<unsigned char>(keyChars_[k.Offset]) + 1];
    for (size_t b = 1; b < firstStart_.size(); ++b)
        firstStart_[b] += firstStart_[b - 1];
    byFirst_.assign(keywords_.size(), 0);
    std::array<std::uint32_t, 256> fill{};
    for (size_t i = 0; i < keywords_.size(); ++i) {
        const auto first = static_cast<unsigned char>(keyChars_[keywords_[i].Offset]);
        byFirst_[firstStart_[first] + fill[first]++] = static_cast<std::uint32_t>(i);
    }
}

std::array<TKeyPair, TColorRule::kPairCount>& TColorRule::clearedPairs() {
    if (!pairs_)
        pairs_ = std::make_unique<std::array<TKeyPair, kPairCount>>();
    pairs_->fill(TKeyPair{});
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
        TKeyPair& p = pairs[i];
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
        TKeyPair& p = pairs[i];
        p.Begin = cut(key, kPairKeyMax);
        p.Color = colorPart(color, DefKeyColor);
    }
}

// --- Finder ----------------------------------------------------------------------------------

// One pass over the region finds every keyword: at each character only the keywords starting
// with it are tried. Each keyword resumes after its previous occurrence, so its occurrences never
// overlap, exactly as searching it alone from the region start would find them. The records are
// then written keyword by keyword, in table order, because the order decides which of two
// overlapping keys of the rule wins the merge.
int TColorRule::findKeywords(TKeyDescrList& keys, int next, const char* text, int scanStart,
                             int scanEnd, TCoveredRange& covered) {
    if (keywords_.empty())
        return next;
    const auto n = static_cast<size_t>(scanEnd - scanStart);
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text + scanStart);
    if (!KeyCase) {
        if (upper_.size() < n)
            upper_.resize(n);
        for (size_t i = 0; i < n; ++i) {
            const unsigned char c = s[i];
            upper_[i] = static_cast<char>(c - (static_cast<unsigned>(c - 'a') < 26u ? 32 : 0));
        }
        s = reinterpret_cast<const unsigned char*>(upper_.data());
    }

    const size_t keyCount = keywords_.size();
    resumeAt_.assign(keyCount, 0);
    hits_.clear();
    hitStart_.assign(keyCount + 1, 0);
    const auto* chars = reinterpret_cast<const unsigned char*>(keyChars_.data());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = s[i];
        const std::uint32_t from = firstStart_[c];
        const std::uint32_t to = firstStart_[c + 1u];
        if (from == to)
            continue;
        const size_t left = n - i;
        for (std::uint32_t j = from; j < to; ++j) {
            const std::uint32_t k = byFirst_[j];
            const Keyword& kw = keywords_[k];
            if (static_cast<std::int64_t>(i) < resumeAt_[k] || kw.Length > left)
                continue;
            const unsigned char* key = chars + kw.Offset;
            std::uint32_t m = 1;
            while (m < kw.Length && s[i + m] == key[m])
                ++m;
            if (m < kw.Length)
                continue;
            resumeAt_[k] = static_cast<std::int64_t>(i + kw.Length);
            // The line break before the region and the NUL after it are not word characters.
            const bool accepted =
                PartWord || ((i == 0 || !isWordChar(s[i - 1])) &&
                             (kw.Length == left || !isWordChar(s[i + kw.Length])));
            if (accepted) {
                hits_.push_back({static_cast<std::int32_t>(k), static_cast<std::int32_t>(i)});
                ++hitStart_[k + 1];
            }
        }
    }
    if (hits_.empty())
        return next;

    // Counting sort by keyword: hits of one keyword are already in text order.
    for (size_t k = 1; k <= keyCount; ++k)
        hitStart_[k] += hitStart_[k - 1];
    keys.At(next + static_cast<int>(hits_.size()) - 1);
    for (const Hit& h : hits_) {
        const Keyword& kw = keywords_[static_cast<size_t>(h.Keyword)];
        const int index = next + static_cast<int>(hitStart_[static_cast<size_t>(h.Keyword)]++);
        const std::int64_t start = std::int64_t{scanStart} + h.Pos;
        append(keys, index, start, start + kw.Length - 1, slots_[kw.Slot - 1u], ZOrder, true,
               covered);
    }
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
            TKeyPair& p = pairs[static_cast<size_t>(i)];
            if (p.LastFound < pos)
                p.LastFound = findIn(text, pos, end, p.Begin);
            if (p.LastFound < bestAt) {
                bestAt = p.LastFound;
                best = i;
            }
        }
        if (best < 0)
            break;
        const TKeyPair& p = pairs[static_cast<size_t>(best)];
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
