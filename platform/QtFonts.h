#pragma once

#include "platform/FontAttributes.h"

#include <QFont>

// The largest point size a font is shown in.
constexpr int kMaxFontPoints = 1000;

// The face, point size and style of font attributes as a QFont (the colour is not part of a QFont).
QFont toQFont(const TFontAttributes& spec);
// Takes face, point size and style from a QFont; the colour stays as it is.
void setFontAttributes(TFontAttributes& spec, const QFont& font);
