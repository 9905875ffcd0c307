#pragma once

#include "document/core/GapVector.h"
#include "document/core/LineStarts.h"
#include "document/core/PageFile.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// One change of a page's text, in page offsets: `removedLength` bytes at `offset` gave way to
// `insertedLength` bytes. The change starts in line `line`; `linesRemoved` line breaks went with
// the removed bytes and `linesAdded` came with the inserted ones, so lines after
// line + linesRemoved are the lines after line + linesAdded now.
struct TTextChange {
    std::size_t offset = 0;
    std::size_t removedLength = 0;
    std::size_t insertedLength = 0;
    std::size_t line = 0;
    std::size_t linesRemoved = 0;
    std::size_t linesAdded = 0;

    bool operator==(const TTextChange&) const = default;
};

// Hears of every change of a store, after it is made.
class ITextWatcher {
public:
    virtual ~ITextWatcher() = default;
    virtual void textChanged(const TTextChange& change) = 0;
};

// A page's text as it is on disk: Windows-1252 bytes with every line break as CR LF, in a gap
// buffer, with the start of each line. Offsets are the page's: 0-based, CR LF counts two.
//
// The store keeps its bytes a page's bytes, whatever it is given:
// - a lone CR or a lone LF that comes in (loaded, inserted) becomes CR LF;
// - an insert between the CR and the LF of a line break goes before the CR, and a removal that
//   would split a line break takes the whole break;
// - a zero byte ends a loaded page (as the page file rule has it) and becomes '?' when inserted,
//   since a page cannot keep one;
// - the text never grows past pagefile::kCapacity: an insert that would is refused whole.
class TTextStore {
public:
    static constexpr std::size_t kCapacity = pagefile::kCapacity;

    // Every change is told to watcher (none: nullptr), which must outlive the store or be unset.
    void setWatcher(ITextWatcher* watcher) { watcher_ = watcher; }

    // Loading, whole or a slice at a time.
    struct TLoad {
        bool cutAtZero = false; ///< a zero byte ended the text: nothing after it was taken
        bool tooLong = false;   ///< the text was cut at kCapacity bytes
        bool done() const { return cutAtZero || tooLong; }
    };
    // Replaces the text with n bytes of a page file.
    TLoad load(const char* bytes, std::size_t n);
    // Empties the store for a load in slices: loadRoom(), commitLoaded() for every slice, and
    // endLoad() once the last is in. The bytes are read straight into the store, and checked and
    // indexed there in one pass; nothing else may change the store while it loads.
    // `expected` is the size of the file when known, so that its slices fill one block of memory.
    void beginLoad(std::size_t expected = 0);
    char* loadRoom(std::size_t n);
    // `got` bytes of the room were filled. Once a TLoad reports done(), the load is over.
    TLoad commitLoaded(std::size_t got);
    // The load is over: a CR that ended the last slice ends a line. tooLong when it did not fit.
    TLoad endLoad();
    void clear();

    std::size_t length() const { return bytes_.size(); }
    char byteAt(std::size_t offset) const { return bytes_.at(offset); }
    // Copies [from, from + n) into out; both must lie within the text.
    void copy(std::size_t from, std::size_t n, char* out) const { bytes_.copy(from, n, out); }
    std::string text(std::size_t from, std::size_t n) const;
    std::string text() const { return text(0, length()); }
    // The bytes stored together from `offset` on, without a copy: at least one byte when offset
    // is within the text. Valid until the next change.
    std::string_view spanAt(std::size_t offset) const;
    // [from, from + n) as one run, without a copy of the text when it already lies together (else
    // the gap moves out of it). Valid until the next change.
    std::string_view contiguous(std::size_t from, std::size_t n);

    std::size_t lineCount() const { return lines_.count(); }
    std::size_t lineStart(std::size_t line) const { return lines_.start(line); }
    // Where a line's text ends, before its line break.
    std::size_t lineEnd(std::size_t line) const;
    std::size_t lineFromOffset(std::size_t offset) const { return lines_.lineOf(offset); }
    // The offset moved off the LF of a line break to its CR: the place an edit there takes.
    std::size_t validOffset(std::size_t offset) const;

    // The bytes an edit of [offset, offset + n) takes: within the text and whole line breaks.
    struct TRange {
        std::size_t from = 0, to = 0;
    };
    TRange editRange(std::size_t offset, std::size_t n) const;

    // Whether n more bytes fit (once their line breaks are written as CR LF).
    bool fits(std::size_t n) const { return n <= kCapacity - length(); }

    // Inserts n bytes of page text at offset; nothing when the page would grow past kCapacity.
    std::optional<TTextChange> insert(std::size_t offset, const char* bytes, std::size_t n);
    std::optional<TTextChange> insert(std::size_t offset, std::string_view s) {
        return insert(offset, s.data(), s.size());
    }
    TTextChange remove(std::size_t offset, std::size_t n);
    // Removes [offset, offset + n) and inserts the bytes there, as one change; nothing when the
    // page would grow past kCapacity.
    std::optional<TTextChange> replace(std::size_t offset, std::size_t n, std::string_view s);

private:
    // The bytes as the store keeps them: line breaks as CR LF, no zero byte.
    static std::string normalized(const char* bytes, std::size_t n);
    // Fills in the line starts after the LFs of [from, to), at the end of the text.
    void indexLoaded(std::size_t from, std::size_t to);
    TTextChange apply(std::size_t offset, std::size_t n, std::string_view normalizedText);
    void tell(const TTextChange& change) {
        if (watcher_)
            watcher_->textChanged(change);
    }

    TGapVector<char> bytes_;
    TLineStarts lines_;
    ITextWatcher* watcher_ = nullptr;
    std::size_t roomAt_ = 0; ///< where the room of a load begins
    bool carryCr_ = false;   ///< a slice ended with a CR, held back to see what follows it
    bool loadOver_ = false;  ///< a zero byte or the capacity ended the load
};
