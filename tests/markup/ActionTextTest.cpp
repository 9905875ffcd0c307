// The action table: every text the action box writes is well formed, and the assisted form of an
// action is its default form with the chosen path in the action's file argument.
#include "markup/core/ActionArguments.h"
#include "markup/core/Actions.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace actions;

namespace {

// An action text as the page markup writes it: "=", the word, each argument as a space and the
// value in double quotes, "^l".
std::string compose(std::string_view word, const std::vector<std::string_view>& arguments) {
    std::string text = "=";
    text += word;
    for (std::string_view value : arguments)
        text.append(" \"").append(value).append("\"");
    return text + "^l";
}

} // namespace

TEST(ActionTexts, DefaultTextsAreWordAndQuotedArguments) {
    std::set<std::string_view> items;
    std::set<std::string_view> words;
    for (int i = 0; i < kActionCount; ++i) {
        const TAction& a = actionAt(i);
        SCOPED_TRACE(std::string(a.item));
        EXPECT_TRUE(items.insert(a.item).second);
        EXPECT_TRUE(words.insert(a.word).second);
        EXPECT_EQ(defaultText(i), compose(a.word, markup::defaultArguments()[i]));
    }
}

TEST(ActionTexts, AssistedTextIsTheDefaultWithThePathInItsArgument) {
    const std::string path = "C:\\Pages\\a b.ext";
    for (int i = 0; i < kActionCount; ++i) {
        const TAction& a = actionAt(i);
        SCOPED_TRACE(std::string(a.item));
        std::vector<std::string_view> arguments = markup::defaultArguments()[i];
        if (a.assistant == TAssistant::None) {
            EXPECT_EQ(a.pathArgument, 0);
            continue;
        }
        ASSERT_GE(a.pathArgument, 1);
        ASSERT_LE(a.pathArgument, int(arguments.size()));
        std::string_view& file = arguments[static_cast<size_t>(a.pathArgument - 1)];
        EXPECT_TRUE(markup::isPlaceholder(file)) << file;
        file = path;
        // The one assisted text that differs elsewhere too: its window is named "Titre".
        if (a.word == "TextWindow")
            arguments[0] = "Titre";
        EXPECT_EQ(assistedText(i, path), compose(a.word, arguments));
    }
}

// A few texts as the author sees them in the page.
TEST(ActionTexts, TextsAsWritten) {
    EXPECT_EQ(defaultText(0), "=AlertBox \"Title\" \"Message\"^l");
    EXPECT_EQ(defaultText(16),
              "=TextWindow \"Title\" \"-1\" \"-1\" \"350\" \"400\" \"File\" \"WordWrap\"^l");
    EXPECT_EQ(assistedText(16, "/p/f.txt"),
              "=TextWindow \"Titre\" \"-1\" \"-1\" \"350\" \"400\" \"/p/f.txt\" \"WordWrap\"^l");
    EXPECT_EQ(assistedText(9, "v.avi"),
              "=PlayVideoFile \"-1\" \"-1\" \"-1\" \"-1\" \"v.avi\" \"Mode\"^l");
}

TEST(ActionTexts, LinksAreJoinedWithNothingBetween) {
    EXPECT_EQ(link("", defaultText(7)), "^L=GotoNextPage^l");
    EXPECT_EQ(link("Play", assistedText(8, "C:\\Sounds\\a b.wav")),
              "^LPlay=PlaySoundFile \"C:\\Sounds\\a b.wav\" \"Mode\"^l");
    EXPECT_EQ(link("two\r\nlines ^Bbold^b", defaultText(11)),
              "^Ltwo\r\nlines ^Bbold^b=GotoPrevPage^l");
}

TEST(ActionTexts, OnlyTextsWithoutDoubleQuotesCanBeQuoted) {
    EXPECT_TRUE(canQuote("/music/a b.wav"));
    EXPECT_TRUE(canQuote(""));
    EXPECT_FALSE(canQuote("/music/say \"hi\".wav"));
}
