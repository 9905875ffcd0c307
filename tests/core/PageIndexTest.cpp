#include "markup/core/PageIndex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using markup::indexPage;
using markup::TPageIndex;

// The index in a short notation: M<line>"name" for marks, L<line>"visible"->"name"@target for
// target links, A<line>"visible"=word for other links, V<line>"name" for variables.
std::string notation(const TPageIndex& x) {
    std::string out;
    const auto add = [&](const std::string& s) {
        if (!out.empty())
            out += ' ';
        out += s;
    };
    for (const auto& m : x.targets)
        add("M" + std::to_string(m.line) + "\"" + m.name + "\"");
    for (const auto& l : x.links)
        add(l.toTarget ? "L" + std::to_string(l.line) + "\"" + l.visible + "\"->\"" + l.name +
                             "\"@" + std::to_string(l.target)
                       : "A" + std::to_string(l.line) + "\"" + l.visible + "\"=" + l.word);
    for (const auto& v : x.variables)
        add("V" + std::to_string(v.line) + "\"" + v.name + "\"");
    return out;
}

struct TIndexCase {
    const char* page;
    const char* expected;
};

TEST(PageIndex, Pages) {
    const TIndexCase cases[] = {
        {"", ""},
        {"plain text\r\nno codes", ""},
        {"^MStart^m\r\n^LBack=:Start^l", "M0\"Start\" L1\"Back\"->\"Start\"@0"},
        // Names with spaces and letters of the page code page; an empty name.
        {"^MCh\xE9 1^m ^Lgo=:Ch\xE9 1^l", "M0\"Ch\xE9 1\" L0\"go\"->\"Ch\xE9 1\"@0"},
        {"^M^m ^Lx=:^l", "M0\"\" L0\"x\"->\"\"@-1"},
        // A link whose visible text runs over a line break, a mark on a later line.
        {"^LOne\r\ntwo=:End^l\r\n\r\n^MEnd^m", "M3\"End\" L0\"One\r\ntwo\"->\"End\"@0"},
        // Missing target, and names that differ only in case are different names.
        {"^MA^m ^La=:a^l ^Lb=:B^l", "M0\"A\" L0\"a\"->\"a\"@-1 L0\"b\"->\"B\"@-1"},
        // The first of two marks of one name is the target.
        {"^MX^m\r\n^MX^m\r\n^Lq=:X^l", "M0\"X\" M1\"X\" L2\"q\"->\"X\"@0"},
        // Action links, variables in the text and in arguments; a link with no "=" is no link.
        {"[Name] ^LSet=SetVar \"[Count]\" \"1\"^l ^Lbroken^l ^LNext=GotoNextPage^l",
         "A0\"Set\"=SetVar A0\"Next\"=GotoNextPage V0\"Name\" V0\"Count\""},
        // A link never closed is not listed; codes inside a name stay in it.
        {"^M^BBold^b^m ^Lopen=:Bold", "M0\"^BBold^b\""},
        // LF line breaks count lines too.
        {"a\nb\n^MZ^m", "M2\"Z\""},
    };
    for (const TIndexCase& c : cases)
        EXPECT_EQ(notation(indexPage(c.page)), c.expected) << c.page;
}

TEST(PageIndex, Places) {
    const std::string page = "^MStart^m\r\n^LBack=:Start^l [v]";
    const TPageIndex x = indexPage(page);
    ASSERT_EQ(x.targets.size(), 1u);
    ASSERT_EQ(x.links.size(), 1u);
    EXPECT_EQ(x.targets[0].nameOffset, 2);
    EXPECT_EQ(x.targets[0].end, 9);
    const auto& l = x.links[0];
    EXPECT_EQ(page.substr(static_cast<size_t>(l.actionOffset),
                          static_cast<size_t>(l.actionEnd - l.actionOffset)),
              "=:Start");
    EXPECT_EQ(page.substr(static_cast<size_t>(l.nameOffset()), 5), "Start");
    // Where the caret stands: on the link's action text or on the mark, ends included.
    const struct {
        int offset, link, mark;
    } at[] = {{0, -1, 0},   {9, -1, 0},  {10, -1, -1}, {11, -1, -1},
              {13, -1, -1}, {17, 0, -1}, {26, 0, -1},  {27, -1, -1}};
    for (const auto& a : at) {
        EXPECT_EQ(x.targetLinkAt(a.offset), a.link) << a.offset;
        EXPECT_EQ(x.targetMarkAt(a.offset), a.mark) << a.offset;
    }
}

TEST(PageIndex, Groups) {
    const TPageIndex x =
        indexPage("^MA^m ^MB^m ^MA^m ^La=:A^l ^Lx=:Nowhere^l ^Lb=:B^l ^Lc=:A^l ^Lg=GotoNextPage^l");
    const markup::TLinkGroups g = markup::groupLinks(x);
    EXPECT_EQ(g.byTarget, (std::vector<std::vector<int>>{{0, 3}, {2}, {}}));
    EXPECT_EQ(g.missing, std::vector<int>{1});
    EXPECT_EQ(g.actions, std::vector<int>{4});
}

TEST(PageIndex, Names) {
    const TPageIndex x = indexPage("^MB^m ^MA^m ^MB^m ^M^m [v] [w] [v] []");
    EXPECT_EQ(x.targetNames(), (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(x.variableNames(), (std::vector<std::string>{"v", "w"}));
}

TEST(PageIndex, Cancel) {
    std::string page;
    while (page.size() < (1u << 20))
        page += "^MT^m ^Lx=:T^l\r\n";
    const std::atomic<bool> cancel{true};
    EXPECT_LT(indexPage(page, &cancel).targets.size(), indexPage(page).targets.size());
}

TEST(PageIndex, Rename) {
    const std::string page = "^MOld^m\r\n^La=:Old^l ^Lb=:Other^l\r\n^MOther^m ^Lc=:Old^l";
    const TPageIndex x = indexPage(page);
    const auto apply = [&](const markup::TRenamePlan& plan, const std::string& name) {
        std::string s = page;
        for (auto it = plan.edits.rbegin(); it != plan.edits.rend(); ++it)
            s.replace(static_cast<size_t>(it->offset), static_cast<size_t>(it->length), name);
        return s;
    };
    const struct {
        int mark;
        const char* name;
        const char* refusal; // a part of it
        const char* result;  // empty: the page unchanged
    } cases[] = {
        {0, "New one", "",
         "^MNew one^m\r\n^La=:New one^l ^Lb=:Other^l\r\n^MOther^m ^Lc=:New one^l"},
        {0, "Old", "", ""},
        {0, "Other", "Line 3", ""},
        {0, "", "needs a name", ""},
        {0, "a^b", "no \"^\"", ""},
        {0, "a\r\nb", "line break", ""},
        {1, "\xC9t\xE9", "", "^MOld^m\r\n^La=:Old^l ^Lb=:\xC9t\xE9^l\r\n^M\xC9t\xE9^m ^Lc=:Old^l"},
        {5, "X", "no target", ""},
    };
    for (const auto& c : cases) {
        const markup::TRenamePlan plan = markup::planRename(x, c.mark, c.name);
        EXPECT_NE(plan.refusal.find(c.refusal), std::string::npos)
            << c.name << ": " << plan.refusal;
        if (*c.refusal) {
            EXPECT_TRUE(plan.edits.empty()) << c.name;
        }
        EXPECT_EQ(apply(plan, c.name), *c.result ? c.result : page) << c.name;
    }
}

} // namespace
