#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The colour type shared by the whole program: 0x00BBGGRR for red, green and blue in the low three
// bytes; a value with the top bit set names a system colour; 0x1FFFFFFF is "none".
using TColor = std::uint32_t;

namespace colors {

constexpr TColor clBlack = 0x00000000;
constexpr TColor clMaroon = 0x00000080;
constexpr TColor clGreen = 0x00008000;
constexpr TColor clOlive = 0x00008080;
constexpr TColor clNavy = 0x00800000;
constexpr TColor clPurple = 0x00800080;
constexpr TColor clTeal = 0x00808000;
constexpr TColor clGray = 0x00808080;
constexpr TColor clSilver = 0x00C0C0C0;
constexpr TColor clRed = 0x000000FF;
constexpr TColor clLime = 0x0000FF00;
constexpr TColor clYellow = 0x0000FFFF;
constexpr TColor clBlue = 0x00FF0000;
constexpr TColor clFuchsia = 0x00FF00FF;
constexpr TColor clAqua = 0x00FFFF00;
constexpr TColor clWhite = 0x00FFFFFF;
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

struct NamedColor {
    const char* name;
    TColor value;
};

// The framework's colour names, written as listed and matched without regard to case on reading.
extern const NamedColor kNamedColors[];
extern const int kNamedColorCount;

// The name of a colour when its value is one of the named colours.
std::optional<std::string> colorName(TColor c);
// The value of a colour name, matched without regard to ASCII case.
std::optional<TColor> colorFromName(std::string_view name);

} // namespace colors
