#pragma once

#include <cstddef>
#include <cstdint>

// What the program knows of a file's bytes on disk, to tell when another program changed it.
struct TFileStamp {
    bool exists = false;
    std::int64_t size = 0;
    std::int64_t modifiedMs = 0; ///< modification time, milliseconds since the epoch
    std::uint64_t hash = 0;      ///< TByteHash of the whole file

    bool operator==(const TFileStamp&) const = default;
};

// A fast 64-bit hash of a byte stream, for telling changed files and damaged copies; not for
// security. The result does not depend on how the bytes are split between calls of add().
class TByteHash {
public:
    void add(const char* bytes, std::size_t n);
    std::uint64_t value() const;

    static std::uint64_t of(const char* bytes, std::size_t n) {
        TByteHash h;
        h.add(bytes, n);
        return h.value();
    }

private:
    void word(std::uint64_t w);

    std::uint64_t state_ = 0x243f6a8885a308d3ull;
    std::uint64_t length_ = 0;
    unsigned char tail_[8] = {};
    unsigned tailSize_ = 0;
};

enum class TDiskChange {
    none,    ///< the file is as it was
    changed, ///< another size: certainly changed
    maybe,   ///< same size, another time: compare the bytes' hash
    gone,    ///< the file is no longer there
};

// The first, cheap comparison of a known file with what the file system tells now (exists, size
// and modification time; current.hash is not looked at). A file never known compares as none.
TDiskChange quickDiskChange(const TFileStamp& known, const TFileStamp& current);

// Whether two stamps describe the same state of the file as far as their exists, size and time
// say: an outside change already asked about is not asked about again.
inline bool sameQuickState(const TFileStamp& a, const TFileStamp& b) {
    return a.exists == b.exists &&
           (!a.exists || (a.size == b.size && a.modifiedMs == b.modifiedMs));
}
