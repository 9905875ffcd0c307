#pragma once

#include "editor/core/Colors.h"

#include <QColor>
#include <QPalette>

// A colour value as a QColor; system colours are taken from the palette (window background and
// text, button face, highlight, ...).
QColor toQColor(TColor color, const QPalette& palette);
// A QColor as an RGB colour value (never a system colour).
TColor fromQColor(const QColor& color);
