#pragma once

// The language a page is written in, as far as the installed dictionaries tell: the one that knows
// most of its first words. Plain C++.

#include "spelling/core/DictionaryList.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace spelling {

class TDictionary;

// How many of the page's first words the guess looks at.
constexpr std::size_t kGuessWords = 200;

// The first words of a page (page bytes, codes left out), at most kGuessWords, given its lines in
// order; lines are asked for until enough words are found or nextLine returns false.
std::vector<std::string> firstWords(const std::function<bool(std::string& line)>& nextLine);

// The tag of the dictionary that knows most of the words (page bytes); on a tie the preferred tag,
// else the first of the list. Empty when no dictionary knows any of them, or when cancelled.
// load gives a dictionary (null when it cannot be read) and is asked once for each.
std::string
mostKnown(const std::vector<TDictionaryInfo>& dictionaries, const std::vector<std::string>& words,
          std::string_view preferred,
          const std::function<std::shared_ptr<const TDictionary>(const TDictionaryInfo&)>& load,
          const std::atomic<bool>* cancelled = nullptr);

} // namespace spelling
