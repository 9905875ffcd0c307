#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The colour type shared by the whole program: 0x00BBGGRR for red, green and blue in the low three
// bytes; a value with the top bit set names a system colour; 0x1FFFFFFF is "none".
using TColor = std::uint32_t;

namespace colors {

// The sixteen basic colours, in the order of their numbers in a page ("^P0" black to "^P15"
// white): the framework's name, the plain name the page tools show, and the value. Every other
// copy of these colours (the constants below, the page colour table, the colour names of the rule
// texts) is read from here.
struct TBasicColor {
    std::string_view name;   ///< "clBlack" ...
    std::string_view colour; ///< "black" ...
    TColor value;
};
inline constexpr int kBasicColorCount = 16;
inline constexpr std::array<TBasicColor, kBasicColorCount> kBasicColors = {{
    {"clBlack", "black", 0x00000000},
    {"clMaroon", "maroon", 0x00000080},
    {"clGreen", "green", 0x00008000},
    {"clOlive", "olive", 0x00008080},
    {"clNavy", "navy", 0x00800000},
    {"clPurple", "purple", 0x00800080},
    {"clTeal", "teal", 0x00808000},
    {"clGray", "gray", 0x00808080},
    {"clSilver", "silver", 0x00C0C0C0},
    {"clRed", "red", 0x000000FF},
    {"clLime", "lime", 0x0000FF00},
    {"clYellow", "yellow", 0x0000FFFF},
    {"clBlue", "blue", 0x00FF0000},
    {"clFuchsia", "fuchsia", 0x00FF00FF},
    {"clAqua", "aqua", 0x00FFFF00},
    {"clWhite", "white", 0x00FFFFFF},
}};

constexpr TColor clBlack = kBasicColors[0].value;
constexpr TColor clMaroon = kBasicColors[1].value;
constexpr TColor clGreen = kBasicColors[2].value;
constexpr TColor clOlive = kBasicColors[3].value;
constexpr TColor clNavy = kBasicColors[4].value;
constexpr TColor clPurple = kBasicColors[5].value;
constexpr TColor clTeal = kBasicColors[6].value;
constexpr TColor clGray = kBasicColors[7].value;
constexpr TColor clSilver = kBasicColors[8].value;
constexpr TColor clRed = kBasicColors[9].value;
constexpr TColor clLime = kBasicColors[10].value;
constexpr TColor clYellow = kBasicColors[11].value;
constexpr TColor clBlue = kBasicColors[12].value;
constexpr TColor clFuchsia = kBasicColors[13].value;
constexpr TColor clAqua = kBasicColors[14].value;
constexpr TColor clWhite = kBasicColors[15].value;
constexpr TColor clWindow = 0x80000005;     ///< system colour: window background
constexpr TColor clWindowText = 0x80000008; ///< system colour: window text
constexpr TColor clBtnFace = 0x8000000F;
constexpr TColor clNone = 0x1FFFFFFF;

constexpr bool isSystemColor(TColor c) {
    return (c & 0x80000000u) != 0;
}
constexpr TColor rgb(unsigned r, unsigned g, unsigned b) {
    return r | (g << 8) | (b << 16);
}
constexpr unsigned red(TColor c) {
    return c & 0xFF;
}
constexpr unsigned green(TColor c) {
    return (c >> 8) & 0xFF;
}
constexpr unsigned blue(TColor c) {
    return (c >> 16) & 0xFF;
}

// The framework's colour names (the basic colours, then the system colours and "clNone") are
// written as listed and matched without regard to case on reading.
// The name of a colour when its value is one of the named colours.
std::optional<std::string> colorName(TColor c);
// The value of a colour name, matched without regard to ASCII case.
std::optional<TColor> colorFromName(std::string_view name);
// The basic colour whose plain name ("red", "Navy") is given, without regard to ASCII case.
constexpr std::optional<TColor> basicColorFromPlainName(std::string_view colour) {
    const auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; };
    for (const TBasicColor& n : kBasicColors) {
        bool same = n.colour.size() == colour.size();
        for (size_t i = 0; same && i < colour.size(); ++i)
            same = upper(n.colour[i]) == upper(colour[i]);
        if (same)
            return n.value;
    }
    return std::nullopt;
}

} // namespace colors
