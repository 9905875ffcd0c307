#pragma once

#include <cstddef>
#include <cstdint>

// The byte layout of a page file: Windows-1252 text, no byte-order mark, lines separated by CR LF.
//
// Inside the program a text is held as the editor holds it: UTF-16 with one separator character
// per line break. These functions turn file bytes into that form and back, in one pass each, so
// loading and saving cost about what reading and writing the bytes cost.
namespace pagefile {

// The most bytes of text a page may hold (64 MiB). Beyond it the editor would become unusable and
// its offsets, counted in int, would come close to their limit.
inline constexpr std::size_t kCapacity = std::size_t(64) << 20;

// Where a page's text ends: at the first zero byte, or at the end of the bytes.
struct TTextExtent {
    std::size_t length = 0; ///< bytes of text before the first zero byte
    bool cutAtZero = false; ///< a zero byte was found at offset length
};
TTextExtent textExtent(const char* bytes, std::size_t n);

// Writes n bytes of page text (no zero byte among them) into out, which must have room for
// maxEncodedSize(n) bytes, with every line break as the page file has it: CR LF, a lone CR and a
// lone LF each become CR LF. Returns the number of bytes written.
std::size_t normalizeBreaks(const char* bytes, std::size_t n, char* out);

// Decodes n bytes of page text (no zero byte among them) into out, which must have room for n
// units. CR LF, a lone CR and a lone LF each become one '\n'. Returns the number of units written.
std::size_t decode(const char* bytes, std::size_t n, char16_t* out);

// Whether a unit of the editor's text ends a line: '\n', CR, or the separators U+2028 and U+2029
// that the editor uses between its paragraphs. CR LF counts as one line break.
inline bool isLineBreak(char16_t ch) {
    return ch == u'\n' || ch == u'\r' || ch == 0x2028 || ch == 0x2029;
}

// The number of bytes encode() writes for these n units.
std::size_t encodedSize(const char16_t* text, std::size_t n);

// Encodes n units of text into out (room for encodedSize() bytes): every line break (see
// isLineBreak) becomes CR LF, nothing is added after the last line, and a character the page code
// page lacks becomes '?'. Returns the number of characters that had to be replaced.
std::size_t encode(const char16_t* text, std::size_t n, char* out);

// Every unit gives at most two bytes (a line break's CR LF).
inline constexpr std::size_t maxEncodedSize(std::size_t n) {
    return 2 * n;
}

// Encodes as encode() does, in one pass, into out with room for maxEncodedSize(n) bytes. Returns
// the number of bytes written; replaced, when given, grows by the characters replaced with '?'.
std::size_t encodeInto(const char16_t* text, std::size_t n, char* out,
                       std::size_t* replaced = nullptr);

} // namespace pagefile
