#include "editor/core/Colors.h"

namespace colors {

namespace {

struct TSystemColor {
    std::string_view name;
    TColor value;
};

constexpr TSystemColor kSystemColors[] = {
    {"clScrollBar", 0x80000000},     {"clBackground", 0x80000001},
    {"clActiveCaption", 0x80000002}, {"clInactiveCaption", 0x80000003},
    {"clMenu", 0x80000004},          {"clWindow", 0x80000005},
    {"clWindowFrame", 0x80000006},   {"clMenuText", 0x80000007},
    {"clWindowText", 0x80000008},    {"clCaptionText", 0x80000009},
    {"clActiveBorder", 0x8000000A},  {"clInactiveBorder", 0x8000000B},
    {"clAppWorkSpace", 0x8000000C},  {"clHighlight", 0x8000000D},
    {"clHighlightText", 0x8000000E}, {"clBtnFace", 0x8000000F},
    {"clBtnShadow", 0x80000010},     {"clGrayText", 0x80000011},
    {"clBtnText", 0x80000012},       {"clInactiveCaptionText", 0x80000013},
    {"clBtnHighlight", 0x80000014},  {"cl3DDkShadow", 0x80000015},
    {"cl3DLight", 0x80000016},       {"clInfoText", 0x80000017},
    {"clInfoBk", 0x80000018},        {"clNone", 0x1FFFFFFF},
};

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

bool sameAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}

} // namespace

std::optional<std::string> colorName(TColor c) {
    for (const TBasicColor& n : kBasicColors)
        if (n.value == c)
            return std::string(n.name);
    for (const TSystemColor& n : kSystemColors)
        if (n.value == c)
            return std::string(n.name);
    return std::nullopt;
}

std::optional<TColor> colorFromName(std::string_view name) {
    for (const TBasicColor& n : kBasicColors)
        if (sameAscii(n.name, name))
            return n.value;
    for (const TSystemColor& n : kSystemColors)
        if (sameAscii(n.name, name))
            return n.value;
    return std::nullopt;
}

} // namespace colors
