#include "document/core/RecoveryCopy.h"

#include <charconv>
#include <cstring>
#include <string_view>

namespace recovery {

void TSchedule::changed(std::int64_t now) {
    if (!pending_) {
        pending_ = true;
        firstChange_ = now;
    }
    lastChange_ = now;
}

std::optional<std::int64_t> TSchedule::dueAt() const {
    if (!pending_)
        return std::nullopt;
    const std::int64_t afterPause = lastChange_ + kPauseMs;
    const std::int64_t latest = firstChange_ + kMaxWaitMs;
    return afterPause < latest ? afterPause : latest;
}

namespace {

constexpr std::string_view kMagic = "Larkpad recovery copy 1\n";

// The path goes on one header line: '%', control characters and DEL are written as %XX.
std::string escape(const std::string& s) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size());
    for (unsigned char c : s) {
        if (c == '%' || c < 0x20 || c == 0x7f) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += char(c);
        }
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool unescape(std::string_view s, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size())
            return false;
        const int hi = hexDigit(s[i + 1]);
        const int lo = hexDigit(s[i + 2]);
        if (hi < 0 || lo < 0)
            return false;
        out += char(hi * 16 + lo);
        i += 2;
    }
    return true;
}

template <typename T> bool number(std::string_view s, T& value, int base = 10) {
    if (s.empty())
        return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    return ec == std::errc() && end == s.data() + s.size();
}

std::string hex64(std::uint64_t v) {
    char buf[17];
    const auto [end, ec] = std::to_chars(buf, buf + 16, v, 16);
    return std::string(buf, end);
}

// Reads the header line that starts with key and a space; returns its value.
bool line(std::string_view& rest, std::string_view key, std::string_view& value) {
    const std::size_t eol = rest.find('\n');
    if (eol == std::string_view::npos)
        return false;
    const std::string_view l = rest.substr(0, eol);
    if (l.size() < key.size() + 1 || l.substr(0, key.size()) != key || l[key.size()] != ' ')
        return false;
    value = l.substr(key.size() + 1);
    rest.remove_prefix(eol + 1);
    return true;
}

// Splits off the next space-separated field.
std::string_view field(std::string_view& s) {
    const std::size_t sp = s.find(' ');
    const std::string_view f = s.substr(0, sp);
    s = sp == std::string_view::npos ? std::string_view() : s.substr(sp + 1);
    return f;
}

} // namespace

std::string copyHeader(const TCopyHeader& header, const char* body, std::size_t bodySize) {
    return copyHeader(header, bodySize, TByteHash::of(body, bodySize), false);
}

std::string copyHeader(const TCopyHeader& header, std::uint64_t bodySize, std::uint64_t bodyHash,
                       bool fixedWidth) {
    std::string size = std::to_string(bodySize);
    std::string hash = hex64(bodyHash);
    if (fixedWidth) {
        size.insert(0, 20 - size.size(), '0'); // 2^64 has 20 digits
        hash.insert(0, 16 - hash.size(), '0');
    }
    std::string out(kMagic);
    out += "path " + escape(header.path) + '\n';
    out += "time " + std::to_string(header.timeMs) + '\n';
    if (header.page.exists)
        out += "page " + std::to_string(header.page.size) + ' ' +
               std::to_string(header.page.modifiedMs) + ' ' + hex64(header.page.hash) + '\n';
    else
        out += "page -\n";
    out += "body " + size + ' ' + hash + '\n';
    out += '\n';
    return out;
}

TParsedCopy parseCopyHeader(const char* bytes, std::size_t n, std::size_t maxBody) {
    TParsedCopy copy;
    std::string_view rest(bytes, n);
    auto fail = [&copy](const char* why) {
        copy.ok = false;
        copy.error = why;
        return copy;
    };
    if (rest.substr(0, kMagic.size()) != kMagic)
        return fail("it is not a recovery copy");
    rest.remove_prefix(kMagic.size());
    std::string_view path, time, page, body;
    if (!line(rest, "path", path) || !line(rest, "time", time) || !line(rest, "page", page) ||
        !line(rest, "body", body) || rest.empty() || rest[0] != '\n')
        return fail("its header is damaged");
    rest.remove_prefix(1);
    if (!unescape(path, copy.header.path) || !number(time, copy.header.timeMs))
        return fail("its header is damaged");
    if (page != "-") {
        TFileStamp& s = copy.header.page;
        s.exists = true;
        if (!number(field(page), s.size) || !number(field(page), s.modifiedMs) ||
            !number(field(page), s.hash, 16) || !page.empty())
            return fail("its header is damaged");
    }
    if (!number(field(body), copy.bodySize) || !number(field(body), copy.bodyHash, 16) ||
        !body.empty())
        return fail("its header is damaged");
    if (copy.bodySize > maxBody)
        return fail("its text is longer than a page may be");
    copy.bodyOffset = n - rest.size();
    copy.ok = true;
    return copy;
}

TParsedCopy parseCopy(const char* bytes, std::size_t n, std::size_t maxBody) {
    TParsedCopy copy = parseCopyHeader(bytes, n, maxBody);
    if (!copy.ok)
        return copy;
    auto fail = [&copy](const char* why) {
        copy.ok = false;
        copy.error = why;
        return copy;
    };
    const std::size_t rest = n - copy.bodyOffset;
    if (rest < copy.bodySize)
        return fail("it is cut short");
    if (rest > copy.bodySize)
        return fail("it holds more than its text");
    if (TByteHash::of(bytes + copy.bodyOffset, copy.bodySize) != copy.bodyHash)
        return fail("its text is damaged");
    return copy;
}

TLockHolder parseLock(std::string_view bytes) {
    TLockHolder holder;
    std::string_view pid, name, machine;
    auto next = [&bytes](std::string_view& l) {
        const std::size_t eol = bytes.find('\n');
        if (eol == std::string_view::npos)
            return false;
        l = bytes.substr(0, eol);
        bytes.remove_prefix(eol + 1);
        return true;
    };
    if (!next(pid) || !next(name) || !next(machine) || !number(pid, holder.pid) || holder.pid <= 0)
        return holder;
    holder.machine = std::string(machine);
    holder.readable = true;
    return holder;
}

TLockState lockState(const TLockHolder& holder, std::string_view thisMachine, std::int64_t ageMs) {
    if (!holder.readable)
        return TLockState::Stale;
    // A lock that names no machine was written here.
    if (!holder.machine.empty() && holder.machine != thisMachine)
        return ageMs > kForeignLockMs ? TLockState::Stale : TLockState::Held;
    return TLockState::AskSystem;
}

bool allowed(TListAction action, const std::vector<TListedCopy>& copies,
             const std::vector<std::size_t>& rows) {
    for (std::size_t r : rows)
        if (r >= copies.size())
            return false;
    switch (action) {
    case TListAction::Recover:
        return rows.size() == 1 && copies[rows.front()].damage.empty();
    case TListAction::Delete:
        return !rows.empty();
    case TListAction::Later:
        return true;
    }
    return false;
}

std::string sizeText(std::uint64_t bytes) {
    if (bytes < 1024)
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    const char* units[] = {"KB", "MB", "GB"};
    std::uint64_t whole = bytes;
    int unit = -1;
    // Tenths, rounded down so that a copy is never shown larger than it is.
    std::uint64_t tenths = 0;
    while (whole >= 1024 && unit < 2) {
        tenths = whole * 10 / 1024;
        whole /= 1024;
        ++unit;
    }
    return std::to_string(tenths / 10) + '.' + std::to_string(tenths % 10) + ' ' + units[unit];
}

} // namespace recovery
