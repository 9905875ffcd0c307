#include "spelling/core/SpellChecker.h"

#include <functional>

namespace spelling {

namespace {

// Lines whose results are kept at most; past that they are dropped and found again.
constexpr std::size_t kMaxLines = 1 << 18;

std::uint64_t lineKey(std::string_view line) {
    return std::hash<std::string_view>{}(line) ^ (static_cast<std::uint64_t>(line.size()) << 40);
}

} // namespace

TSpellChecker::TSpellChecker(std::shared_ptr<const TDictionary> dictionary, TWordList ownWords)
    : dictionary_(std::move(dictionary)), own_(std::move(ownWords)) {}

bool TSpellChecker::ask(std::string_view word) const {
    std::string utf8;
    markup::wordToUtf8(word, utf8);
    {
        std::lock_guard lock(ownMutex_);
        if (ignored_.count(std::string(word)) || own_.contains(utf8))
            return true;
    }
    return dictionary_ && dictionary_->spell(utf8);
}

bool TSpellChecker::check(std::string_view word) {
    if (const std::optional<bool> k = known(word))
        return *k;
    const bool right = ask(word);
    std::unique_lock lock(wordsMutex_);
    words_.emplace(std::string(word), right);
    return right;
}

std::optional<bool> TSpellChecker::known(std::string_view word) const {
    std::shared_lock lock(wordsMutex_);
    const auto it = words_.find(std::string(word));
    if (it == words_.end())
        return std::nullopt;
    return it->second;
}

void TSpellChecker::mistakes(std::string_view line, std::vector<TMistake>& out,
                             std::vector<std::string>* unknown) {
    out.clear();
    std::lock_guard lock(linesMutex_);
    const std::uint64_t key = lineKey(line);
    if (const auto it = lines_.find(key); it != lines_.end()) {
        out = it->second;
        return;
    }
    splitter_.split(line);
    bool complete = true;
    {
        std::shared_lock words(wordsMutex_);
        std::string word;
        for (const markup::TSpellWord& w : splitter_.words()) {
            word.assign(splitter_.letters(w));
            const auto it = words_.find(word);
            if (it == words_.end()) {
                complete = false;
                if (unknown)
                    unknown->push_back(word);
            } else if (!it->second) {
                out.push_back({w.offset, w.end, w.joined});
            }
        }
    }
    if (complete) {
        if (lines_.size() >= kMaxLines)
            lines_.clear();
        lines_.emplace(key, out);
    }
}

void TSpellChecker::checkLines(const std::vector<std::string>& lines) {
    markup::TSpellSplitter splitter;
    for (const std::string& line : lines) {
        splitter.split(line);
        for (const markup::TSpellWord& w : splitter.words())
            check(splitter.letters(w));
    }
}

std::vector<std::string> TSpellChecker::suggest(std::string_view word) const {
    if (!dictionary_)
        return {};
    std::string utf8;
    markup::wordToUtf8(word, utf8);
    return dictionary_->suggest(utf8);
}

void TSpellChecker::forgetLines() {
    std::lock_guard lock(linesMutex_);
    lines_.clear();
}

void TSpellChecker::ignore(std::string_view word) {
    {
        std::lock_guard lock(ownMutex_);
        ignored_.insert(std::string(word));
    }
    {
        std::unique_lock lock(wordsMutex_);
        words_[std::string(word)] = true;
    }
    forgetLines();
}

bool TSpellChecker::addWord(std::string_view word, std::string* why) {
    std::string utf8;
    markup::wordToUtf8(word, utf8);
    bool written;
    {
        std::lock_guard lock(ownMutex_);
        written = own_.add(utf8, why);
    }
    {
        std::unique_lock lock(wordsMutex_);
        words_[std::string(word)] = true;
    }
    forgetLines();
    return written;
}

std::size_t TSpellChecker::knownWords() const {
    std::shared_lock lock(wordsMutex_);
    return words_.size();
}

} // namespace spelling
