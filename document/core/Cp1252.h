#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The page code page (Windows-1252) as an exact table of our own: every byte value maps to one
// Unicode character and back. The five bytes that Windows-1252 leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 controls of the same value, so all 256 bytes survive a round trip.
namespace cp1252 {

// The Unicode character of a page byte.
char16_t toUnicode(unsigned char byte);

// The page byte of a character, or -1 when the page code page has no such character.
int fromUnicode(char16_t ch);

inline bool isEncodable(char16_t ch) {
    return fromUnicode(ch) >= 0;
}

// Decodes n bytes into n UTF-16 units at out.
void decode(const char* bytes, std::size_t n, char16_t* out);

// Encodes n UTF-16 units into n bytes at out; a character without a page byte becomes '?'.
// Returns the number of characters that had to be replaced.
std::size_t encode(const char16_t* text, std::size_t n, char* out);

// The UTF-8 form of page bytes, as file names on this system are written.
std::string toUtf8(std::string_view bytes);

} // namespace cp1252
