#include "platform/QtFonts.h"

#include <algorithm>
#include <cmath>

QFont toQFont(const TFontAttributes& spec) {
    QFont f(spec.name);
    // A size from a damaged settings file must not make the editor unusable.
    f.setPointSize(std::clamp(spec.size, 1, kMaxFontPoints));
    f.setBold(spec.bold);
    f.setItalic(spec.italic);
    f.setUnderline(spec.underline);
    f.setStrikeOut(spec.strikeOut);
    return f;
}

QFont toPageFont(const TFontAttributes& spec) {
    return withoutShaping(toQFont(spec));
}

QFont withoutShaping(QFont font) {
    font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
    return font;
}

void setFontAttributes(TFontAttributes& spec, const QFont& font) {
    spec.name = font.family();
    // A font given in pixels has no point size; keep the old one then.
    if (font.pointSizeF() > 0)
        spec.size = std::max(1, int(std::lround(font.pointSizeF())));
    spec.bold = font.bold();
    spec.italic = font.italic();
    spec.underline = font.underline();
    spec.strikeOut = font.strikeOut();
}
