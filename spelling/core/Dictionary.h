#pragma once

// A spelling dictionary: asked about words in UTF-8. Several threads may ask one dictionary at
// once. Plain C++.

#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace spelling {

class TDictionary {
public:
    virtual ~TDictionary() = default;
    // Whether the word is spelt right.
    virtual bool spell(std::string_view word) const = 0;
    // Words the author may have meant, best first.
    virtual std::vector<std::string> suggest(std::string_view word) const = 0;
};

// A dictionary that cannot be read: its message says which and why.
class TDictionaryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A Hunspell-format dictionary (its .aff file; the .dic file beside it), or one given as two
// streams. Throws TDictionaryError.
std::unique_ptr<TDictionary> loadDictionary(const std::string& affPath);
std::unique_ptr<TDictionary> loadDictionary(std::istream& aff, std::istream& dic);

} // namespace spelling
