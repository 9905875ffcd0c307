#pragma once

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

// The one way between the program's text and page bytes: the page code page (Windows-1252, every
// byte value a character), CR LF line breaks, and "?" for a character the code page cannot hold
// unless it has a close equivalent there (closeEquivalent).
namespace pagetext {

// The page character that stands in for a character the code page cannot hold (the narrow
// no-break space for a no-break space, the minus sign for "-" ...); 0 when there is none.
char16_t closeEquivalent(char16_t ch);

// Page bytes of text, character for character: line breaks are not touched, a character without a
// page byte becomes its close equivalent or "?" (a surrogate pair counts as one character).
std::string toBytes(QStringView text);
// The text of page bytes, byte for byte.
QString fromBytes(std::string_view bytes);

// Page bytes of text whose line breaks (CR LF, a lone CR or LF, U+2028, U+2029) are written as
// CR LF, as a page file holds them.
std::string toPageBytes(QStringView text);
// The text of page bytes in the editor's form: CR LF, a lone CR and a lone LF each become '\n'.
QString fromPageBytes(std::string_view bytes);

// The text as a page can hold it, in the editor's form: characters without a page byte become
// their close equivalent or "?", and line and paragraph separators and lone CRs become '\n'. When
// questionMarks is given, it receives how many characters became "?".
QString toPageText(QStringView text, int* questionMarks = nullptr);

// Whether a character (a UTF-16 unit) has a page byte; the character of a page byte.
bool isPageCharacter(QChar ch);
QChar fromByte(char byte);

// Encodes n UTF-16 units into n page bytes at out, unit for unit ("?" for each unit without a page
// byte, line breaks untouched): for callers that fill a buffer of their own.
void toBytes(const char16_t* units, std::size_t n, char* out);

} // namespace pagetext

using pagetext::toPageText;
