#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Opening and writing files so that the author's work is never lost or damaged (POSIX calls).
//
// Only regular files are pages: anything else (folder, named pipe, socket, device) is refused
// before a byte is read or written, and without ever waiting on it.
namespace safefile {

enum class TKind { missing, regular, folder, fifo, socket, charDevice, blockDevice, other };

// What the path names once symbolic links are followed. error is set when stat fails for another
// reason than a missing file.
TKind kindOf(const std::string& path, int* error = nullptr);
// "a folder", "a named pipe (FIFO)", ...: the thing a path names, for messages.
const char* kindName(TKind kind);

// The system's reason for an error number ("No space left on device").
std::string reasonOf(int error);

// Opens a regular file for reading without waiting (a named pipe with no writer would block
// open() for good). On success fd is open and close-on-exec; else fd is -1 and either kind tells
// what the path is instead of a regular file, or error holds the system's reason.
struct TOpenResult {
    int fd = -1;
    TKind kind = TKind::missing;
    int error = 0;
};
TOpenResult openForReading(const std::string& path);

// The bytes to write, handed out piece by piece. size() is their total, asked for before the first
// piece when the file is written in place. A piece stays valid until the next call; an empty piece
// ends the bytes. next() may throw (out of memory): the file is then left as it was and the
// exception goes on.
class TByteSource {
public:
    virtual ~TByteSource() = default;
    virtual std::uint64_t size() = 0;
    virtual std::string_view next() = 0;
};

enum class TStage {
    none,       ///< written
    notRegular, ///< the path names something else than a regular file: nothing was touched
    create,     ///< the file could not be created or opened for writing: nothing was touched
    write,      ///< writing failed: the file keeps its previous bytes
    restore,    ///< writing in place failed and the previous bytes could not all be put back
};

struct TWriteResult {
    TStage failed = TStage::none;
    int error = 0;               ///< the system's error number of the failure
    TKind kind = TKind::missing; ///< notRegular: what the path names
    bool inPlace = false;        ///< the file itself was written (see writeFile)
    std::string backupPath;      ///< restore: the copy that still holds the previous bytes
    bool ok() const { return failed == TStage::none; }
};

// Why a file cannot be written, found by trying: opening it for writing (nothing is written to
// it), then making a small file beside it and writing and flushing a few kilobytes there (removed
// again). Returns the system's error number of the first step that fails, 0 when none does.
int whyNotWritable(const std::string& path);

// Writes the file at path (following symbolic links) so that a failure at any point leaves its
// previous bytes.
//
// Normally the bytes go to a temporary file beside it, which gets the file's owner, group and
// permissions and then replaces it in one rename. When a replacement would not be the same file
// (it has other hard links, or its owner or group cannot be given to a new file) or no temporary
// file can be made in its folder, the file is written in place: a backup copy of it first (beside
// it, else in the temporary folder), then the new bytes into the file itself, flushed to the disk,
// then the backup is removed. When that write fails the backup's bytes are put back.
TWriteResult writeFile(const std::string& path, TByteSource& source);

} // namespace safefile
