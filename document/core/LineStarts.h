#pragma once

#include "document/core/GapVector.h"

#include <cstddef>
#include <cstdint>

// Where each line of a page starts, 4 bytes a line (a page holds at most 64 MiB). The starts lie in
// a gap vector; an edit moves the starts of every line after it, and that move is kept as one
// pending step (the starts after `stepLine_` are all `step_` short) that is applied only as far as
// the next edit elsewhere needs. A run of edits in one place therefore costs nothing for the lines
// after it, wherever it is in the page.
class TLineStarts {
public:
    TLineStarts() { clear(); }

    // One line starting at 0.
    void clear();
    std::size_t count() const { return starts_.size(); }
    std::size_t start(std::size_t line) const {
        const std::uint32_t s = starts_.at(line);
        return line > stepLine_ ? std::uint32_t(s + step_) : s;
    }
    // The line holding offset: the last line starting at or before it.
    std::size_t lineOf(std::size_t offset) const;

    // Adds delta (negative for a removal) to the start of every line after `line`.
    void shiftAfter(std::size_t line, std::ptrdiff_t delta);
    // Inserts lines starting at the given offsets, in order, as lines line, line + 1, ...
    // (line >= 1): what were line and the lines after it move down.
    void insertLines(std::size_t line, const std::uint32_t* starts, std::size_t n);
    // Appends one line start after the last (a page being loaded).
    void append(std::uint32_t start);
    // Removes lines [line, line + n) (line >= 1).
    void removeLines(std::size_t line, std::size_t n);

private:
    void applyStepUpTo(std::size_t line);

    TGapVector<std::uint32_t> starts_;
    std::size_t stepLine_ = 0; ///< the starts after this line are step_ short
    std::uint32_t step_ = 0;   ///< modulo 2^32, as the starts are
};
