#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The backup a write in place makes before it touches the file, and what the next open of the
// file makes of one that a killed writer left.
//
// A backup is "<name>.lpbackup-" and six letters or digits, beside the file, or, where the file's
// folder takes no new file, "<name>.<hash of the file's path>.lpbackup-..." in the user's own
// state folder (backupFolder()). It holds a header, the file's previous bytes, then the new ones:
//
//     LPBACKUP 2\n
//     old <size, 20 digits> <hash, 16 hex digits>\n
//     new <size> <hash>\n
//     path <length, 20 digits> <the file's path>\n
//     sum <hash of the lines above>\n
//
// The header is written last, once every byte after it is on the disk, and the file itself is
// touched only once the header is on the disk too: a backup whose header does not check is one
// whose writer never touched the file. Before this format, backups were "<name>.backup-" and six
// characters holding the previous bytes alone, with nothing to tell whether they are complete.
namespace safefile {

// The folder and the name of a path.
std::string folderOf(const std::string& path);
std::string nameOf(const std::string& path);

// 64-bit FNV-1a, a piece at a time.
class TBackupHash {
public:
    void add(std::string_view bytes);
    std::uint64_t value() const { return h_; }

private:
    std::uint64_t h_ = 0xcbf29ce484222325ull;
};

struct TBackupHeader {
    std::uint64_t oldSize = 0;
    std::uint64_t oldHash = 0;
    std::uint64_t newSize = 0;
    std::uint64_t newHash = 0;
    std::string path; ///< the file the backup guards
};

// The header's length for a file's path; the previous bytes start there.
std::size_t backupHeaderSize(const std::string& path);
std::string formatBackupHeader(const TBackupHeader& header);
// False when the bytes are not a whole header (a backup whose writer was stopped before it ended).
bool parseBackupHeader(std::string_view bytes, TBackupHeader& header);

// $XDG_STATE_HOME/Larkpad/backups, or ~/.local/state/Larkpad/backups.
std::string backupFolder();
// Makes the folder (and those above it) private to its user when missing; false with errno set
// when it cannot be made or is not a folder of this user's.
bool makeBackupFolder(const std::string& folder);

// The start of the backup names of the file at target (its final path), beside it or in the
// backup folder.
std::string backupPrefixBeside(const std::string& target);
std::string backupPrefixInStateFolder(const std::string& target);
// The six letters or digits after the prefix.
bool isBackupName(std::string_view name, std::string_view prefix);

struct TInterruptedBackup {
    std::string path;
    // False: a backup of the earlier format, which may be incomplete; it is never put back.
    bool complete = true;
};

// The backups that writes in place of the file at path left when they were stopped before they
// ended (a program killed while it saved), beside it or in the backup folder; regular files of
// this user's, not held by a live writer, oldest first. Those of no more use are removed on the
// way: a backup whose writer never touched the file (its header is not whole), and one whose file
// holds the previous bytes or the new ones whole. What is left guards a file that holds the new
// bytes only in part, or an earlier format's backup whose bytes differ from the file's.
std::vector<TInterruptedBackup> interruptedBackups(const std::string& path);

// Removes the backups of this format of the file at path that no live writer holds: its bytes
// were just written whole, so none guards anything any more. Returns how many were removed.
int removeFinishedBackups(const std::string& path);

// The hash of size bytes of an open file from offset from on; false when they cannot be read.
bool hashBytes(int fd, std::uint64_t from, std::uint64_t size, std::uint64_t& hash);
// Reads the file at path whole and gives its size and hash; false when it cannot be read.
bool hashFile(const std::string& path, std::uint64_t& size, std::uint64_t& hash);

} // namespace safefile
