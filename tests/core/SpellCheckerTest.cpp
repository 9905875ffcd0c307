#include "spelling/core/SpellChecker.h"
#include "spelling/core/DictionaryList.h"
#include "spelling/core/SpellWorker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using spelling::TMistake;

// Knows the words it is given (UTF-8) and counts the questions.
class TFakeDictionary : public spelling::TDictionary {
public:
    explicit TFakeDictionary(std::set<std::string> words) : words_(std::move(words)) {}
    bool spell(std::string_view word) const override {
        ++asked;
        return words_.count(std::string(word)) > 0;
    }
    std::vector<std::string> suggest(std::string_view word) const override {
        return {std::string(word) + "?"};
    }
    mutable std::atomic<int> asked{0};

private:
    std::set<std::string> words_;
};

struct TTempFolder {
    fs::path path;
    TTempFolder() {
        char name[] = "/tmp/lp-spell-XXXXXX";
        path = mkdtemp(name);
    }
    ~TTempFolder() { fs::remove_all(path); }
    void write(const std::string& file, const std::string& text) const {
        fs::create_directories((path / file).parent_path());
        std::ofstream(path / file, std::ios::binary) << text;
    }
};

std::vector<TMistake> mistakes(spelling::TSpellChecker& c, std::string_view line) {
    std::vector<std::string> unknown;
    std::vector<TMistake> out;
    c.mistakes(line, out, &unknown);
    for (const std::string& w : unknown)
        c.check(w);
    if (!unknown.empty())
        c.mistakes(line, out);
    return out;
}

TEST(SpellChecker, FlagsMisspeltProseNeverCodes) {
    auto dict = std::make_shared<TFakeDictionary>(
        std::set<std::string>{"Bonjour", "le", "monde", "voil\u00E0", "rouge", "l'homme"});
    spelling::TSpellChecker c(dict, {});
    struct {
        std::string line;
        std::vector<TMistake> expected;
    } cases[] = {
        {"^BBonjour^b le mondde", {{15, 21, false}}},
        {"^Bvoil\xE0^b ^P12rouge^p l'homme", {}},
        {"^Lmondde=:Target^l [mondde] ^Mmondde^m", {{2, 8, false}}},
        {"^Bmon^bdde 12mondde http://mondde.fr", {{2, 10, true}}},
    };
    for (const auto& k : cases)
        EXPECT_EQ(mistakes(c, k.line), k.expected) << k.line;
}

TEST(SpellChecker, UnknownWordsWaitForTheWorkerAndLinesAreKept) {
    auto dict = std::make_shared<TFakeDictionary>(std::set<std::string>{"le"});
    spelling::TSpellChecker c(dict, {});
    std::vector<TMistake> out;
    std::vector<std::string> unknown;
    c.mistakes("le mondde le", out, &unknown);
    EXPECT_TRUE(out.empty()); // nothing flagged before the dictionary was asked
    EXPECT_EQ(unknown, (std::vector<std::string>{"le", "mondde", "le"}));
    EXPECT_EQ(dict->asked, 0);

    spelling::TSpellWorker worker;
    worker.post([&] { c.checkLines({"le mondde le"}); }, false);
    worker.waitIdle();
    EXPECT_EQ(dict->asked, 2); // each word once
    unknown.clear();
    c.mistakes("le mondde le", out, &unknown);
    EXPECT_EQ(out, (std::vector<TMistake>{{3, 9, false}}));
    EXPECT_TRUE(unknown.empty());

    // Ignoring a word drops the lines kept: the line is right now.
    c.ignore("mondde");
    c.mistakes("le mondde le", out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(dict->asked, 2);
}

TEST(SpellChecker, OwnWordsAreReadFirstAndKeptAcrossRuns) {
    TTempFolder tmp;
    const std::string file = (tmp.path / "words" / "fr_FR.txt").string();
    auto dict = std::make_shared<TFakeDictionary>(std::set<std::string>{});
    {
        spelling::TWordList words;
        words.load(file);
        spelling::TSpellChecker c(dict, std::move(words));
        EXPECT_FALSE(c.check("Larkpad"));
        EXPECT_TRUE(c.addWord("Larkpad"));
        EXPECT_TRUE(c.addWord("\xE9t\xE9s"));
        EXPECT_TRUE(c.check("Larkpad"));
    }
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "Larkpad\n\u00E9t\u00E9s\n"); // UTF-8, one word a line

    spelling::TWordList again;
    again.load(file);
    spelling::TSpellChecker c(dict, std::move(again));
    const int asked = dict->asked;
    EXPECT_TRUE(c.check("Larkpad"));
    EXPECT_TRUE(c.check("\xE9t\xE9s"));
    EXPECT_EQ(dict->asked, asked);
}

TEST(SpellChecker, AWordThatCannotBeStoredIsRightForTheRunAndTold) {
    TTempFolder tmp;
    tmp.write("blocker", "a file where the folder should be");
    spelling::TWordList words;
    words.load((tmp.path / "blocker" / "en_US.txt").string());
    spelling::TSpellChecker c(std::make_shared<TFakeDictionary>(std::set<std::string>{}),
                              std::move(words));
    std::string why;
    EXPECT_FALSE(c.addWord("Larkpad", &why));
    EXPECT_NE(why.find("Not a directory"), std::string::npos) << why;
    EXPECT_TRUE(c.check("Larkpad"));
}

TEST(SpellDictionary, LoadsATinyDictionaryFromTwoStreams) {
    std::istringstream aff("SET UTF-8\nTRY esianrtolcdugmphbyfvkwzESIANRTOLCDUGMPHBYFVKWZ'\n"
                           "SFX S Y 1\nSFX S 0 s .\n");
    std::istringstream dic("3\nmonde/S\nbonjour\n\u00E9t\u00E9\n");
    const auto d = spelling::loadDictionary(aff, dic);
    EXPECT_TRUE(d->spell("monde"));
    EXPECT_TRUE(d->spell("mondes"));
    EXPECT_TRUE(d->spell("\u00E9t\u00E9"));
    EXPECT_FALSE(d->spell("mondde"));
    const auto s = d->suggest("mondde");
    ASSERT_FALSE(s.empty());
    EXPECT_EQ(s.front(), "monde");
    spelling::TSpellChecker c(std::shared_ptr<const spelling::TDictionary>(d.get(), [](auto*) {}),
                              {});
    EXPECT_TRUE(c.check("\xE9t\xE9")); // page bytes reach it as UTF-8
}

TEST(SpellDictionary, AMissingDictionaryIsAnError) {
    EXPECT_THROW(spelling::loadDictionary("/nonexistent/xx_XX.aff"), spelling::TDictionaryError);
}

TEST(DictionaryList, FindsDictionariesInTheStandardPlaces) {
    TTempFolder tmp;
    const std::string a = (tmp.path / "a/hunspell").string();
    const std::string b = (tmp.path / "b/hunspell").string();
    tmp.write("a/hunspell/fr_FR.aff", "");
    tmp.write("a/hunspell/fr_FR.dic", "");
    tmp.write("a/hunspell/de_DE.aff", ""); // no .dic: left out
    tmp.write("a/hunspell/hyph_fr.aff", "");
    tmp.write("a/hunspell/hyph_fr.dic", "");
    tmp.write("b/hunspell/fr_FR.aff", ""); // the first folder's is kept
    tmp.write("b/hunspell/fr_FR.dic", "");
    tmp.write("b/hunspell/en_US.aff", "");
    tmp.write("b/hunspell/en_US.dic", "");
    const auto found = spelling::findDictionaries({a, b, (tmp.path / "none").string()});
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].label(), "English (en_US)");
    EXPECT_EQ(found[1].label(), "Fran\u00E7ais (fr_FR)");
    EXPECT_EQ(found[1].affPath, a + "/fr_FR.aff");

    const auto folders =
        spelling::dictionaryFolders((tmp.path.string() + "/a/:relative:/usr/share").c_str());
    EXPECT_EQ(folders, (std::vector<std::string>{a, "/usr/share/hunspell", "/usr/share/myspell"}));
    EXPECT_EQ(spelling::dictionaryFolders(nullptr).front(), "/usr/local/share/hunspell");
    EXPECT_EQ(spelling::dictionaryFolders("/x", "/d1/:/d2"),
              (std::vector<std::string>{"/d1", "/d2"}));
    EXPECT_TRUE(spelling::dictionaryFolders("/x", "").empty());
}

TEST(DictionaryList, TheFirstLanguageFollowsTheDesktop) {
    auto list = [](std::vector<std::string> tags) {
        std::vector<spelling::TDictionaryInfo> out;
        for (auto& t : tags)
            out.push_back({t, t + ".aff"});
        return out;
    };
    const auto frEn = list({"en_GB", "en_US", "fr", "fr_BE", "fr_FR"});
    struct {
        std::vector<spelling::TDictionaryInfo> dictionaries;
        const char* locale;
        const char* tag;
    } cases[] = {
        {frEn, "fr_FR.UTF-8", "fr_FR"},
        {frEn, "fr_CA.UTF-8", "fr"},
        {frEn, "fr", "fr"},
        {frEn, "de_DE.UTF-8", "en_US"},
        {frEn, "C", "en_US"},
        {frEn, "", "en_US"},
        {list({"en_GB", "de_DE"}), "it_IT", "en_GB"},
        {list({"de_DE", "nl_NL"}), "it_IT", "de_DE"},
        {list({}), "fr_FR", ""},
    };
    for (const auto& k : cases)
        EXPECT_EQ(spelling::defaultTag(k.dictionaries, k.locale), k.tag) << k.locale;
    EXPECT_EQ(spelling::languageName("xx_YY"), "xx_YY");
}

TEST(WordFolder, FollowsTheDataHome) {
    EXPECT_EQ(spelling::wordFolder("/d", "/h"), "/d/Larkpad/words");
    EXPECT_EQ(spelling::wordFolder(nullptr, "/h"), "/h/.local/share/Larkpad/words");
    EXPECT_EQ(spelling::wordFolder("relative", "/h"), "/h/.local/share/Larkpad/words");
}

} // namespace
