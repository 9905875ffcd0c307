#pragma once

#include "platform/core/SaveBackup.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

// Bytes already in memory, in a few pieces (a header and a body).
class TBytesInMemory : public TByteSource {
public:
    TBytesInMemory(std::initializer_list<std::string_view> pieces) : pieces_(pieces) {}
    std::uint64_t size() override;
    std::string_view next() override;

private:
    std::vector<std::string_view> pieces_;
    std::size_t at_ = 0;
};

// Why a file cannot be written, found by trying: opening it for writing (nothing is written to
// it), then making a small file beside it and writing and flushing a few kilobytes there (removed
// again). Returns the system's error number of the first step that fails, 0 when none does.
int whyNotWritable(const std::string& path);

struct TWriteOptions {
    // The permissions of the written file, which is then always a new file of the writer's own
    // (a file private to its user). Negative: a replaced file keeps its owner, group and
    // permissions, a new one gets those the umask leaves.
    int mode = -1;
    // False: a file that cannot be replaced by a new one is not written at all (TStage::create)
    // rather than written in place, and a file with other hard links is replaced as any other.
    bool mayWriteInPlace = true;
};

// Writes the file at path (following symbolic links) so that a failure at any point leaves its
// previous bytes.
//
// Normally the bytes go to a temporary file in its folder, which gets the file's owner, group and
// permissions, is flushed to the disk and then replaces it in one rename. Where the file system
// allows it the temporary file has no name until it is complete, so that a program killed while
// writing leaves nothing behind; elsewhere it has a hidden name of its own, locked while it is
// written, and what a killed writer left beside a file is removed at the file's next write (see
// removeLeftovers).
//
// When a replacement would not be the same file (it has other hard links, or its owner or group
// cannot be given to a new file) or no temporary file can be made in its folder, the file is
// written in place: first a backup (beside it, else in the user's backup folder, see SaveBackup.h)
// with its previous bytes and then the new ones, flushed to the disk and sealed with a header
// that tells both apart; then the new bytes go into the file itself, flushed to the disk, and the
// backup is removed. When that write fails the backup's bytes are put back.
//
// Once a write of the file has succeeded, whatever way, the backups earlier writes in place of it
// left are removed: they guard nothing any more.
TWriteResult writeFile(const std::string& path, TByteSource& source,
                       const TWriteOptions& options = {});

// Writes a file as writeFile does, with bytes handed over as they come (a PDF as its writer makes
// it). Not committed, the file keeps its previous bytes whatever ends the writer.
class TFileWriter {
public:
    TFileWriter();
    ~TFileWriter();
    TFileWriter(const TFileWriter&) = delete;
    TFileWriter& operator=(const TFileWriter&) = delete;

    // Starts writing the file at path: finds how (replacement or in place) and makes the new
    // file. Fails with notRegular or create, with nothing touched.
    TWriteResult open(const std::string& path, const TWriteOptions& options = {});
    // True when the file itself is written (see writeFile).
    bool inPlace() const;
    // Room for size bytes, asked for before the first write when the file is written in place: a
    // full disk is then found before anything is touched. False on failure, which commit reports.
    bool reserve(std::uint64_t size);
    // Adds bytes. False once writing failed; commit then reports the failure.
    bool write(std::string_view bytes);
    // Writes bytes again over some already written (offset + size no further than what was
    // written): a header whose figures are known only at the end. False once writing failed.
    bool writeAt(std::uint64_t offset, std::string_view bytes);
    // Flushes the bytes to the disk and puts the file in place; after a failure the file keeps
    // its previous bytes (or, for TStage::restore, they are in the backup named).
    TWriteResult commit();
    // Gives up: the file keeps its previous bytes. Writing in place, a backup whose bytes cannot
    // all be put back is kept.
    void discard();

private:
    struct TState;
    std::unique_ptr<TState> s_;
};

// Removes the temporary files that writers of the file at path left beside it when they were
// killed: only ours (by their names) and only those no live writer holds. Every write does it
// first; returns how many were removed.
int removeLeftovers(const std::string& path);

// Puts the previous bytes a whole backup (see interruptedBackups) holds back into the file at path
// (written as writeFile writes), then removes the backup. Nothing is removed when the write fails.
// A backup that is not whole, or whose previous bytes are not those its header tells, is refused
// (TStage::create, EINVAL or EIO) with nothing touched.
TWriteResult putBackBackup(const std::string& path, const std::string& backup);

// The file a path finally names: symbolic links are followed one at a time, so that a link to a
// file that does not exist yet names that file, and the replacement lands where the link points.
std::string finalPath(std::string path);

// For tests: false makes writers give their temporary files a name from the start, as on a file
// system that has no unnamed files.
void allowUnnamedFiles(bool allow);
// For tests: a function told, by name, each step a write in place reaches ("backup made",
// "previous bytes copied", "new bytes", "backup sealed", "file slice", "file written"), so that a
// test can stop the writer there. Null: none.
void setStepHook(void (*hook)(const char* step));

} // namespace safefile
