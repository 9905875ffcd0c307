#include "markup/core/Completion.h"
#include "markup/core/Actions.h"
#include "markup/core/PageMarkup.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using markup::TCompletionKind;
using enum markup::TCompletionKind;

// "|" marks the caret in the text; the context's replaced stretch comes back as "from..to".
TEST(Completion, Contexts) {
    const struct {
        const char* text;
        TCompletionKind kind;
        const char* prefix;
        const char* replaced; // text[from, to)
    } cases[] = {
        {"|", None, "", ""},
        {"plain|", None, "", ""},
        {"a ^|", Code, "^", "^"},
        {"a ^B|", Code, "^B", "^B"},
        {"^Bx^b|", Code, "^b", "^b"},
        {"^L=|", ActionWord, "", ""},
        {"^LGo=Go|^l", ActionWord, "Go", "Go"},
        {"^L=Go|toPage \"P\"^l", ActionWord, "Go", "GotoPage"},
        {"^Lx=:|", TargetName, "", ""},
        {"^Lx=:Ch\xE9 |1^l", TargetName, "Ch\xE9 ", "Ch\xE9 1"},
        {"text [Na|", Variable, "Na", "Na"},
        {"text [|", Variable, "", ""},
        {"[a] b|", None, "", ""},
        {"^L=SetVar \"[Co|", Variable, "Co", "Co"},
        {"^L=PlaySoundFile \"a/b|.wav\" \"Mode\"^l", FileArgument, "a/b", "a/b.wav"},
        {"^L=PlaySoundFile \"a.wav\" \"Mo|de\"^l", None, "", ""},
        {"^L=GotoPage \"Pa|ge\"^l", None, "", ""},
        // An "=" outside a link is text; a link's visible text from the line before counts.
        {"a = b|", None, "", ""},
        {"^LOne\r\ntwo=Go|", ActionWord, "Go", "Go"},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        const auto bar = text.find('|');
        text.erase(bar, 1);
        const markup::TCompletionContext x = markup::completionAt(text, static_cast<int>(bar));
        EXPECT_EQ(x.kind, c.kind) << c.text;
        if (x.kind == None)
            continue;
        EXPECT_EQ(x.prefix, c.prefix) << c.text;
        EXPECT_EQ(text.substr(static_cast<size_t>(x.from), static_cast<size_t>(x.to - x.from)),
                  c.replaced)
            << c.text;
    }
}

TEST(Completion, InActionText) {
    const std::string text = "a: ^Lgo=InternetLink \"http://x\"^l b";
    const struct {
        int caret;
        bool in;
    } cases[] = {{0, false}, {2, false}, {7, false},  {8, true},
                 {26, true}, {31, true}, {32, false}, {35, false}};
    for (const auto& c : cases)
        EXPECT_EQ(markup::inActionText(text, c.caret), c.in) << c.caret;
}

TEST(Completion, ClosedLink) {
    EXPECT_TRUE(markup::completionAt("^L=Go^l", 5).closed);
    EXPECT_FALSE(markup::completionAt("^L=Go\r\n^l", 5).closed);
}

TEST(Completion, Items) {
    const auto codes = markup::codeItems("14", 4);
    ASSERT_EQ(codes.size(), markup::kCaretCodes.size());
    const auto find = [](const auto& items, const std::string& text) {
        for (const auto& i : items)
            if (i.text == text)
                return i;
        ADD_FAILURE() << text;
        return markup::TCompletionItem{};
    };
    const struct {
        const char* text;
        const char* insert;
        int caret;
        const char* detail;
    } codeCases[] = {
        {"^B", "^B^b", 2, "bold"},         {"^F", "^F14^f", 4, "font size"},
        {"^P", "^P4^p", 3, "font colour"}, {"^T", "^T8^t", 3, "tab"},
        {"^L", "^L^l", 2, "action link"},
    };
    for (const auto& c : codeCases) {
        const auto item = find(codes, c.text);
        EXPECT_EQ(item.insert, c.insert);
        EXPECT_EQ(item.caret, c.caret);
        EXPECT_EQ(item.detail, c.detail);
    }

    const auto open = markup::actionItems(false);
    ASSERT_EQ(open.size(), static_cast<size_t>(actions::kActionCount));
    const struct {
        const char* word;
        bool closed;
        const char* insert;
        const char* selected;
    } actionCases[] = {
        {"GotoPage", false, "GotoPage \"Page\"^l", "Page"},
        {"GotoPage", true, "GotoPage \"Page\"", "Page"},
        {"PlayVideoFile", true, "PlayVideoFile \"-1\" \"-1\" \"-1\" \"-1\" \"VideoFile\" \"Mode\"",
         "VideoFile"},
        {"GotoNextPage", true, "GotoNextPage", ""},
        {"StopMedia", true, "StopMedia \"\"", ""},
    };
    for (const auto& c : actionCases) {
        const auto item = find(markup::actionItems(c.closed), c.word);
        EXPECT_EQ(item.insert, c.insert);
        EXPECT_EQ(item.insert.substr(static_cast<size_t>(item.caret),
                                     static_cast<size_t>(item.selectLength)),
                  c.selected)
            << c.word;
    }

    // Filtering keeps the table's order and ignores case.
    const auto go = markup::filterItems(open, "go");
    ASSERT_EQ(go.size(), 3u);
    EXPECT_EQ(go[0].text, "GotoPage");
    EXPECT_EQ(markup::filterItems(codes, "^").size(), codes.size());
    EXPECT_EQ(markup::filterItems(codes, "^f").front().text, "^F");
    EXPECT_TRUE(markup::filterItems(codes, "^Q").empty());

    const auto vars = markup::nameItems({"Count"}, "]");
    EXPECT_EQ(vars[0].insert, "Count]");
    EXPECT_EQ(vars[0].caret, 6);
}

TEST(Completion, ArgumentSteps) {
    // Values of "^L=ImageWindow "Title" "-1" "-1" "Image"^l": Title 16, -1 24, -1 29, Image 34.
    const std::string text = "^L=ImageWindow \"Title\" \"-1\" \"-1\" \"Image\"^l after";
    const struct {
        int caret, selectionEnd;
        bool forward;
        int offset, length;
    } cases[] = {
        {16, 21, true, 24, 2},  {24, 26, true, 29, 2},  {34, 39, true, 16, 5},
        {16, 21, false, 34, 5}, {29, 31, false, 24, 2}, {3, 3, true, 16, 5},
        {22, 22, false, 16, 5},
    };
    for (const auto& c : cases) {
        const auto s = markup::argumentStep(text, c.caret, c.selectionEnd, c.forward);
        ASSERT_TRUE(s) << c.caret;
        EXPECT_EQ(s->offset, c.offset) << c.caret << (c.forward ? " forward" : " back");
        EXPECT_EQ(s->length, c.length) << c.caret;
    }
    EXPECT_FALSE(markup::argumentStep(text, 46, 46, true));
    EXPECT_FALSE(markup::argumentStep("^L=GotoNextPage^l", 8, 8, true));
}

} // namespace
