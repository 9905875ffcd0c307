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
    // CR and spaces; empty lines are skipped. Only a regular file is read, never waiting on it (a
    // named pipe or a device in its place is not opened for good). A list that cannot be read
    // whole, or is not UTF-8 text, is kept as it is on the disk: see unreadable().
    void load(const std::string& path);
    bool contains(std::string_view word) const;
    std::size_t size() const { return words_.size(); }
    // Why the file of the list could not be read ("Permission denied", "it is a named pipe (FIFO),
    // not a regular file"); empty when it was read or is missing. Such a file is never written.
    const std::string& unreadable() const { return unreadable_; }
    // Adds a word and writes the file (its folder made when missing). Returns false with the
    // reason when the file is not written: the word stays in the list for this run.
    bool add(std::string_view word, std::string* why = nullptr);

private:
    std::string path_;
    std::string unreadable_;
    std::unordered_set<std::string> words_;
    std::string text_; ///< the file's words in the order they were added
};

// Whether bytes are text in UTF-8: no zero byte, no byte sequence UTF-8 does not allow.
bool isUtf8Text(std::string_view bytes);

} // namespace spelling
