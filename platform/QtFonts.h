#pragma once

#include "platform/FontSpec.h"

#include <QFont>

// The largest point size a font is shown in.
constexpr int kMaxFontPoints = 1000;

// The face, point size and style of a font spec as a QFont (the colour is not part of a QFont).
QFont toQFont(const TFontSpec& spec);
// Takes face, point size and style from a QFont; the colour stays as it is.
void setFontSpec(TFontSpec& spec, const QFont& font);
