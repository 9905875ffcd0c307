#include "document/core/Cp1252.h"

namespace cp1252 {
namespace {

// 0x80 to 0x9F; the rest of the bytes equal their Unicode code points.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

char16_t toUnicode(unsigned char byte) {
    return (byte >= 0x80 && byte < 0xA0) ? kHigh[byte - 0x80] : char16_t(byte);
}

int fromUnicode(char16_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return ch;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == ch)
            return 0x80 + i;
    return -1;
}

void decode(const char* bytes, std::size_t n, char16_t* out) {
    for (std::size_t i = 0; i < n; ++i)
        out[i] = toUnicode(static_cast<unsigned char>(bytes[i]));
}

std::size_t encode(const char16_t* text, std::size_t n, char* out) {
    std::size_t replaced = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t ch = text[i];
        if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) {
            out[i] = static_cast<char>(ch);
            continue;
        }
        const int b = fromUnicode(ch);
        if (b < 0) {
            out[i] = '?';
            ++replaced;
        } else {
            out[i] = static_cast<char>(b);
        }
    }
    return replaced;
}

std::string toUtf8(std::string_view bytes) {
    std::string utf8;
    utf8.reserve(bytes.size());
    for (char byte : bytes) {
        const char16_t c = toUnicode(static_cast<unsigned char>(byte));
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | (c >> 12));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

} // namespace cp1252
