#pragma once

// The author's own words for one language: a UTF-8 file, one word a line, under
// $XDG_DATA_HOME/Larkpad/words/ (by default ~/.local/share), read before the dictionary is asked
// and written safely whenever a word is added. Plain C++.

#include <string>
#include <string_view>
#include <unordered_set>

namespace spelling {

// The folder of the word files: $XDG_DATA_HOME/Larkpad/words, or $HOME/.local/share/Larkpad/words.
std::string wordFolder(const char* xdgDataHome, const char* home);

class TWordList {
public:
    // Reads the file of the list (a missing file is an empty list). Lines are trimmed of their
    // CR and spaces; empty lines are skipped.
    void load(const std::string& path);
    bool contains(std::string_view word) const;
    std::size_t size() const { return words_.size(); }
    // Adds a word and writes the file (its folder made when missing). Returns false with the
    // system's error when the file cannot be written: the word stays in the list for this run.
    bool add(std::string_view word, int* error = nullptr);

private:
    std::string path_;
    std::unordered_set<std::string> words_;
    std::string text_; ///< the file's words in the order they were added
};

} // namespace spelling
