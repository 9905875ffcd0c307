#pragma once

#include "editor/core/Colors.h"

// Hot-spot settings of the editor: text between BeginChar and EndChar is drawn as a link, the
// markers are painted out, and a click on it is reported. The widget keeps them and hands the
// same record to the pass.
class THotSpot {
public:
    char BeginChar = 30;                   ///< character 0 switches hot-spot painting off
    char EndChar = 31;                     ///< may equal BeginChar
    TColor Color = 0xFF0000;               ///< hot-spot text
    TColor MarkerColor = colors::clWindow; ///< the markers are painted out in this colour
    bool Active = false;                   ///< painting and the hand cursor
    bool Underlined = true;

    bool operator==(const THotSpot&) const = default;
};
