#include "spelling/core/LanguageGuess.h"

#include "markup/core/SpellWords.h"
#include "spelling/core/Dictionary.h"

namespace spelling {

std::vector<std::string> firstWords(const std::function<bool(std::string& line)>& nextLine) {
    std::vector<std::string> out;
    markup::TSpellSplitter splitter;
    std::string line;
    while (out.size() < kGuessWords && nextLine(line)) {
        splitter.split(line);
        for (const markup::TSpellWord& w : splitter.words()) {
            if (out.size() == kGuessWords)
                break;
            out.emplace_back(splitter.letters(w));
        }
    }
    return out;
}

std::string
mostKnown(const std::vector<TDictionaryInfo>& dictionaries, const std::vector<std::string>& words,
          std::string_view preferred,
          const std::function<std::shared_ptr<const TDictionary>(const TDictionaryInfo&)>& load,
          const std::atomic<bool>* cancelled) {
    std::vector<std::string> utf8(words.size());
    for (std::size_t i = 0; i < words.size(); ++i)
        markup::wordToUtf8(words[i], utf8[i]);
    std::string best;
    std::size_t bestCount = 0;
    for (const TDictionaryInfo& info : dictionaries) {
        if (cancelled && cancelled->load())
            return {};
        const std::shared_ptr<const TDictionary> d = load(info);
        if (!d)
            continue;
        std::size_t count = 0;
        for (const std::string& w : utf8)
            count += d->spell(w) ? 1 : 0;
        if (count > bestCount || (count == bestCount && count > 0 && info.tag == preferred)) {
            best = info.tag;
            bestCount = count;
        }
    }
    return best;
}

} // namespace spelling
