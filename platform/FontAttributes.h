#pragma once

#include "editor/core/Colors.h"

#include <QString>

// The attributes of a font that the settings store keeps: face, size, colour and style. The
// character set and pitch are not stored.
struct TFontAttributes {
    QString name = "MS Sans Serif";
    int size = 8; ///< points
    TColor color = colors::clWindowText;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;

    bool operator==(const TFontAttributes&) const = default;
};
