#include "document/core/TextStore.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// The offsets just after each LF of bytes[0, n), plus base, appended to starts.
void collectStarts(const char* bytes, std::size_t n, std::size_t base,
                   std::vector<std::uint32_t>& starts) {
    for (const char* p = bytes;
         const void* lf = std::memchr(p, '\n', n - std::size_t(p - bytes));) {
        p = static_cast<const char*>(lf) + 1;
        starts.push_back(std::uint32_t(base + std::size_t(p - bytes)));
    }
}

// The first CR or LF of [p, end), or end. With SSE2 (every x86-64) sixteen bytes at a time: one
// pass finds both, where memchr would take one pass for each.
const char* findBreak(const char* p, const char* end) {
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    for (; end - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
        if (mask)
            return p + __builtin_ctz(unsigned(mask));
    }
#endif
    while (p < end && *p != '\r' && *p != '\n')
        ++p;
    return p;
}

// How far bytes[0, n) holds only CR LF line breaks, collecting the line starts on the way (after
// base): n when all is well, else the start of the first line that has a lone CR or LF.
std::size_t scanRegularLines(const char* bytes, std::size_t n, std::size_t base,
                             std::vector<std::uint32_t>& starts) {
    const char* const end = bytes + n;
    for (const char* s = bytes;;) {
        const char* b = findBreak(s, end);
        if (b == end)
            return n;
        if (*b != '\r' || b + 1 == end || b[1] != '\n')
            return std::size_t(s - bytes);
        s = b + 2;
        starts.push_back(std::uint32_t(base + std::size_t(s - bytes)));
    }
}

} // namespace

std::string TTextStore::normalized(const char* bytes, std::size_t n) {
    std::string s(pagefile::maxEncodedSize(n), '\0');
    s.resize(pagefile::normalizeBreaks(bytes, n, s.data()));
    std::replace(s.begin(), s.end(), '\0', '?');
    return s;
}

void TTextStore::clear() {
    const std::size_t n = length(), lines = lineCount() - 1;
    bytes_.clear();
    lines_.clear();
    carryCr_ = loadOver_ = false;
    if (n)
        tell({0, n, 0, 0, lines, 0});
}

TTextStore::TLoad TTextStore::load(const char* bytes, std::size_t n) {
    beginLoad();
    if (n)
        std::memcpy(loadRoom(n), bytes, n);
    TLoad result = commitLoaded(n);
    result.tooLong |= endLoad().tooLong;
    return result;
}

void TTextStore::beginLoad(std::size_t expected) {
    clear();
    bytes_.reserve(std::min(expected, kCapacity));
}

char* TTextStore::loadRoom(std::size_t n) {
    assert(!loadOver_);
    roomAt_ = length();
    char* room = bytes_.insertRoom(roomAt_, n + (carryCr_ ? 1 : 0));
    if (!carryCr_)
        return room;
    room[0] = '\r';
    return room + 1;
}

TTextStore::TLoad TTextStore::commitLoaded(std::size_t got) {
    TLoad result;
    const std::size_t line = lineCount() - 1;
    std::size_t n = got + (carryCr_ ? 1 : 0);
    carryCr_ = false;
    bytes_.truncate(roomAt_ + n);
    char* base = const_cast<char*>(bytes_.contiguous(roomAt_, n));
    const pagefile::TTextExtent extent = pagefile::textExtent(base, n);
    if (extent.cutAtZero) {
        n = extent.length;
        result.cutAtZero = loadOver_ = true;
    } else if (n && base[n - 1] == '\r') {
        // Whether it is a lone CR or the first half of a CR LF, the next slice tells.
        --n;
        carryCr_ = true;
    }

    std::vector<std::uint32_t> starts;
    const std::size_t regular = scanRegularLines(base, n, roomAt_, starts);
    if (regular < n) {
        const std::string rest = normalized(base + regular, n - regular);
        bytes_.truncate(roomAt_ + regular);
        bytes_.insert(roomAt_ + regular, rest.data(), rest.size());
        collectStarts(rest.data(), rest.size(), roomAt_ + regular, starts);
    } else {
        bytes_.truncate(roomAt_ + n);
    }

    if (length() > kCapacity) {
        std::size_t keep = kCapacity;
        if (bytes_.at(keep) == '\n')
            --keep; // not between the CR and the LF of a break
        bytes_.truncate(keep);
        while (!starts.empty() && starts.back() > keep)
            starts.pop_back();
        carryCr_ = false;
        result.tooLong = loadOver_ = true;
    }
    lines_.insertLines(lineCount(), starts.data(), starts.size());
    if (length() > roomAt_)
        tell({roomAt_, 0, length() - roomAt_, line, 0, starts.size()});
    return result;
}

TTextStore::TLoad TTextStore::endLoad() {
    // A CR held back from the end of the last slice was a lone CR: it ends a line.
    TLoad result;
    if (!carryCr_)
        return result;
    carryCr_ = false;
    const std::size_t at = length();
    if (!fits(2)) {
        result.tooLong = true;
        return result;
    }
    bytes_.insert(at, "\r\n", 2);
    const std::uint32_t start = std::uint32_t(at + 2);
    lines_.insertLines(lineCount(), &start, 1);
    tell({at, 0, 2, lineCount() - 2, 0, 1});
    return result;
}

std::string TTextStore::text(std::size_t from, std::size_t n) const {
    std::string s(n, '\0');
    copy(from, n, s.data());
    return s;
}

std::string_view TTextStore::spanAt(std::size_t offset) const {
    std::size_t n = 0;
    const char* p = bytes_.runAt(offset, &n);
    return {p, n};
}

std::string_view TTextStore::contiguous(std::size_t from, std::size_t n) {
    return {bytes_.contiguous(from, n), n};
}

std::size_t TTextStore::lineEnd(std::size_t line) const {
    return line + 1 < lineCount() ? lineStart(line + 1) - 2 : length();
}

std::size_t TTextStore::validOffset(std::size_t offset) const {
    offset = std::min(offset, length());
    return offset > 0 && offset < length() && byteAt(offset) == '\n' ? offset - 1 : offset;
}

TTextChange TTextStore::apply(std::size_t offset, std::size_t n, std::string_view text) {
    TTextChange change{offset, n, text.size(), lines_.lineOf(offset), 0, 0};
    change.linesRemoved = lines_.lineOf(offset + n) - change.line;
    bytes_.erase(offset, n);
    lines_.removeLines(change.line + 1, change.linesRemoved);
    lines_.shiftAfter(change.line, std::ptrdiff_t(text.size()) - std::ptrdiff_t(n));
    bytes_.insert(offset, text.data(), text.size());
    std::vector<std::uint32_t> starts;
    collectStarts(text.data(), text.size(), offset, starts);
    lines_.insertLines(change.line + 1, starts.data(), starts.size());
    change.linesAdded = starts.size();
    tell(change);
    return change;
}

std::optional<TTextChange> TTextStore::insert(std::size_t offset, const char* bytes,
                                              std::size_t n) {
    return replace(offset, 0, std::string_view(bytes, n));
}

TTextChange TTextStore::remove(std::size_t offset, std::size_t n) {
    return *replace(offset, n, {});
}

TTextStore::TRange TTextStore::editRange(std::size_t offset, std::size_t n) const {
    offset = std::min(offset, length());
    std::size_t to = offset + std::min(n, length() - offset);
    if (to == offset)
        return {validOffset(offset), validOffset(offset)};
    if (to < length() && byteAt(to) == '\n')
        ++to; // the whole line break goes
    return {validOffset(offset), to};
}

std::optional<TTextChange> TTextStore::replace(std::size_t offset, std::size_t n,
                                               std::string_view s) {
    const auto [from, to] = editRange(offset, n);
    const std::string text = normalized(s.data(), s.size());
    if (text.size() > to - from && !fits(text.size() - (to - from)))
        return std::nullopt;
    if (from == to && text.empty())
        return TTextChange{from, 0, 0, lines_.lineOf(from), 0, 0};
    return apply(from, to - from, text);
}
