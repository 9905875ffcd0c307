#include "export/core/HtmlText.h"

#include "document/core/Cp1252.h"

#include <algorithm>
#include <array>

namespace bookexport {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The character at s[i] and its length in bytes; -1 for a byte that starts no sound sequence.
std::pair<long, std::size_t> decodeUtf8(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    if (c < 0x80)
        return {c, 1};
    const std::size_t n = c >= 0xF0 && c < 0xF5 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (n == 0 || c >= 0xF5 || i + n > s.size())
        return {-1, 1};
    long cp = c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80)
            return {-1, 1};
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    const long least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
        return {-1, 1};
    return {cp, n};
}

bool isControl(long c) {
    return (c < 0x20 && c != '\t') || (c >= 0x7F && c < 0xA0);
}

std::string_view escapeOf(long c) {
    switch (c) {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '"':
        return "&quot;";
    case '\'':
        return "&#39;";
    default:
        return isControl(c) ? kReplacement : std::string_view();
    }
}

// What each page byte becomes in HTML text; plain[b]: the byte stands for itself.
struct TByteTable {
    std::array<std::string, 256> text;
    std::array<bool, 256> plain{};
    TByteTable() {
        for (int b = 0; b < 256; ++b) {
            const char32_t c = cp1252::toUnicode(static_cast<unsigned char>(b));
            const std::string_view escape = escapeOf(c);
            if (!escape.empty())
                text[b] = std::string(escape);
            else
                appendUtf8(text[b], c);
            plain[b] = b < 0x80 && escape.empty();
        }
    }
};

const TByteTable& byteTable() {
    static const TByteTable table;
    return table;
}

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

void appendPercent(std::string& out, unsigned char b) {
    constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[b >> 4];
    out += kHex[b & 0xF];
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

void appendHtmlText(std::string& out, std::string_view bytes) {
    const TByteTable& t = byteTable();
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t j = i;
        while (j < bytes.size() && t.plain[static_cast<unsigned char>(bytes[j])])
            ++j;
        out.append(bytes.substr(i, j - i));
        if (j < bytes.size())
            out += t.text[static_cast<unsigned char>(bytes[j++])];
        i = j;
    }
}

void appendHtmlUtf8(std::string& out, std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size();) {
        const auto [c, n] = decodeUtf8(utf8, i);
        const std::string_view escape = c < 0 ? kReplacement : escapeOf(c);
        if (escape.empty())
            out.append(utf8.substr(i, n));
        else
            out += escape;
        i += n;
    }
}

std::string safeFileName(std::string_view utf8) {
    constexpr std::size_t kMaxBytes = 150;
    constexpr std::string_view kRefused = "/\\:*?\"<>|#%";
    std::string name;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto [c, n] = decodeUtf8(utf8, i);
        if (c < 0 || isControl(c) ||
            (c < 0x80 && kRefused.find(static_cast<char>(c)) != std::string_view::npos))
            name += '_';
        else
            name.append(utf8.substr(i, n));
        i += n;
    }
    // Hidden, or ending where other systems cut: the dots and spaces at the ends go.
    const std::size_t first = name.find_first_not_of(". ");
    name = first == std::string::npos ? std::string() : name.substr(first);
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.pop_back();
    if (name.size() > kMaxBytes) {
        const std::size_t dot = name.rfind('.');
        const std::string ext =
            dot != std::string::npos && name.size() - dot <= 16 ? name.substr(dot) : std::string();
        std::size_t cut = kMaxBytes - ext.size();
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name = name.substr(0, cut) + ext;
    }
    return name.empty() ? std::string("file") : name;
}

std::string hrefOfName(std::string_view utf8Name) {
    std::string out;
    out.reserve(utf8Name.size());
    for (const char ch : utf8Name) {
        const auto b = static_cast<unsigned char>(ch);
        if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
            b == '-' || b == '.' || b == '_' || b == '~')
            out += ch;
        else
            appendPercent(out, b);
    }
    return out;
}

std::optional<std::string> webAddress(std::string_view bytes) {
    const std::size_t first = bytes.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::nullopt;
    bytes = bytes.substr(first, bytes.find_last_not_of(" \t") + 1 - first);
    const std::size_t colon = bytes.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    std::string scheme;
    for (const char c : bytes.substr(0, colon))
        scheme += asciiLower(c);
    const std::string_view rest = bytes.substr(colon + 1);
    const bool web = (scheme == "http" || scheme == "https") && rest.size() > 2 &&
                     rest.substr(0, 2) == "//" && rest[2] != '/';
    if (!web && !(scheme == "mailto" && !rest.empty()))
        return std::nullopt;
    const std::string utf8 = cp1252::toUtf8(bytes);
    constexpr std::string_view kRefused = "\"<>\\^`{|}";
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        const bool keptPercent =
            b == '%' && i + 2 < utf8.size() && isHex(utf8[i + 1]) && isHex(utf8[i + 2]);
        if (b <= 0x20 || b >= 0x7F || kRefused.find(static_cast<char>(b)) != std::string::npos ||
            (b == '%' && !keptPercent))
            appendPercent(out, b);
        else
            out += static_cast<char>(b);
    }
    return out;
}

std::string foldName(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto [c, n] = decodeUtf8(utf8, i);
        if (c < 0) {
            out += utf8[i];
        } else {
            long f = c;
            if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
                f = c + 0x20;
            else if (c == 0x160 || c == 0x152 || c == 0x17D)
                f = c + 1;
            else if (c == 0x178)
                f = 0xFF;
            appendUtf8(out, static_cast<char32_t>(f));
        }
        i += n;
    }
    return out;
}

std::string shownArgument(std::string_view bytes) {
    constexpr std::size_t kMaxShown = 80;
    const std::size_t line = std::min(bytes.find_first_of("\r\n"), bytes.size());
    std::string shown(1, '"');
    shown.append(cp1252::toUtf8(bytes.substr(0, std::min(line, kMaxShown))));
    shown.append(line > kMaxShown ? "...\"" : "\"");
    return shown;
}

bool isUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const auto [c, n] = decodeUtf8(bytes, i);
        if (c < 0)
            return false;
        i += n;
    }
    return true;
}

bool sameNameFolded(std::string_view a, std::string_view b) {
    return foldName(a) == foldName(b);
}

} // namespace bookexport
