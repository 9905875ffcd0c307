#include "document/core/PageFile.h"

#include "document/core/Cp1252.h"

#include <array>
#include <cstring>

namespace pagefile {
namespace {

const std::array<char16_t, 256>& decodeTable() {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[b] = cp1252::toUnicode(static_cast<unsigned char>(b));
        return t;
    }();
    return table;
}

// A character outside the 16-bit range, stored as two units.
bool isSurrogatePair(const char16_t* text, std::size_t i, std::size_t n) {
    return text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < n && text[i + 1] >= 0xDC00 &&
           text[i + 1] < 0xE000;
}

} // namespace

TTextExtent textExtent(const char* bytes, std::size_t n) {
    if (const void* zero = n ? std::memchr(bytes, 0, n) : nullptr)
        return {static_cast<std::size_t>(static_cast<const char*>(zero) - bytes), true};
    return {n, false};
}

std::size_t decode(const char* bytes, std::size_t n, char16_t* out) {
    const auto& table = decodeTable();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    const auto* const end = p + n;
    char16_t* o = out;
    while (p < end) {
        const unsigned char b = *p++;
        if (b != '\r') {
            // A lone LF is already the editor's line break.
            *o++ = table[b];
            continue;
        }
        *o++ = u'\n';
        if (p < end && *p == '\n')
            ++p;
    }
    return static_cast<std::size_t>(o - out);
}

std::size_t normalizeBreaks(const char* bytes, std::size_t n, char* out) {
    const char* p = bytes;
    const char* const end = p + n;
    char* o = out;
    while (p < end) {
        const char b = *p++;
        if (b != '\r' && b != '\n') {
            *o++ = b;
            continue;
        }
        *o++ = '\r';
        *o++ = '\n';
        if (b == '\r' && p < end && *p == '\n')
            ++p;
    }
    return static_cast<std::size_t>(o - out);
}

std::size_t encodedSize(const char16_t* text, std::size_t n) {
    std::size_t size = n;
    for (std::size_t i = 0; i < n; ++i) {
        if (isLineBreak(text[i])) {
            if (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i; // CR LF: two units, two bytes
            else
                ++size;
        } else if (isSurrogatePair(text, i, n)) {
            ++i; // two units, one '?'
            --size;
        }
    }
    return size;
}

std::size_t encode(const char16_t* text, std::size_t n, char* out) {
    std::size_t replaced = 0;
    encodeInto(text, n, out, &replaced);
    return replaced;
}

std::size_t encodeInto(const char16_t* text, std::size_t n, char* out, std::size_t* replacedOut) {
    std::size_t replaced = 0;
    char* o = out;
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t ch = text[i];
        if ((ch < 0x80 && ch != u'\n' && ch != u'\r') || (ch >= 0xA0 && ch <= 0xFF)) {
            *o++ = static_cast<char>(ch);
        } else if (isLineBreak(ch)) {
            *o++ = '\r';
            *o++ = '\n';
            if (ch == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
        } else if (const int b = cp1252::fromUnicode(ch); b >= 0) {
            *o++ = static_cast<char>(b);
        } else {
            // A pair of surrogates is one character and becomes one '?'.
            if (isSurrogatePair(text, i, n))
                ++i;
            *o++ = '?';
            ++replaced;
        }
    }
    if (replacedOut)
        *replacedOut += replaced;
    return static_cast<std::size_t>(o - out);
}

} // namespace pagefile
