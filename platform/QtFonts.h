#pragma once

#include "platform/FontAttributes.h"

#include <QFont>

// The largest point size a font is shown in.
constexpr int kMaxFontPoints = 1000;

// The face, point size and style of font attributes as a QFont (the colour is not part of a QFont).
QFont toQFont(const TFontAttributes& spec);
// The font the page's own text is set in, on screen and on paper: toQFont without shaping for
// scripts that read without it. Ligatures and kerning stay off, so each character is a glyph of
// its own ("fi" stays two letters in a PDF, and an editor line is as wide as its letters), and
// laying a line out takes a fraction of the time. Scripts that need shaping are still shaped.
QFont toPageFont(const TFontAttributes& spec);
// The same font, set without shaping where its script reads without it.
QFont withoutShaping(QFont font);
// Takes face, point size and style from a QFont; the colour stays as it is.
void setFontAttributes(TFontAttributes& spec, const QFont& font);
