#include "spelling/core/DictionaryList.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace spelling {

namespace {

struct TLanguage {
    std::string_view code, name;
};
constexpr TLanguage kLanguages[] = {
    {"ca", "Català"},        {"cs", "Čeština"},  {"da", "Dansk"},        {"de", "Deutsch"},
    {"el", "Ελληνικά"},      {"en", "English"},  {"eo", "Esperanto"},    {"es", "Español"},
    {"eu", "Euskara"},       {"fi", "Suomi"},    {"fr", "Français"},     {"gl", "Galego"},
    {"hu", "Magyar"},        {"it", "Italiano"}, {"nb", "Norsk bokmål"}, {"nl", "Nederlands"},
    {"nn", "Norsk nynorsk"}, {"oc", "Occitan"},  {"pl", "Polski"},       {"pt", "Português"},
    {"ro", "Română"},        {"ru", "Русский"},  {"sv", "Svenska"},      {"tr", "Türkçe"},
    {"uk", "Українська"},
};

std::string_view languageOf(std::string_view tag) {
    return tag.substr(0, tag.find_first_of("_-.@"));
}

} // namespace

std::string TDictionaryInfo::label() const {
    return languageName(tag) + " (" + tag + ")";
}

std::string languageName(std::string_view tag) {
    const std::string_view code = languageOf(tag);
    for (const TLanguage& l : kLanguages)
        if (l.code == code)
            return std::string(l.name);
    return std::string(tag);
}

std::vector<std::string> dictionaryFolders(const char* xdgDataDirs, const char* dicPath) {
    const bool given = dicPath != nullptr;
    std::string dirs = given                         ? dicPath
                       : xdgDataDirs && *xdgDataDirs ? xdgDataDirs
                                                     : "/usr/local/share:/usr/share";
    std::vector<std::string> out;
    const auto add = [&](std::string folder) {
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        if (!folder.empty() && std::find(out.begin(), out.end(), folder) == out.end())
            out.push_back(std::move(folder));
    };
    std::size_t from = 0;
    while (from <= dirs.size()) {
        const std::size_t colon = std::min(dirs.find(':', from), dirs.size());
        std::string dir = dirs.substr(from, colon - from);
        while (dir.size() > 1 && dir.back() == '/')
            dir.pop_back();
        if (!dir.empty() && dir.front() == '/')
            add(given ? dir : dir + "/hunspell");
        from = colon + 1;
    }
    if (given)
        return out;
    add("/usr/share/hunspell");
    add("/usr/share/myspell");
    return out;
}

std::vector<TDictionaryInfo> findDictionaries(const std::vector<std::string>& folders) {
    namespace fs = std::filesystem;
    std::vector<TDictionaryInfo> out;
    for (const std::string& folder : folders) {
        std::error_code ec;
        fs::directory_iterator it(folder, ec), end;
        std::vector<TDictionaryInfo> here;
        for (; !ec && it != end; it.increment(ec)) {
            const fs::path& p = it->path();
            if (p.extension() != ".aff")
                continue;
            const std::string tag = p.stem().string();
            if (tag.empty() || tag.rfind("hyph_", 0) == 0 || tag.rfind("th_", 0) == 0)
                continue;
            fs::path dic = p;
            dic.replace_extension(".dic");
            std::error_code e1, e2;
            if (!fs::is_regular_file(p, e1) || !fs::is_regular_file(dic, e2))
                continue;
            const bool known = std::any_of(out.begin(), out.end(),
                                           [&](const TDictionaryInfo& d) { return d.tag == tag; });
            if (!known)
                here.push_back({tag, p.string()});
        }
        out.insert(out.end(), here.begin(), here.end());
    }
    std::sort(out.begin(), out.end(), [](const TDictionaryInfo& a, const TDictionaryInfo& b) {
        return a.label() < b.label();
    });
    return out;
}

const TDictionaryInfo* findTag(const std::vector<TDictionaryInfo>& dictionaries,
                               std::string_view tag) {
    for (const TDictionaryInfo& d : dictionaries)
        if (d.tag == tag)
            return &d;
    return nullptr;
}

std::string defaultTag(const std::vector<TDictionaryInfo>& dictionaries, std::string_view locale) {
    if (dictionaries.empty())
        return {};
    // "fr_FR.UTF-8@euro" -> "fr_FR"; "C" and "POSIX" name no language.
    const std::string_view region = locale.substr(0, locale.find_first_of(".@"));
    const std::string_view language = languageOf(region);
    const auto ofLanguage = [&](std::string_view code) -> const TDictionaryInfo* {
        const TDictionaryInfo* best = nullptr;
        for (const TDictionaryInfo& d : dictionaries)
            if (languageOf(d.tag) == code &&
                (!best || (d.tag.size() > code.size()) < (best->tag.size() > code.size())))
                best = &d;
        return best;
    };
    if (!language.empty() && language != "C" && language != "POSIX") {
        if (const TDictionaryInfo* d = findTag(dictionaries, region))
            return d->tag;
        if (const TDictionaryInfo* d = ofLanguage(language))
            return d->tag;
    }
    if (const TDictionaryInfo* d = findTag(dictionaries, "en_US"))
        return d->tag;
    if (const TDictionaryInfo* d = ofLanguage("en"))
        return d->tag;
    return dictionaries.front().tag;
}

} // namespace spelling
