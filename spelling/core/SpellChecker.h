#pragma once

// Checking one language: its dictionary, the author's own words, the words ignored for this run
// and the results already known, for words and for whole lines. Any thread may use it: the
// user-interface thread asks what is known, the worker asks the dictionary. Plain C++.

#include "markup/core/SpellWords.h"
#include "spelling/core/Dictionary.h"
#include "spelling/core/WordList.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace spelling {

// A misspelt word of a line: bytes [offset, end), codes inside included.
struct TMistake {
    int offset = 0;
    int end = 0;
    bool joined = false; ///< a code stands inside the word
    bool operator==(const TMistake&) const = default;
};

class TSpellChecker {
public:
    TSpellChecker(std::shared_ptr<const TDictionary> dictionary, TWordList ownWords);

    // Whether a word (page bytes) is right: the author's words and the ignored ones first, then
    // the dictionary. The result is kept.
    bool check(std::string_view word);
    // The result kept for a word, without asking the dictionary.
    std::optional<bool> known(std::string_view word) const;

    // The misspelt words of a line (page bytes) as far as the results kept tell. Words not known
    // yet are not reported as misspelt: they go to unknown, when given, for the worker to check.
    // A line whose words are all known keeps its result, found again by its text until the words
    // known change; a line that changed is another text, so its old result is never used again.
    void mistakes(std::string_view line, std::vector<TMistake>& out,
                  std::vector<std::string>* unknown = nullptr);
    // Checks every word of the lines (the worker's sweep of the page).
    void checkLines(const std::vector<std::string>& lines);

    // Suggestions for a word (page bytes), in UTF-8, best first, asking the dictionary now.
    std::vector<std::string> suggest(std::string_view word) const;

    // Takes the word as right for this run.
    void ignore(std::string_view word);
    // Adds the word to the author's own (written at once). False with the reason when the file is
    // not written (see TWordList::add); the word is right for this run all the same.
    bool addWord(std::string_view word, std::string* why = nullptr);

    std::size_t knownWords() const;

private:
    bool ask(std::string_view word) const;
    void forgetLines();

    std::shared_ptr<const TDictionary> dictionary_;
    mutable std::mutex ownMutex_;
    TWordList own_;
    std::unordered_set<std::string> ignored_;

    mutable std::shared_mutex wordsMutex_;
    std::unordered_map<std::string, bool> words_;

    std::mutex linesMutex_;
    std::unordered_map<std::uint64_t, std::vector<TMistake>> lines_;
    markup::TSpellSplitter splitter_; ///< for mistakes(), under linesMutex_
};

} // namespace spelling
