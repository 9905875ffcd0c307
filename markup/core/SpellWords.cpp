#include "markup/core/SpellWords.h"

#include "document/core/Cp1252.h"
#include "markup/core/MarkupScan.h"

#include <algorithm>
#include <array>

namespace markup {

namespace {

enum : unsigned char { kOther = 0, kWord = 1, kJoiner = 2, kSpace = 3 };

// What each page byte is to a word: letters and digits make words; an apostrophe (straight or
// curly) or a hyphen joins two of them; spaces (no-break space included) end a run of prose.
constexpr std::array<unsigned char, 256> kBytes = [] {
    std::array<unsigned char, 256> a{};
    for (int c = 0; c <= 0x20; ++c)
        a[c] = kSpace;
    a[0xA0] = kSpace;
    for (int c = '0'; c <= '9'; ++c)
        a[c] = kWord;
    for (int c = 'A'; c <= 'Z'; ++c)
        a[c] = a[c + 32] = kWord;
    for (int c : {0x8A, 0x8C, 0x8E, 0x9A, 0x9C, 0x9E, 0x9F, 0xAA, 0xB5, 0xBA})
        a[c] = kWord;
    for (int c = 0xC0; c <= 0xFF; ++c)
        if (c != 0xD7 && c != 0xF7)
            a[c] = kWord;
    a['\''] = a[0x92] = a['-'] = kJoiner;
    return a;
}();

constexpr bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// A run of prose that names something rather than says it: an e-mail or web address, a path, a
// file or site name ("notes.txt", "www.exemple.fr").
bool isName(std::string_view chunk) {
    if (chunk.find_first_of("@/\\") != std::string_view::npos)
        return true;
    for (std::size_t k = 1; k + 1 < chunk.size(); ++k)
        if (chunk[k] == '.' && kBytes[static_cast<unsigned char>(chunk[k - 1])] == kWord &&
            kBytes[static_cast<unsigned char>(chunk[k + 1])] == kWord)
            return true;
    return false;
}

} // namespace

bool isWordByte(unsigned char c) {
    return kBytes[c] == kWord;
}

void TSpellSplitter::split(std::string_view line) {
    words_.clear();
    text_.clear();
    chunk_.clear();
    at_.clear();
    TMarkupScanner scan(line);
    TPiece p;
    bool inTarget = false;
    while (scan.next(p)) {
        switch (p.kind) {
        case TPieceKind::Text:
            if (inTarget)
                break;
            for (int k = p.offset; k < p.offset + p.length; ++k) {
                const unsigned char c = static_cast<unsigned char>(line[static_cast<size_t>(k)]);
                if (kBytes[c] == kSpace) {
                    flushChunk();
                } else {
                    chunk_.push_back(static_cast<char>(c));
                    at_.push_back(k);
                }
            }
            break;
        case TPieceKind::Open:
        case TPieceKind::Close:
            // Styles and colours sit inside prose; a tab parts it, a target mark holds a name.
            if (p.pair == kTargetPair) {
                flushChunk();
                inTarget = p.kind == TPieceKind::Open;
            } else if (p.pair == kTabPair) {
                flushChunk();
            }
            break;
        case TPieceKind::Unknown:
        case TPieceKind::Action:
        case TPieceKind::Variable:
        case TPieceKind::LineBreak:
            flushChunk();
            break;
        }
    }
    flushChunk();
}

void TSpellSplitter::flushChunk() {
    const int n = static_cast<int>(chunk_.size());
    if (n > 0 && !isName(chunk_)) {
        const auto kind = [&](int k) { return kBytes[static_cast<unsigned char>(chunk_[k])]; };
        int k = 0;
        while (k < n) {
            if (kind(k) != kWord) {
                ++k;
                continue;
            }
            const int start = k;
            bool digits = false;
            while (k < n && (kind(k) == kWord ||
                             (kind(k) == kJoiner && k + 1 < n && kind(k + 1) == kWord))) {
                digits = digits || isDigit(static_cast<unsigned char>(chunk_[k]));
                ++k;
            }
            if (digits)
                continue;
            TSpellWord w;
            w.offset = at_[start];
            w.end = at_[k - 1] + 1;
            w.text = static_cast<int>(text_.size());
            w.length = k - start;
            w.joined = w.end - w.offset != w.length;
            text_.append(chunk_, static_cast<size_t>(start), static_cast<size_t>(w.length));
            words_.push_back(w);
        }
    }
    chunk_.clear();
    at_.clear();
}

std::vector<std::string> spellWords(std::string_view line) {
    TSpellSplitter splitter;
    splitter.split(line);
    std::vector<std::string> out;
    for (const TSpellWord& w : splitter.words())
        out.emplace_back(splitter.letters(w));
    return out;
}

void wordToUtf8(std::string_view bytes, std::string& out) {
    out.clear();
    for (const char b : bytes) {
        const auto c = static_cast<unsigned char>(b);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        const char16_t u = cp1252::toUnicode(c);
        if (u < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (u >> 6)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (u >> 12)));
            out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
        }
        out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
}

} // namespace markup
