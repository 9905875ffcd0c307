#include "platform/QtColors.h"

QColor toQColor(TColor color, const QPalette& palette) {
    if (color == colors::clNone)
        return QColor(Qt::transparent);
    if (!colors::isSystemColor(color))
        return QColor(colors::red(color), colors::green(color), colors::blue(color));
    switch (color & 0xFF) {
    case 0x05: // window
    case 0x18: // info background
        return palette.color(QPalette::Base);
    case 0x08: // window text
    case 0x07: // menu text
    case 0x12: // button text
    case 0x17: // info text
    case 0x09: // caption text
        return palette.color(QPalette::Text);
    case 0x0D: // highlight
        return palette.color(QPalette::Highlight);
    case 0x0E: // highlight text
        return palette.color(QPalette::HighlightedText);
    case 0x10: // button shadow
    case 0x15:
        return palette.color(QPalette::Dark);
    case 0x11: // grey text
        return palette.color(QPalette::Disabled, QPalette::Text);
    case 0x14: // button highlight
    case 0x16:
        return palette.color(QPalette::Light);
    default: // button face, menu, scroll bar and the other frame colours
        return palette.color(QPalette::Button);
    }
}

TColor fromQColor(const QColor& color) {
    return colors::rgb(color.red(), color.green(), color.blue());
}
