#pragma once

// Colour rules and the key finder: plain C++, no Qt.
//
// Offsets are 0-based character offsets from the start of the editor text, a line break counting
// as the two characters CR LF. The text is single-byte (page code page).

#include "editor/core/Colors.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

enum TKeyDrawingType : std::uint8_t { dtKeyShow, dtEventDraw, dtBeginEnd, dtBeginLineEnd };

constexpr std::int32_t kFreeRecord = 0x7FFFFFFF; ///< StartPos of a free key record

// One found key, or after the merge one run. Its layout is part of the OnDraw interface.
struct TKeyDescr {
    std::int32_t StartPos = kFreeRecord; ///< offset of the key's first character
    std::int32_t EndPos = 0;             ///< offset of the key's last character (inclusive)
    TColor Color = 0;
    std::uint8_t ZOrder = 0;
    bool IsKeyword = false; ///< keyword match of a dtKeyShow rule
};

// The key records of the editor, reused from pass to pass and only grown.
class TKeyDescrList {
public:
    explicit TKeyDescrList(int capacity = 100);
    int Count() const { return static_cast<int>(items_.size()); }
    TKeyDescr& operator[](int i) { return items_[static_cast<size_t>(i)]; }
    const TKeyDescr& operator[](int i) const { return items_[static_cast<size_t>(i)]; }
    // The record at index i, allocated (free) when the list is shorter.
    TKeyDescr& At(int i);
    // Marks every record free.
    void Reset();

private:
    std::vector<TKeyDescr> items_;
};

// The lowest StartPos and the highest EndPos of the records of one pass; -1 while empty.
// Records that the merge skips (free, or ending before they start) leave it alone, and a record
// reaching before the text widens it from offset 0 only, so Low < 0 always means empty.
struct TCoveredRange {
    std::int32_t Low = -1;
    std::int32_t High = -1;
    bool Empty() const { return Low < 0; }
    void Widen(const TKeyDescr& k);
};

class TColorRule;

// OnDraw: called for dtEventDraw rules with the first character of the scan region (the text
// from there on ends with a NUL at the scan end), the editor's array of ColorLimMax records
// (zero-filled) and the count of records the handler filled. Sender is the rule.
using TDrawEvent =
    std::function<void(TColorRule& sender, const char* fromPos, TKeyDescr* a, int& itemsCount)>;

// What a rule needs of its editor: the OnDraw array and handler. The editor keeps one in its
// TDrawRules up to date; the rules of that collection point at it.
struct TEventDrawSource {
    int ColorLimMax = 0;
    std::vector<TKeyDescr>* Array = nullptr; ///< at least ColorLimMax records are used
    TDrawEvent* OnDraw = nullptr;
};

// Parses a colour text of a list line: one of 16 names, or a hexadecimal 0xRRGGBB number; white
// for anything else.
TColor ParseKeyColor(const std::string& text);

// One colour rule: the lists, the properties and the compiled tables.
class TColorRule {
public:
    TColorRule();
    ~TColorRule();
    TColorRule(const TColorRule&) = delete;
    TColorRule& operator=(const TColorRule&) = delete;

    static constexpr int kSlotCount = 41;
    static constexpr int kPairCount = 40;
    static constexpr int kPairKeyMax = 6;

    // Published properties, with their defaults.
    std::uint8_t ZOrder = 0;
    std::string IntChar;
    int KeyMaxHeight = 1;
    TKeyDrawingType KeyDrawingType = dtBeginEnd;
    bool KeyCase = false;
    bool Enabled = true;
    bool PartWord = false;
    TColor DefKeyColor = 0x0000FF;
    TColor KeySelColor = 0x00FFFF;
    TColor KeyBrushColor = colors::clWindow;

    // The three lists. Changing them directly takes effect at the next rebuild (PrepareRules);
    // the setters build the tables at once.
    std::vector<std::string> Keywords;
    std::vector<std::string> KeyBegEndLst;
    std::vector<std::string> KeyLineEndLst;
    void SetKeywords(const std::vector<std::string>& lines);
    void SetKeyBegEndLst(const std::vector<std::string>& lines);
    void SetKeyLineEndLst(const std::vector<std::string>& lines);

    // Copies the properties and lists of another rule (not IntChar and KeySelColor).
    void Assign(const TColorRule& source);

    // The editor whose OnDraw array and handler dtEventDraw rules use; set by TDrawRules::Add.
    // Without one, a dtEventDraw rule finds nothing.
    const TEventDrawSource* EventSource = nullptr;

private:
    friend bool BuildTables(TColorRule& rule);
    friend int FindKeys(TColorRule& rule, TKeyDescrList& keys, int next, const char* text,
                        int scanStart, int scanEnd, TCoveredRange& covered);
    struct Keyword {
        std::uint32_t Offset = 0; ///< of its characters in keyChars_
        std::uint32_t Length = 0;
        std::uint8_t Slot = 1;
    };
    // A keyword as the finder's index holds it, so that trying one takes no further lookup.
    struct KeyRef {
        std::uint32_t Keyword = 0; ///< index into keywords_
        std::uint32_t Offset = 0;
        std::uint32_t Length = 0;
        bool SelfOverlap = false; ///< two occurrences can overlap (the key has a border)
    };
    // One entry of the pair table: a begin/end pair or a line-end key.
    struct KeyPair {
        // At most 6 characters each. An empty Begin leaves this entry and the ones after it
        // unused; End is empty for line-end keys.
        std::string Begin;
        std::string End;
        TColor Color = 0;
        std::int64_t LastFound = -1; ///< where Begin was last found in the current search
    };
    struct Hit {
        std::int32_t Keyword;
        std::int32_t Pos;
    };
    void buildKeywordTable(const std::vector<std::string>& lines);
    void buildBegEndTable(const std::vector<std::string>& lines);
    void buildLineEndTable(const std::vector<std::string>& lines);
    std::array<KeyPair, kPairCount>& clearedPairs();
    void indexKeywords();
    void tryKeyword(const KeyRef& ref, size_t at, const unsigned char* s, size_t n);
    int findKeywords(TKeyDescrList& keys, int next, const char* text, int scanStart, int scanEnd,
                     TCoveredRange& covered);
    int findEvents(TKeyDescrList& keys, int next, const char* text, int scanStart, int scanEnd,
                   TCoveredRange& covered);
    int findSpans(TKeyDescrList& keys, int next, const char* text, int scanStart, int scanEnd,
                  TCoveredRange& covered);

    std::array<TColor, kSlotCount> slots_{};
    int slotsInUse_ = 0;
    std::vector<Keyword> keywords_; ///< the table's entries, in table order
    std::string keyChars_;          ///< the keys' characters, one after the other
    // Keywords by their first two characters. Each first character in use has a group g
    // (groupOf_, -1 for none); keyIndex_[groupStart_[g * 257 + c] .. groupStart_[g * 257 + c + 1])
    // are the keywords of that group with second character c - 1, or of length 1 for c = 0.
    std::array<std::uint8_t, 256> isFirst_{};
    std::string firstChars_; ///< the distinct first characters
    std::array<std::int16_t, 256> groupOf_{};
    std::array<std::uint8_t, 256> hasSingle_{}; ///< a one-character key starts with it
    std::vector<std::uint32_t> groupStart_;
    std::vector<KeyRef> keyIndex_;
    // The pair table, allocated when a begin/end or line-end list is first built.
    std::unique_ptr<std::array<KeyPair, kPairCount>> pairs_;
    // Work buffers of the finder, reused from pass to pass and only grown.
    std::vector<char> upper_;               ///< upper-case copy of the scan region
    std::vector<std::uint32_t> candidates_; ///< region offsets whose character starts a key
    std::vector<std::int64_t> resumeAt_;
    std::vector<Hit> hits_;
    std::vector<std::uint32_t> hitStart_;
};

// The rules of one editor and the rebuild-pending flag.
class TDrawRules {
public:
    TDrawRules();
    TDrawRules(const TDrawRules&) = delete;
    TDrawRules& operator=(const TDrawRules&) = delete;
    int Count() const { return static_cast<int>(rules_.size()); }
    TColorRule& operator[](int i) { return *rules_[static_cast<size_t>(i)]; }
    const TColorRule& operator[](int i) const { return *rules_[static_cast<size_t>(i)]; }
    // Appends a rule with the defaults, bound to this collection's EventSource.
    TColorRule& Add();
    void Clear();
    // Replaces the rules by copies of the source's (TColorRule::Assign); the flag and EventSource
    // stay this collection's.
    void Assign(const TDrawRules& source);
    bool RebuildPending = true;
    // The editor's OnDraw array and handler, kept current by the editor.
    TEventDrawSource EventSource;

private:
    std::vector<std::unique_ptr<TColorRule>> rules_;
};

// Rebuilds the rule's tables from its own lists; true when the rule has lines for its kind.
bool BuildTables(TColorRule& rule);
// Runs at the start of every paint pass: rebuilds every rule's tables on alternate passes.
void PrepareRules(TDrawRules& rules);
// Appends the keys that the rule finds in text[scanStart, scanEnd) to keys from record next on;
// text is the whole buffer, NUL-terminated at scanEnd. Returns the index of the next free record.
int FindKeys(TColorRule& rule, TKeyDescrList& keys, int next, const char* text, int scanStart,
             int scanEnd, TCoveredRange& covered);
