#pragma once

#include <cstddef>
#include <cstdint>

// What the program knows of a file's bytes on disk, to tell when another program changed it.
//
// The modification time alone does not tell: a copy that keeps times (cp -p, an unpacked archive,
// a restored backup) can put other bytes of the same size under the same time. Every write still
// moves the change time, which no program can set, and a file put in place by a rename is
// another file (device and inode). A stamp read back from elsewhere (a recovery copy) has no
// change time or identity (0): the first look then compares the bytes.
struct TFileStamp {
    bool exists = false;
    std::int64_t size = 0;
    std::int64_t modifiedMs = 0; ///< modification time, milliseconds since the epoch
    std::uint64_t hash = 0;      ///< TByteHash of the whole file
    std::int64_t changedNs = 0; ///< change time (of the bytes or the file's status), ns since epoch
    std::uint64_t device = 0;   ///< the file system the file is on
    std::uint64_t inode = 0;    ///< the file within it

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
    maybe,   ///< same size, another time or another file: compare the bytes' hash
    gone,    ///< the file is no longer there
};

// Whether two stamps describe the same state of the file as far as the file system tells without
// reading it: exists, size, both times and identity (hash is not looked at).
inline bool sameQuickState(const TFileStamp& a, const TFileStamp& b) {
    return a.exists == b.exists &&
           (!a.exists ||
            (a.size == b.size && a.modifiedMs == b.modifiedMs && a.changedNs == b.changedNs &&
             a.device == b.device && a.inode == b.inode));
}

// The first, cheap comparison of a known file with what the file system tells now (exists, size,
// times and identity; current.hash is not looked at). A file never known compares as none.
TDiskChange quickDiskChange(const TFileStamp& known, const TFileStamp& current);

// Takes the file system's side of current (times and identity) into known, keeping known's bytes
// (size and hash): for a file found to hold the same bytes, so that they need not be read again.
inline void takeQuickState(TFileStamp& known, const TFileStamp& current) {
    known.modifiedMs = current.modifiedMs;
    known.changedNs = current.changedNs;
    known.device = current.device;
    known.inode = current.inode;
}
