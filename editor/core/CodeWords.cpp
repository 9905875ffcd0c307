#include "editor/core/CodeWords.h"

#include <algorithm>

namespace codewords {

namespace {

bool isLetter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// Calls f(start) for each code of the line, left to right. A "^" that is itself the letter of no
// code can begin one: "^^B" holds the code "^B" after a plain "^".
template <class F> void forEachCode(std::u16string_view line, F&& f) {
    const int n = static_cast<int>(line.size());
    for (int i = 0; i + 1 < n; ++i) {
        if (line[i] == u'^' && isLetter(line[i + 1])) {
            if (!f(i))
                return;
            ++i;
        }
    }
}

} // namespace

TRange codeAt(std::u16string_view line, int index) {
    TRange found{index, index};
    forEachCode(line, [&](int start) {
        if (start > index)
            return false;
        if (index < start + 2)
            found = {start, start + 2};
        return true;
    });
    return found;
}

int limitMove(std::u16string_view line, int from, int target) {
    if (target == from)
        return target;
    const bool forward = target > from;
    int result = target;
    forEachCode(line, [&](int start) {
        for (int edge : {start, start + 2}) {
            if (forward ? (edge > from && edge < result) : (edge < from && edge > result))
                result = edge;
        }
        // Codes past the move's far end no longer matter.
        return start <= std::max(from, target);
    });
    // Between a code's "^" and its letter: on to the edge the move goes towards.
    const TRange code = codeAt(line, result);
    if (code.Start < result && result < code.End)
        result = forward ? code.End : code.Start;
    return result;
}

TRange limitWord(std::u16string_view line, int index, int start, int end) {
    const TRange code = codeAt(line, index);
    if (code.End > code.Start)
        return code;
    if (index < start || index >= end)
        return {start, end};
    TRange word{start, end};
    forEachCode(line, [&](int codeStart) {
        if (codeStart + 2 <= index)
            word.Start = std::max(word.Start, codeStart + 2);
        else if (codeStart > index) {
            word.End = std::min(word.End, codeStart);
            return false;
        }
        return true;
    });
    return word;
}

} // namespace codewords
