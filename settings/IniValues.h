#pragma once

#include "platform/FontAttributes.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// How the settings store turns integers, flags, fonts and list counters into text and back.
namespace inivalues {

// Optional leading blanks (spaces, tabs), an optional sign, then decimal digits or hexadecimal
// digits introduced by "$", "x", "X", "0x" or "0X", and nothing after. A decimal number must fit
// in 32 signed bits; a hexadecimal one in 32 bits, taken as their two's complement pattern (so
// "$FFFFFFFF" is -1 and colours with the top bit set read back). Anything else is no integer.
std::optional<std::int32_t> parseInteger(const QString& text);

// Empty or nothing but characters up to the space.
bool isBlank(const QString& text);

// The font string: face, size, colour (name or "$" and eight upper-case hex digits), bold,
// italic, underline, strike-out, joined by ",".
QString fontToString(const TFontAttributes& font);
// Fields of a font string: every "," ends a field; what follows the last "," is a field only when
// it is not empty.
QStringList splitFields(const QString& text);
// Sets the font from seven fields, in order; throws TLpError for a colour or style field that is
// no integer, leaving the fields before it set.
void applyFontFields(const QStringList& fields, TFontAttributes& font);

// The name of list entry `index`: prefix and the index in decimal, or with letters the letter
// "A" + index.
QString counterName(const QString& prefix, int index, bool letters);

// A name whose file-name part has no extension gets ".INI".
QString withIniExtension(const QString& name);

} // namespace inivalues
