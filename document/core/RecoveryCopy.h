#pragma once

#include "document/core/FileStamp.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Recovery copies: what the program keeps of a changed document's text so that a crash, a kill or
// a power cut loses no more than the last two seconds of typing.
namespace recovery {

// When to write the next copy of a changed document: about kPauseMs after typing pauses, and at
// least every kMaxWaitMs while typing goes on; never when nothing changed since the last copy.
// Times are milliseconds of a steady clock.
class TSchedule {
public:
    static constexpr std::int64_t kPauseMs = 2000;
    static constexpr std::int64_t kMaxWaitMs = 30000;

    // The changed document's text changed at now (or its changes became the only ones: a page
    // that went away from the disk).
    void changed(std::int64_t now);
    // When the next copy is due; none when the last copy holds the text.
    std::optional<std::int64_t> dueAt() const;
    bool isDue(std::int64_t now) const { return dueAt() && now >= *dueAt(); }
    // Whether the text has gone uncopied for kMaxWaitMs of changes: the copy may wait no more.
    bool isOverdue(std::int64_t now) const { return pending_ && now >= firstChange_ + kMaxWaitMs; }
    // The text has been taken for a copy, or the copy holds it already (a recovered document).
    void taken() { pending_ = false; }
    // The document was saved or its changes discarded: nothing is owed.
    void clear() { pending_ = false; }

private:
    bool pending_ = false;
    std::int64_t firstChange_ = 0; ///< first change since the last copy
    std::int64_t lastChange_ = 0;
};

// What a copy says besides the text.
struct TCopyHeader {
    std::string path;        ///< the page's full path in UTF-8; empty for an untitled document
    std::int64_t timeMs = 0; ///< when the text was taken, milliseconds since the epoch (UTC)
    TFileStamp page;         ///< the page as it was loaded or last saved (exists false: none)
};

// A copy is a short header of text lines followed by the page bytes as Save would write them
// (the body). The header carries the body's length and hash, so a truncated or altered copy is
// told from a sound one. This is the header for that body.
std::string copyHeader(const TCopyHeader& header, const char* body, std::size_t bodySize);
// The same header for a body of that size and hash (TByteHash). Fixed width writes the figures
// with leading zeros, so that the header's length does not depend on them: a copy streamed to its
// file leaves room for it first and writes it once the body is complete. Readers take both.
std::string copyHeader(const TCopyHeader& header, std::uint64_t bodySize, std::uint64_t bodyHash,
                       bool fixedWidth);

struct TParsedCopy {
    bool ok = false;
    std::string error; ///< why the copy is not sound (English, for the author)
    TCopyHeader header;
    std::size_t bodyOffset = 0; ///< where the page bytes start in the copy
    std::size_t bodySize = 0;
    std::uint64_t bodyHash = 0; ///< as the header gives it
};

// Reads a copy's header from the first bytes of the copy (the whole header at least): ok with
// where the body starts, its size and hash as the header gives them; the body is not checked.
TParsedCopy parseCopyHeader(const char* bytes, std::size_t n, std::size_t maxBody);

// Reads a copy; a copy whose body is longer than maxBody is refused as damaged.
TParsedCopy parseCopy(const char* bytes, std::size_t n, std::size_t maxBody);

// What a copy's lock file says of the program that holds it, as the lock was written: its
// process id on the first line, its name on the second, its machine on the third.
struct TLockHolder {
    bool readable = false; ///< false: empty, cut short or not a lock at all
    std::int64_t pid = 0;
    std::string machine;
};
TLockHolder parseLock(std::string_view bytes);

enum class TLockState {
    Stale,    ///< the copy is free to take: no program can be holding it
    Held,     ///< another program may still hold the copy
    AskSystem ///< a program of this machine: whether its process still runs decides
};
// A lock that cannot be read as ours is stale (a power cut can leave it empty). One written on
// another machine, which shares this home folder, holds its copy for a day after it was last
// written; after that its program is taken for gone.
constexpr std::int64_t kForeignLockMs = 24 * 60 * 60 * 1000;
TLockState lockState(const TLockHolder& holder, std::string_view thisMachine, std::int64_t ageMs);

// A copy as the list of copies at start shows it.
struct TListedCopy {
    std::string file; ///< the copy's file (UTF-8)
    std::string page; ///< the page's path; empty for an untitled document
    std::int64_t timeMs = 0;
    std::uint64_t size = 0; ///< bytes of the copy
    std::string damage;     ///< why the copy cannot be used; empty for a sound copy
};

// What the author decided for the copies selected in the list. Later keeps every copy left for
// the next start.
enum class TListAction { Recover, Delete, Later };
struct TListDecision {
    TListAction action = TListAction::Later;
    std::vector<std::size_t> rows; ///< the selected copies, by their place in the list
};

// Whether an action can be taken for the selected rows: Recover takes exactly one sound copy
// (the window holds one page), Delete takes any copies, Later needs none.
bool allowed(TListAction action, const std::vector<TListedCopy>& copies,
             const std::vector<std::size_t>& rows);

// A size as the list shows it: "512 bytes", "1.5 KB", "2.0 MB".
std::string sizeText(std::uint64_t bytes);

} // namespace recovery
