#pragma once

// Text, names and addresses as they go into an HTML file: page bytes (page code page) become
// escaped UTF-8, file names become safe in the export folder and hrefs are percent-encoded. Plain
// C++, no Qt.

#include <optional>
#include <string>
#include <string_view>

namespace bookexport {

// Appends page bytes as HTML text, in UTF-8: "&", "<", ">", double and single quotes become
// references (so the result is also a sound attribute value), and the control characters that
// HTML refuses (all but tab, the undefined bytes' C1 controls too) the replacement character.
void appendHtmlText(std::string& out, std::string_view bytes);

// Appends UTF-8 text escaped the same way (its bytes are kept; a control character is replaced).
void appendHtmlUtf8(std::string& out, std::string_view utf8);

// A UTF-8 file name made safe to stand alone in the export folder: no folder separator, no
// control character, none of the characters other systems refuse, no leading dot or space, no
// name of "." or "..", at most 150 bytes (cut at a character's start). Empty comes back "file".
std::string safeFileName(std::string_view utf8);

// A file name of the export folder as a relative href: UTF-8 bytes outside the unreserved set
// percent-encoded (spaces and accents included).
std::string hrefOfName(std::string_view utf8Name);

// The href of an address an InternetLink gives (page bytes), when its scheme is http:, https: or
// mailto:; nothing for any other. Spaces around it are dropped; bytes that may not stand in an
// address are percent-encoded in UTF-8 (a "%" already followed by two hex digits is kept).
std::optional<std::string> webAddress(std::string_view bytes);

// Whether two UTF-8 names are the same without regard to case (ASCII and the Latin letters of the
// page code page).
bool sameNameFolded(std::string_view a, std::string_view b);

// An argument of the page (page bytes) as a message quotes it: in UTF-8, its first line only, at
// most 80 characters.
std::string shownArgument(std::string_view bytes);

// Whether bytes are sound UTF-8 throughout.
bool isUtf8(std::string_view bytes);

// The folded form that sameNameFolded compares, for keys of a map.
std::string foldName(std::string_view utf8);

} // namespace bookexport
