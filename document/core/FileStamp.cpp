#include "document/core/FileStamp.h"

#include <cstring>

namespace {

constexpr std::uint64_t kMul1 = 0x9e3779b97f4a7c15ull;
constexpr std::uint64_t kMul2 = 0xff51afd7ed558ccdull;

std::uint64_t rotl(std::uint64_t x, int r) {
    return (x << r) | (x >> (64 - r));
}

std::uint64_t loadLittleEndian(const unsigned char* p) {
    std::uint64_t w = 0;
    for (int i = 7; i >= 0; --i)
        w = (w << 8) | p[i];
    return w;
}

} // namespace

void TByteHash::word(std::uint64_t w) {
    state_ ^= w * kMul1;
    state_ = rotl(state_, 31) * kMul2;
}

void TByteHash::add(const char* bytes, std::size_t n) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    length_ += n;
    if (tailSize_) {
        while (n && tailSize_ < 8) {
            tail_[tailSize_++] = *p++;
            --n;
        }
        if (tailSize_ < 8)
            return;
        word(loadLittleEndian(tail_));
        tailSize_ = 0;
    }
    for (; n >= 8; n -= 8, p += 8)
        word(loadLittleEndian(p));
    std::memcpy(tail_, p, n);
    tailSize_ = unsigned(n);
}

std::uint64_t TByteHash::value() const {
    std::uint64_t h = state_;
    if (tailSize_) {
        unsigned char last[8] = {};
        std::memcpy(last, tail_, tailSize_);
        h ^= loadLittleEndian(last) * kMul1;
        h = rotl(h, 31) * kMul2;
    }
    h ^= length_;
    h ^= h >> 33;
    h *= kMul2;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    h ^= h >> 33;
    return h;
}

TDiskChange quickDiskChange(const TFileStamp& known, const TFileStamp& current) {
    if (!known.exists)
        return TDiskChange::none;
    if (!current.exists)
        return TDiskChange::gone;
    if (current.size != known.size)
        return TDiskChange::changed;
    if (!sameQuickState(known, current))
        return TDiskChange::maybe;
    return TDiskChange::none;
}
