#include "markup/core/Actions.h"

#include <array>
#include <cassert>

namespace actions {

namespace {

using enum TAssistant;

// In action box order; the box goes by index, never by text.
constexpr std::array<TAction, kActionCount> kActions{{
    {"AlertBox", "AlertBox", R"(=AlertBox "Title" "Message"^l)", None, 0, "", ""},
    {"Balloon", "Balloon", R"(=Balloon "Message"^l)", None, 0, "", ""},
    {"DosCommand", "DOSCommand", R"(=DOSCommand "App" "" "Normal+RunOnce"^l)", Program, 1,
     R"(=DOSCommand ")", R"(" "" "Normal+RunOnce"^l)"},
    {"Exit", "Exit", R"(=Exit "Title" "Message"^l)", None, 0, "", ""},
    {"GotoPage", "GotoPage", R"(=GotoPage "Page"^l)", None, 0, "", ""},
    {"ImageWindow", "ImageWindow", R"(=ImageWindow "Title" "-1" "-1" "Image"^l)", Picture, 4,
     R"(=ImageWindow "Title" "-1" "-1" ")", R"("^l)"},
    {"InternetLink", "InternetLink", R"(=InternetLink "http://www."^l)", None, 0, "", ""},
    {"NextPage", "GotoNextPage", R"(=GotoNextPage^l)", None, 0, "", ""},
    {"PlaySoundFile", "PlaySoundFile", R"(=PlaySoundFile "SoundFile" "Mode"^l)", Sound, 1,
     R"(=PlaySoundFile ")", R"(" "Mode"^l)"},
    {"PlayVideoFile", "PlayVideoFile", R"(=PlayVideoFile "-1" "-1" "-1" "-1" "VideoFile" "Mode"^l)",
     Video, 5, R"(=PlayVideoFile "-1" "-1" "-1" "-1" ")", R"(" "Mode"^l)"},
    {"PopupImage", "PopupImage", R"(=PopupImage "-1" "-1" "Image" "0" "None" "0"^l)", Picture, 3,
     R"(=PopupImage "-1" "-1" ")", R"(" "0" "None" "0"^l)"},
    {"PreviousPage", "GotoPrevPage", R"(=GotoPrevPage^l)", None, 0, "", ""},
    {"SetVar", "SetVar", R"(=SetVar "[Var]" "Value"^l)", None, 0, "", ""},
    {"SounBuzzer", "SoundBuzzer", R"(=SoundBuzzer^l)", None, 0, "", ""},
    {"StickyNote", "StickyNote", R"(=StickyNote "-1" "-1" "Ligne1|Ligne2" "0"^l)", None, 0, "", ""},
    {"StopMedia", "StopMedia", R"(=StopMedia ""^l)", None, 0, "", ""},
    // The assisted form names its window "Titre" where the default form has "Title".
    {"TextWindow", "TextWindow", R"(=TextWindow "Title" "-1" "-1" "350" "400" "File" "WordWrap"^l)",
     Text, 6, R"(=TextWindow "Titre" "-1" "-1" "350" "400" ")", R"(" "WordWrap"^l)"},
}};

// By assistant, None excepted. The program dialog starts where the open dialog was left: after
// every use of the action box that is the favourite text folder.
constexpr std::array<TAssistantDialog, 5> kAssistantDialogs{{
    {Program, false, false, "Executables|*.exe;*.com;*.bat"},
    {Picture, true, true, ""},
    {Sound, false, true, "Sound Files|*.wav;*.mid"},
    {Video, false, true, "Video Files|*.avi;*.mov;*.mpg"},
    {Text, false, true, "Text Files|*.txt;*.rtf"},
}};

constexpr bool dialogsInAssistantOrder() {
    for (std::size_t i = 0; i < kAssistantDialogs.size(); ++i)
        if (static_cast<std::size_t>(kAssistantDialogs[i].assistant) != i + 1)
            return false;
    return true;
}
static_assert(dialogsInAssistantOrder());

} // namespace

const TAssistantDialog& assistantDialog(TAssistant assistant) {
    assert(assistant != TAssistant::None);
    return kAssistantDialogs[static_cast<std::size_t>(assistant) - 1];
}

const TAction& actionAt(int index) {
    assert(isActionIndex(index));
    return kActions[static_cast<std::size_t>(index)];
}

std::string defaultText(int index) {
    return std::string(actionAt(index).defaultText);
}

std::string assistedText(int index, std::string_view path) {
    const TAction& a = actionAt(index);
    assert(a.assistant != TAssistant::None);
    std::string text;
    text.reserve(a.beforePath.size() + path.size() + a.afterPath.size());
    text.append(a.beforePath).append(path).append(a.afterPath);
    return text;
}

std::string link(std::string_view visible, std::string_view actionText) {
    std::string text = "^L";
    text.append(visible).append(actionText);
    return text;
}

} // namespace actions
