#include "spelling/core/Dictionary.h"

#include <nuspell/dictionary.hxx>

#include <filesystem>
#include <istream>

namespace spelling {

namespace {

class TNuspellDictionary : public TDictionary {
public:
    nuspell::Dictionary dictionary;

    bool spell(std::string_view word) const override { return dictionary.spell(word); }
    std::vector<std::string> suggest(std::string_view word) const override {
        std::vector<std::string> out;
        dictionary.suggest(word, out);
        return out;
    }
};

} // namespace

std::unique_ptr<TDictionary> loadDictionary(const std::string& affPath) {
    auto d = std::make_unique<TNuspellDictionary>();
    try {
        d->dictionary.load_aff_dic(std::filesystem::path(affPath));
    } catch (const std::exception& e) {
        throw TDictionaryError(affPath + ": " + e.what());
    }
    return d;
}

std::unique_ptr<TDictionary> loadDictionary(std::istream& aff, std::istream& dic) {
    auto d = std::make_unique<TNuspellDictionary>();
    try {
        d->dictionary.load_aff_dic(aff, dic);
    } catch (const std::exception& e) {
        throw TDictionaryError(e.what());
    }
    return d;
}

} // namespace spelling
