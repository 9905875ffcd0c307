#pragma once

#include <memory>
#include <vector>

// Where a long line is cut into display blocks. The editor keeps a line longer than
// kLongestUncutLine in blocks of kDisplayBlock characters, because the toolkit lays a block out
// whole again on every key; the cuts between those blocks are no character at all for the text, its
// offsets and its lines.
//
// The index holds the numbers of the blocks that continue the block before them, in order. It is
// shared between the undo states that have the same cuts, so keeping one per undo state costs a
// pointer where nothing moved.
class TCutIndex {
public:
    static constexpr int kLongestUncutLine = 16384;
    static constexpr int kDisplayBlock = 4096;

    bool empty() const { return !cuts_ || cuts_->empty(); }
    int count() const { return cuts_ ? int(cuts_->size()) : 0; }
    const std::vector<int>& blocks() const;

    bool isCut(int block) const;
    // How many of the blocks up to and including `block` continue the one before them.
    int countUpTo(int block) const;
    // The line (counted without cuts) that a block belongs to, and the first block of a line.
    int lineOfBlock(int block) const { return block - countUpTo(block); }
    int firstBlockOfLine(int line) const;

    // An edit replaced blocks (first, first + oldSpan] with (first, first + newSpan]; the block
    // `first` itself keeps its place and its kind. `newCuts` are the replacing blocks that
    // continue the block before them.
    void edit(int first, int oldSpan, int newSpan, std::vector<int> newCuts);
    void clear() { cuts_.reset(); }

    bool operator==(const TCutIndex& other) const { return blocks() == other.blocks(); }

    // Where the cuts of a run of `length` characters go, when `before` characters of its line
    // already stand in the block it starts in and `after` will follow it there: offsets into the
    // run. A run that keeps the block within kLongestUncutLine is not cut.
    static std::vector<int> cutPoints(int before, int length, int after);

private:
    std::shared_ptr<const std::vector<int>> cuts_;
};
