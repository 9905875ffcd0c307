#include "document/core/CutIndex.h"

#include <algorithm>

const std::vector<int>& TCutIndex::blocks() const {
    static const std::vector<int> none;
    return cuts_ ? *cuts_ : none;
}

bool TCutIndex::isCut(int block) const {
    const std::vector<int>& c = blocks();
    return std::binary_search(c.begin(), c.end(), block);
}

int TCutIndex::countUpTo(int block) const {
    const std::vector<int>& c = blocks();
    return int(std::upper_bound(c.begin(), c.end(), block) - c.begin());
}

int TCutIndex::firstBlockOfLine(int line) const {
    // The first block b with b - countUpTo(b) == line is the line's first block: the blocks of a
    // line all share that difference and the first of them is not a cut.
    const std::vector<int>& c = blocks();
    int lo = line, hi = line + int(c.size());
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (lineOfBlock(mid) < line)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

void TCutIndex::edit(int first, int oldSpan, int newSpan, std::vector<int> newCuts) {
    const std::vector<int>& old = blocks();
    const auto from = std::upper_bound(old.begin(), old.end(), first);
    const auto to = std::upper_bound(from, old.end(), first + oldSpan);
    if (from == to && newCuts.empty() && (oldSpan == newSpan || to == old.end()))
        return; // nothing moved: the states before and after share the index
    std::vector<int> next;
    next.reserve(old.size() - size_t(to - from) + newCuts.size());
    next.insert(next.end(), old.begin(), from);
    std::sort(newCuts.begin(), newCuts.end());
    for (int b : newCuts)
        if (b > first && b <= first + newSpan && (next.empty() || next.back() < b))
            next.push_back(b);
    for (auto it = to; it != old.end(); ++it)
        next.push_back(*it + newSpan - oldSpan);
    if (next.empty())
        cuts_.reset();
    else
        cuts_ = std::make_shared<const std::vector<int>>(std::move(next));
}

std::vector<int> TCutIndex::cutPoints(int before, int length, int after) {
    std::vector<int> points;
    if (before + length + after <= kLongestUncutLine)
        return points;
    // The block being filled is topped up to a piece; from there every piece is whole, and the
    // last one takes what follows in the block.
    int at = std::max(0, kDisplayBlock - before);
    for (; at < length; at += kDisplayBlock)
        points.push_back(at);
    // A cut at the very start of the run leaves the block as it stands.
    return points;
}
