#include "book/core/Book.h"

#include "document/core/Cp1252.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace book {

namespace {

constexpr std::array<unsigned char, 256> kFold = [] {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c);
    for (int c = 'A'; c <= 'Z'; ++c)
        t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c + 32);
    // À to Þ, the multiplication sign excepted.
    for (int c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7)
            t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c + 32);
    t[0x8A] = 0x9A; // Š
    t[0x8C] = 0x9C; // Œ
    t[0x8E] = 0x9E; // Ž
    t[0x9F] = 0xFF; // Ÿ
    return t;
}();

// For order only: the letters with accents of the page code page (after folding, 0xE0 to 0xFF)
// sort with their base letter.
constexpr std::string_view kBaseLetters = "aaaaaaaceeeeiiiidnooooo\xF7ouuuuy\xFEy";

unsigned char orderByte(unsigned char c) {
    const unsigned char f = kFold[c];
    return f >= 0xE0 ? static_cast<unsigned char>(kBaseLetters[f - 0xE0u]) : f;
}

constexpr std::string_view kPageExtension = ".txt";

bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// Decodes UTF-8; false on any malformed sequence.
bool decodeUtf8(std::string_view s, std::u32string& out) {
    out.clear();
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        int extra = 0;
        char32_t cp = 0;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1;
            cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            cp = b & 0x07;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(extra) >= s.size())
            return false;
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((c & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        out.push_back(cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

} // namespace

unsigned char foldByte(unsigned char c) {
    return kFold[c];
}

std::string folded(std::string_view pageBytes) {
    std::string out(pageBytes);
    for (char& c : out)
        c = static_cast<char>(kFold[static_cast<unsigned char>(c)]);
    return out;
}

bool sameFolded(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (kFold[static_cast<unsigned char>(a[i])] != kFold[static_cast<unsigned char>(b[i])])
            return false;
    return true;
}

std::string pageBytesOfName(std::string_view fileName, bool* encodable) {
    if (encodable)
        *encodable = true;
    std::u32string cps;
    if (!decodeUtf8(fileName, cps))
        return std::string(fileName);
    std::string out;
    out.reserve(cps.size());
    for (char32_t cp : cps) {
        const int b = cp <= 0xFFFF ? cp1252::fromUnicode(static_cast<char16_t>(cp)) : -1;
        if (b < 0 && encodable)
            *encodable = false;
        out.push_back(b < 0 ? '?' : static_cast<char>(b));
    }
    return out;
}

int naturalCompare(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    int tie = 0; // the first difference that order without case and leading zeros leaves out
    while (i < a.size() && j < b.size()) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[j]);
        if (isDigit(ca) && isDigit(cb)) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && isDigit(static_cast<unsigned char>(a[ei])))
                ++ei;
            while (ej < b.size() && isDigit(static_cast<unsigned char>(b[ej])))
                ++ej;
            std::size_t si = i, sj = j;
            while (si + 1 < ei && a[si] == '0')
                ++si;
            while (sj + 1 < ej && b[sj] == '0')
                ++sj;
            if (ei - si != ej - sj)
                return ei - si < ej - sj ? -1 : 1;
            if (const int c = a.substr(si, ei - si).compare(b.substr(sj, ej - sj)); c != 0)
                return c < 0 ? -1 : 1;
            if (tie == 0 && ei - i != ej - j)
                tie = ei - i < ej - j ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        const unsigned char oa = orderByte(ca), ob = orderByte(cb);
        if (oa != ob)
            return oa < ob ? -1 : 1;
        if (tie == 0 && ca != cb)
            tie = kFold[ca] != kFold[cb] ? (kFold[ca] < kFold[cb] ? -1 : 1) : (ca < cb ? -1 : 1);
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return tie;
}

bool isPageFileName(std::string_view fileName) {
    return fileName.size() > kPageExtension.size() &&
           sameFolded(fileName.substr(fileName.size() - kPageExtension.size()), kPageExtension);
}

TBook::TBook(std::string folder, std::vector<TPage> pages) : folder_(std::move(folder)) {
    for (TPage& p : pages) {
        if (!isPageFileName(p.fileName))
            continue;
        if (p.name.empty())
            p.name = pageBytesOfName(p.fileName, &p.encodable);
        pages_.push_back(std::move(p));
    }
    std::sort(pages_.begin(), pages_.end(), [](const TPage& x, const TPage& y) {
        const int c = naturalCompare(x.name, y.name);
        return c != 0 ? c < 0 : x.fileName < y.fileName;
    });
    for (int i = 0; i < count(); ++i)
        byName_.emplace(folded(page(i).name), i);
}

TBook TBook::list(const std::string& folder, std::string* error) {
    std::vector<TPage> pages;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        if (error)
            *error = std::strerror(errno);
        return TBook(folder, {});
    }
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name = e->d_name;
        if (!isPageFileName(name))
            continue;
        TPage p;
        p.fileName = std::string(name);
        struct stat st {};
        const std::string path = folder + '/' + p.fileName;
        // A page removed while the folder is read is simply no longer there; a folder or a device
        // named ".txt" is no page.
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        p.size = static_cast<std::uint64_t>(st.st_size);
        p.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        pages.push_back(std::move(p));
    }
    ::closedir(dir);
    return TBook(folder, std::move(pages));
}

std::string TBook::pathOf(int i) const {
    return folder_ + '/' + page(i).fileName;
}

int TBook::pageNamed(std::string_view pageBytes) const {
    if (pageBytes.empty())
        return -1;
    std::string key = folded(pageBytes);
    if (const auto f = byName_.find(key); f != byName_.end())
        return f->second;
    key.append(kPageExtension);
    const auto f = byName_.find(key);
    return f != byName_.end() ? f->second : -1;
}

int TBook::indexOfFile(std::string_view fileName) const {
    for (int i = 0; i < count(); ++i)
        if (page(i).fileName == fileName)
            return i;
    return -1;
}

std::string pathInBook(const std::string& folder, std::string_view argument) {
    std::string path = cp1252::toUtf8(argument);
    std::replace(path.begin(), path.end(), '\\', '/');
    if (!path.empty() && path.front() == '/')
        return path;
    return folder + '/' + path;
}

} // namespace book
