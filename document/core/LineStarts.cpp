#include "document/core/LineStarts.h"

#include <cassert>

void TLineStarts::clear() {
    starts_.clear();
    const std::uint32_t zero = 0;
    starts_.insert(0, &zero, 1);
    stepLine_ = 0;
    step_ = 0;
}

std::size_t TLineStarts::lineOf(std::size_t offset) const {
    std::size_t lo = 0, hi = count(); // start(lo) <= offset < start(hi)
    while (hi - lo > 1) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (start(mid) <= offset)
            lo = mid;
        else
            hi = mid;
    }
    return lo;
}

void TLineStarts::applyStepUpTo(std::size_t line) {
    // The starts (stepLine_, line] take the pending step; the step now begins after line.
    for (std::size_t i = stepLine_ + 1; i <= line && i < count(); ++i)
        starts_.ref(i) += step_;
    stepLine_ = line;
}

void TLineStarts::shiftAfter(std::size_t line, std::ptrdiff_t delta) {
    if (step_ == 0) {
        stepLine_ = line;
    } else if (line >= stepLine_) {
        applyStepUpTo(line);
    } else {
        // Back to `line`: the starts (line, stepLine_] give up the step they do not have yet.
        for (std::size_t i = line + 1; i <= stepLine_; ++i)
            starts_.ref(i) -= step_;
        stepLine_ = line;
    }
    step_ += std::uint32_t(delta);
    if (stepLine_ + 1 >= count()) {
        stepLine_ = count() - 1; // no line after it: nothing pending
        step_ = 0;
    }
}

void TLineStarts::insertLines(std::size_t line, const std::uint32_t* starts, std::size_t n) {
    assert(line >= 1 && line <= count());
    if (!n)
        return;
    if (stepLine_ < line - 1)
        applyStepUpTo(line - 1);
    // The new starts land before the pending step when stepLine_ >= line, else right after it.
    const std::uint32_t less = stepLine_ >= line ? 0 : step_;
    std::uint32_t* room = starts_.insertRoom(line, n);
    for (std::size_t i = 0; i < n; ++i)
        room[i] = starts[i] - less;
    if (stepLine_ >= line)
        stepLine_ += n;
}

void TLineStarts::append(std::uint32_t start) {
    insertLines(count(), &start, 1);
}

void TLineStarts::removeLines(std::size_t line, std::size_t n) {
    assert(line >= 1 && line + n <= count());
    if (!n)
        return;
    if (stepLine_ >= line + n)
        stepLine_ -= n;
    else if (stepLine_ >= line)
        stepLine_ = line - 1; // the removed lines took their part of the step with them
    starts_.erase(line, n);
    if (stepLine_ + 1 >= count()) {
        stepLine_ = count() - 1;
        step_ = 0;
    }
}
