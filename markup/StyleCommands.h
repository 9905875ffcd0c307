#pragma once

#include <QString>

#include <string_view>

class TColorMemo;

// The text style commands: each puts page markup around the editor's selection. All but the target
// link select the same text again between the two codes, so a second style can follow at once.
// Each insertion is one undo step of the editor and sets its modified flag.
namespace style {

// The selection between opening and closing, then reselected.
void wrapAndReselect(TColorMemo& memo, std::string_view opening, std::string_view closing);

void bold(TColorMemo& memo);
void italic(TColorMemo& memo);
void underlined(TColorMemo& memo);
void strikeout(TColorMemo& memo);
void inverseVideo(TColorMemo& memo);
void center(TColorMemo& memo);
void tab(TColorMemo& memo);
void variable(TColorMemo& memo);
void target(TColorMemo& memo);
// The size code carries sizeText exactly as the size box shows it; the editor gets the focus back
// (the double click on the size box took it).
void fontSize(TColorMemo& memo, const QString& sizeText);
// colorNumber is the colour box's chosen entry; nothing happens while none is chosen.
void fontColor(TColorMemo& memo, int colorNumber);
// The selection becomes the visible text of a link to the target Target; the caret stays after it.
void linkToTarget(TColorMemo& memo);

} // namespace style
