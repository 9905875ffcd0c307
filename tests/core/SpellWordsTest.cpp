#include "markup/core/SpellWords.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The words as "a|b|c".
std::string words(std::string_view line) {
    std::string out;
    for (const std::string& w : markup::spellWords(line))
        out += (out.empty() ? "" : "|") + w;
    return out;
}

struct TCase {
    const char* line;
    const char* words;
};

TEST(SpellWords, ChecksTheProseOnly) {
    const TCase cases[] = {
        // Codes at word edges, and the number after the codes that take one.
        {"^Bvoil\xE0^b", "voil\xE0"},
        {"^P12rouge^p", "rouge"},
        {"^P15apples", "apples"},
        {"^F12grand^f et ^T8tab^t", "grand|et|tab"},
        {"^BBonjour^b le mondde", "Bonjour|le|mondde"},
        // A code inside a word joins its parts; an unknown code parts them.
        {"^Bim^bpossible", "impossible"},
        {"in^Ucroy^uable !", "incroyable"},
        {"mot^qsuite", "mot|suite"},
        // A link's visible text is prose; its action text is not, nor a target's name.
        {"^Lvoir la suite=:Chapitre deux^l fin", "voir|la|suite|fin"},
        {"^Lici=open \"C:\\dossier\\fichier texte.txt\"^l", "ici"},
        {"^Lici=", "ici"},
        {"^Mcible secrete^m apres", "apres"},
        {"Bonjour [prenom], bienvenue", "Bonjour|bienvenue"},
        // Words with digits, addresses, paths and file names are left out.
        {"page 12 et 3e mot a1b", "page|et|mot"},
        {"voir http://exemple.fr/page ou www.exemple.fr.", "voir|ou"},
        {"ecrire a jean.dupont@exemple.fr demain", "ecrire|a|demain"},
        {"ouvrir /usr/share/doc et C:\\Temp\\x puis notes.txt", "ouvrir|et|puis"},
        // Apostrophes and hyphens between letters belong to the word; elsewhere they part.
        {"l'homme l\x92homme aujourd'hui c'est", "l'homme|l\x92homme|aujourd'hui|c'est"},
        {"peut-\xEAtre -- 'cite' l'", "peut-\xEAtre|cite|l"},
        {"l'^Bhomme^b", "l'homme"},
        // Windows-1252 letters, punctuation, no-break spaces, tabs.
        {"\x8Cuvre \x9Cil \xC9t\xE9 \xAB\xA0na\xEFve\xA0\xBB",
         "\x8Cuvre|\x9Cil|\xC9t\xE9|na\xEFve"},
        {"fin.\tsuite,virgule; (parenth\xE8se)", "fin|suite|virgule|parenth\xE8se"},
        {"prix 3\xD7"
         "4 \xF7 x",
         "prix|x"},
        // Nothing to check.
        {"", ""},
        {"^B^b^P3^p", ""},
        {"^", ""},
        {"--- ''' 123", ""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(words(c.line), c.words) << c.line;
}

TEST(SpellWords, PlacesEachWordOnItsLetters) {
    markup::TSpellSplitter splitter;
    const std::string line = "^P15apples et ^Bim^bpossible";
    splitter.split(line);
    ASSERT_EQ(splitter.words().size(), 3u);
    const auto& w = splitter.words();
    EXPECT_EQ(w[0].offset, 4);
    EXPECT_EQ(w[0].end, 10);
    EXPECT_FALSE(w[0].joined);
    EXPECT_EQ(w[1].offset, 11);
    EXPECT_EQ(w[2].offset, 16);
    EXPECT_EQ(w[2].end, static_cast<int>(line.size()));
    EXPECT_TRUE(w[2].joined);
    EXPECT_EQ(splitter.letters(w[2]), "impossible");
}

TEST(SpellWords, WordsGoToTheDictionaryInUtf8) {
    std::string out;
    markup::wordToUtf8("l\x92\xE9t\xE9 \x9C", out);
    EXPECT_EQ(out, "l\u2019\u00E9t\u00E9 \u0153");
    markup::wordToUtf8("abc", out);
    EXPECT_EQ(out, "abc");
}

} // namespace
