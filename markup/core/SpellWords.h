#pragma once

// The words of a page line that spelling checks: its prose only. Codes (and the number after
// "^F", "^P" and "^T") are never part of a word, and a code inside a word joins its two parts
// ("^Bim^bpossible" is one word); an action text, a target mark's name and a variable are not
// prose. Words with digits, web and e-mail addresses, file names and paths are left out. An
// apostrophe (straight or curly) or a hyphen between two letters belongs to the word ("l'homme",
// "peut-être"), as the dictionaries want it. Plain C++, no Qt.
//
// Lines are page bytes (Windows-1252) without their line break; offsets are byte offsets into the
// line. Each line is read on its own: a link's action text or a target mark runs to the line's end
// at most, as the scanner reads them.

#include <string>
#include <string_view>
#include <vector>

namespace markup {

struct TSpellWord {
    int offset = 0;      ///< the word's first letter in the line
    int end = 0;         ///< one past its last letter (the codes inside included)
    int text = 0;        ///< where its letters start in TSpellSplitter::text()
    int length = 0;      ///< its letters, without the codes inside
    bool joined = false; ///< a code stands inside the word
};

// True for the page bytes that make words: letters and digits of Windows-1252.
bool isWordByte(unsigned char c);

class TSpellSplitter {
public:
    // Splits one line; words() then holds its words to check, in line order.
    void split(std::string_view line);

    const std::vector<TSpellWord>& words() const { return words_; }
    // The letters of a word (page bytes, codes left out).
    std::string_view letters(const TSpellWord& w) const {
        return std::string_view(text_).substr(static_cast<std::size_t>(w.text),
                                              static_cast<std::size_t>(w.length));
    }

private:
    void flushChunk();

    std::vector<TSpellWord> words_;
    std::string text_;
    // The run of prose between two spaces being read: its bytes and where each one is.
    std::string chunk_;
    std::vector<int> at_;
};

// The words of a line, as letters: for tests and tools.
std::vector<std::string> spellWords(std::string_view line);

// The UTF-8 form of a word's page bytes, as the dictionaries read words.
void wordToUtf8(std::string_view bytes, std::string& out);

} // namespace markup
