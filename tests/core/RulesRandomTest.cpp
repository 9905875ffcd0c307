// Cross-checks of the finder against small, plainly written reference finders, over random rules
// and texts drawn from a small alphabet so that keys occur often.

#include "editor/core/ColorRules.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Rec = std::tuple<int, int, TColor, int, bool>;

const std::string kAlphabet = std::string("aAbB^x;@_1 {}\r\n\t") + "\xE9";

std::string randomString(std::mt19937& rng, int minLen, int maxLen) {
    std::uniform_int_distribution<int> len(minLen, maxLen);
    std::uniform_int_distribution<size_t> pick(0, kAlphabet.size() - 1);
    std::string s;
    for (int n = len(rng); n > 0; --n)
        s += kAlphabet[pick(rng)];
    return s;
}

std::string randomColorPart(std::mt19937& rng) {
    static const char* parts[] = {"", "", ";red", ";navy", ";#00FF00", "; 12", ";bogus", ";"};
    return parts[std::uniform_int_distribution<int>(0, 7)(rng)];
}

bool blank(const std::string& s) {
    for (unsigned char c : s)
        if (c > 32)
            return false;
    return true;
}

char up(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool wordChar(unsigned char c) {
    return (c >= '@' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

TColor lineColor(const std::string& part, TColor def) {
    return blank(part) ? def : ParseKeyColor(part);
}

// Every keyword searched on its own, from the region start, one occurrence after another.
std::vector<Rec> referenceKeywords(const std::vector<std::string>& lines, bool keyCase,
                                   bool partWord, TColor def, std::uint8_t z,
                                   const std::string& text, int scanStart) {
    std::vector<Rec> out;
    const std::string region = text.substr(static_cast<size_t>(scanStart));
    for (const std::string& line : lines) {
        if (blank(line))
            continue;
        const size_t semi = line.find(';');
        std::string key = line.substr(0, semi);
        const TColor color =
            semi == std::string::npos ? def : lineColor(line.substr(semi + 1), def);
        if (blank(key))
            continue;
        const int n = static_cast<int>(region.size());
        const int len = static_cast<int>(key.size());
        for (int p = 0; p + len <= n;) {
            bool match = true;
            for (int i = 0; i < len && match; ++i)
                match = keyCase ? region[p + i] == key[i] : up(region[p + i]) == up(key[i]);
            if (!match) {
                ++p;
                continue;
            }
            const bool before = p > 0 && wordChar(region[p - 1]);
            const bool after = p + len < n && wordChar(region[p + len]);
            if (partWord || (!before && !after))
                out.emplace_back(scanStart + p, scanStart + p + len - 1, color, z, true);
            p += len;
        }
    }
    return out;
}

struct RefPair {
    std::string begin, end;
    TColor color;
};

std::vector<RefPair> referenceBegEnd(const std::vector<std::string>& lines, TColor def) {
    std::vector<RefPair> pairs;
    for (size_t i = 0; i < lines.size() && i < 40; ++i) {
        const std::string& l = lines[i];
        const size_t s1 = l.find(';');
        if (s1 == std::string::npos || s1 == 0) {
            pairs.push_back({});
            continue;
        }
        const std::string rest = l.substr(s1 + 1);
        const size_t s2 = rest.find(';');
        pairs.push_back({l.substr(0, std::min<size_t>(s1, 6)), rest.substr(0, s2).substr(0, 6),
                         s2 == std::string::npos ? def : lineColor(rest.substr(s2 + 1), def)});
    }
    return pairs;
}

std::vector<RefPair> referenceLineEnd(const std::vector<std::string>& lines, TColor def) {
    std::vector<RefPair> pairs;
    for (size_t i = 0; i < lines.size() && i < 40; ++i) {
        const std::string& l = lines[i];
        std::string key = l;
        std::string color;
        if (l.rfind(";;", 0) == 0) {
            key = ";";
            color = l.substr(2);
        } else if (l.find(';') != std::string::npos && l.find(';') > 0) {
            key = l.substr(0, l.find(';'));
            color = l.substr(l.find(';') + 1);
        }
        pairs.push_back({key.substr(0, 6), "", lineColor(color, def)});
    }
    return pairs;
}

// Searches every entry afresh at every step.
std::vector<Rec> referenceSpans(const std::vector<RefPair>& pairs, bool lineEnd, std::uint8_t z,
                                const std::string& text, int scanStart) {
    std::vector<Rec> out;
    const size_t end = text.size();
    size_t pos = static_cast<size_t>(scanStart);
    while (pos < end) {
        size_t bestAt = std::string::npos;
        const RefPair* best = nullptr;
        for (const RefPair& p : pairs) {
            if (p.begin.empty())
                break;
            const size_t at = text.find(p.begin, pos);
            if (at != std::string::npos && (best == nullptr || at < bestAt)) {
                bestAt = at;
                best = &p;
            }
        }
        if (!best)
            break;
        if (!lineEnd) {
            const size_t e =
                best->end.empty() ? std::string::npos : text.find(best->end, bestAt + 1);
            if (e == std::string::npos)
                break;
            out.emplace_back(static_cast<int>(bestAt), static_cast<int>(e + best->end.size() - 1),
                             best->color, z, false);
            pos = e + 1;
        } else {
            size_t le = text.find("\r\n", bestAt);
            if (le == std::string::npos)
                le = end;
            out.emplace_back(static_cast<int>(bestAt), static_cast<int>(le) - 1, best->color, z,
                             false);
            pos = le + 1;
        }
    }
    return out;
}

std::vector<Rec> run(TColorRule& rule, const std::string& text, int scanStart) {
    TKeyDescrList keys(4);
    TCoveredRange covered;
    const int n =
        FindKeys(rule, keys, 0, text.c_str(), scanStart, static_cast<int>(text.size()), covered);
    std::vector<Rec> out;
    for (int i = 0; i < n; ++i)
        out.emplace_back(keys[i].StartPos, keys[i].EndPos, keys[i].Color, keys[i].ZOrder,
                         keys[i].IsKeyword);
    return out;
}

std::vector<std::string> randomLines(std::mt19937& rng, int count, int maxKey) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back(randomString(rng, 0, maxKey) + randomColorPart(rng));
    return lines;
}

} // namespace

TEST(RulesRandomCrossCheck, KeywordsAgreeWithSearchingEachKeywordAlone) {
    for (unsigned seed = 1; seed <= 400; ++seed) {
        std::mt19937 rng(seed);
        TColorRule rule; // a fresh rule, and one reused below, must agree
        static TColorRule reused;
        // Up to 8 lines keep to few first characters; up to 24 usually pass that.
        const int most = seed % 2 ? 8 : 24;
        const auto lines = randomLines(rng, std::uniform_int_distribution<int>(0, most)(rng), 4);
        const bool keyCase = rng() % 2;
        const bool partWord = rng() % 2;
        const int scanStart = (rng() % 3 == 0) ? 2 : 0;
        const std::string text =
            (scanStart ? std::string("a\n") : std::string()) + randomString(rng, 0, 300);
        for (TColorRule* r : {&rule, &reused}) {
            r->KeyDrawingType = dtKeyShow;
            r->KeyCase = keyCase;
            r->PartWord = partWord;
            r->ZOrder = static_cast<std::uint8_t>(seed);
            r->DefKeyColor = colors::clPurple;
            r->Keywords = lines;
            BuildTables(*r);
            ASSERT_EQ(run(*r, text, scanStart),
                      referenceKeywords(lines, keyCase, partWord, colors::clPurple,
                                        static_cast<std::uint8_t>(seed), text, scanStart))
                << "seed " << seed;
        }
    }
}

TEST(RulesRandomCrossCheck, SpansAgreeWithANaiveNearestBeginSearch) {
    for (unsigned seed = 1; seed <= 400; ++seed) {
        std::mt19937 rng(seed);
        TColorRule rule;
        const bool lineEnd = rng() % 2;
        const auto lines = randomLines(rng, std::uniform_int_distribution<int>(0, 6)(rng), 3);
        std::vector<std::string> begEnd;
        for (size_t i = 0; i < lines.size(); ++i)
            begEnd.push_back(randomString(rng, 1, 2) + ";" + randomString(rng, 0, 2) +
                             randomColorPart(rng));
        rule.KeyDrawingType = lineEnd ? dtBeginLineEnd : dtBeginEnd;
        rule.ZOrder = 2;
        rule.DefKeyColor = colors::clOlive;
        rule.KeyBegEndLst = (rng() % 4 == 0) ? lines : begEnd;
        rule.KeyLineEndLst = lines;
        BuildTables(rule);
        const auto pairs = lineEnd ? referenceLineEnd(lines, colors::clOlive)
                                   : referenceBegEnd(rule.KeyBegEndLst, colors::clOlive);
        const std::string text = randomString(rng, 0, 200);
        ASSERT_EQ(run(rule, text, 0), referenceSpans(pairs, lineEnd, 2, text, 0))
            << "seed " << seed;
    }
}
