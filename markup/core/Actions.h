#pragma once

#include <array>
#include <string>
#include <string_view>

// The actions that the action box writes into a page, as an action link "^L" text "=" action
// "^l". Each entry holds the text from "=" through "^l" character for character, once with the
// author's placeholders and, for the six actions that can take a chosen file, once split around the
// argument that receives the file's full path.
namespace actions {

// The file dialog that can fill an action's file argument. Each assistant has a favourite folder
// of the author's; which one is the application's business.
enum class TAssistant { None, Program, Picture, Sound, Video, Text };

// How an assistant's dialog is prepared before it is shown.
struct TAssistantDialog {
    TAssistant assistant;
    bool pictureDialog;      ///< the picture dialog with its preview; otherwise the open dialog
    bool ownFolder;          ///< starts in the assistant's folder; otherwise where it was left
    std::string_view filter; ///< the file types offered; empty: the dialog keeps its own
};

struct TAction {
    std::string_view item;        ///< the text the action box shows
    std::string_view word;        ///< the action word written into the page
    std::string_view defaultText; ///< "=" word and arguments "^l", placeholders included
    TAssistant assistant = TAssistant::None;
    int pathArgument = 0;        ///< 1-based argument that receives the path; 0: none
    std::string_view beforePath; ///< assisted text up to the path's opening quote included
    std::string_view afterPath;  ///< assisted text from the path's closing quote on
};

inline constexpr int kActionCount = 17;

// The argument values of the default texts that stand for what the author is meant to write in
// their place (the other default values, such as "-1" or "Normal+RunOnce", are meant to stay).
inline constexpr std::array<std::string_view, 13> kPlaceholders{
    "Title", "Message", "Page",  "App",   "Image",         "SoundFile",  "VideoFile",
    "File",  "Mode",    "[Var]", "Value", "Ligne1|Ligne2", "http://www."};

// The dialog of an assistant other than None.
const TAssistantDialog& assistantDialog(TAssistant assistant);

// The action at an action box index; index must be 0 to kActionCount - 1.
const TAction& actionAt(int index);

inline bool isActionIndex(int index) {
    return index >= 0 && index < kActionCount;
}

// "=" and the action with its placeholders, through "^l".
std::string defaultText(int index);

// "=" and the action with path in its file argument, through "^l". Only for actions with an
// assistant. Nothing in the page markup can escape a double quote, so callers must refuse a path
// that holds one (see canQuote).
std::string assistedText(int index, std::string_view path);

// The whole link: "^L", the visible text, the action text.
std::string link(std::string_view visible, std::string_view actionText);

// Whether text can stand between the double quotes of an argument.
inline bool canQuote(std::string_view text) {
    return text.find('"') == std::string_view::npos;
}

} // namespace actions
