#include "markup/core/Actions.h"

#include <gtest/gtest.h>

#include <string>

using namespace actions;

namespace {

struct Expected {
    const char* item;
    const char* word;
    const char* defaultText;
    TAssistant assistant;
    const char* assisted; ///< with the path "P"
};

// The action texts as the page markup defines them, written out here independently of the table in
// the code.
const Expected kExpected[kActionCount] = {
    {"AlertBox", "AlertBox", "=AlertBox \"Title\" \"Message\"^l", TAssistant::None, ""},
    {"Balloon", "Balloon", "=Balloon \"Message\"^l", TAssistant::None, ""},
    {"DosCommand", "DOSCommand", "=DOSCommand \"App\" \"\" \"Normal+RunOnce\"^l",
     TAssistant::Program, "=DOSCommand \"P\" \"\" \"Normal+RunOnce\"^l"},
    {"Exit", "Exit", "=Exit \"Title\" \"Message\"^l", TAssistant::None, ""},
    {"GotoPage", "GotoPage", "=GotoPage \"Page\"^l", TAssistant::None, ""},
    {"ImageWindow", "ImageWindow", "=ImageWindow \"Title\" \"-1\" \"-1\" \"Image\"^l",
     TAssistant::Picture, "=ImageWindow \"Title\" \"-1\" \"-1\" \"P\"^l"},
    {"InternetLink", "InternetLink", "=InternetLink \"http://www.\"^l", TAssistant::None, ""},
    {"NextPage", "GotoNextPage", "=GotoNextPage^l", TAssistant::None, ""},
    {"PlaySoundFile", "PlaySoundFile", "=PlaySoundFile \"SoundFile\" \"Mode\"^l", TAssistant::Sound,
     "=PlaySoundFile \"P\" \"Mode\"^l"},
    {"PlayVideoFile", "PlayVideoFile",
     "=PlayVideoFile \"-1\" \"-1\" \"-1\" \"-1\" \"VideoFile\" \"Mode\"^l", TAssistant::Video,
     "=PlayVideoFile \"-1\" \"-1\" \"-1\" \"-1\" \"P\" \"Mode\"^l"},
    {"PopupImage", "PopupImage", "=PopupImage \"-1\" \"-1\" \"Image\" \"0\" \"None\" \"0\"^l",
     TAssistant::Picture, "=PopupImage \"-1\" \"-1\" \"P\" \"0\" \"None\" \"0\"^l"},
    {"PreviousPage", "GotoPrevPage", "=GotoPrevPage^l", TAssistant::None, ""},
    {"SetVar", "SetVar", "=SetVar \"[Var]\" \"Value\"^l", TAssistant::None, ""},
    {"SounBuzzer", "SoundBuzzer", "=SoundBuzzer^l", TAssistant::None, ""},
    {"StickyNote", "StickyNote", "=StickyNote \"-1\" \"-1\" \"Ligne1|Ligne2\" \"0\"^l",
     TAssistant::None, ""},
    {"StopMedia", "StopMedia", "=StopMedia \"\"^l", TAssistant::None, ""},
    {"TextWindow", "TextWindow",
     "=TextWindow \"Title\" \"-1\" \"-1\" \"350\" \"400\" \"File\" \"WordWrap\"^l",
     TAssistant::Text, "=TextWindow \"Titre\" \"-1\" \"-1\" \"350\" \"400\" \"P\" \"WordWrap\"^l"},
};

// The argument number (1-based) that holds "P" in an assisted text.
int argumentHoldingPath(const std::string& text) {
    int argument = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '"')
            continue;
        ++argument;
        const std::size_t close = text.find('"', i + 1);
        if (text.substr(i + 1, close - i - 1) == "P")
            return argument;
        i = close;
    }
    return 0;
}

} // namespace

TEST(ActionTexts, EveryActionMatchesThePageMarkup) {
    for (int i = 0; i < kActionCount; ++i) {
        SCOPED_TRACE(kExpected[i].item);
        const TAction& a = actionAt(i);
        EXPECT_EQ(a.item, kExpected[i].item);
        EXPECT_EQ(a.word, kExpected[i].word);
        EXPECT_EQ(defaultText(i), kExpected[i].defaultText);
        EXPECT_EQ(a.assistant, kExpected[i].assistant);
        // Every text names its word right after "=".
        EXPECT_EQ(defaultText(i).substr(1, a.word.size()), a.word);
        if (a.assistant != TAssistant::None) {
            EXPECT_EQ(assistedText(i, "P"), kExpected[i].assisted);
            EXPECT_EQ(argumentHoldingPath(assistedText(i, "P")), a.pathArgument);
        } else {
            EXPECT_EQ(a.pathArgument, 0);
        }
    }
}

TEST(ActionTexts, PathArgumentsAndTitreForTheAssistedTextWindow) {
    EXPECT_EQ(actionAt(2).pathArgument, 1);
    EXPECT_EQ(actionAt(5).pathArgument, 4);
    EXPECT_EQ(actionAt(8).pathArgument, 1);
    EXPECT_EQ(actionAt(9).pathArgument, 5);
    EXPECT_EQ(actionAt(10).pathArgument, 3);
    EXPECT_EQ(actionAt(16).pathArgument, 6);
    EXPECT_EQ(defaultText(16).find("\"Titre\""), std::string::npos);
    EXPECT_NE(assistedText(16, "x").find("=TextWindow \"Titre\""), std::string::npos);
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
