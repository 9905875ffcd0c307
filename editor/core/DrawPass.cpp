#include "editor/core/DrawPass.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

std::int32_t clampToRecord(std::int64_t v) {
    // kFreeRecord itself would read as a free record: stay one below it.
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(), kFreeRecord - 1));
}

int append(TKeyDescrList& keys, int next, std::int64_t start, std::int64_t end, TColor color,
           std::uint8_t zOrder, TCoveredRange& covered) {
    TKeyDescr& k = keys.At(next);
    k.StartPos = clampToRecord(start);
    k.EndPos = clampToRecord(end);
    k.Color = color;
    k.ZOrder = zOrder;
    k.IsKeyword = false;
    covered.Widen(k);
    return next + 1;
}

bool validRegion(const TPassInput& in) {
    return in.Text && in.ScanStart >= 0 && in.ScanEnd >= in.ScanStart;
}

// Offset of the first c in Text[from, end), or -1.
std::int64_t findChar(const TPassInput& in, std::int64_t from, char c) {
    if (from >= in.ScanEnd)
        return -1;
    const void* at = std::memchr(in.Text + from, c, static_cast<size_t>(in.ScanEnd - from));
    return at ? static_cast<const char*>(at) - in.Text : -1;
}

bool sameRun(const TCell& a, const TCell& b) {
    return a.Color == b.Color && a.ZOrder == b.ZOrder && a.IsKeyword == b.IsKeyword;
}

} // namespace

int FindHotSpots(const TPassInput& in, TKeyDescrList& keys, int next, TCoveredRange& covered) {
    const THotSpot& hs = in.HotSpot;
    if (!hs.Active || hs.BeginChar == 0 || !validRegion(in) || next < 0)
        return next;
    std::int64_t pos = in.ScanStart;
    while (pos < in.ScanEnd) {
        const std::int64_t begin = findChar(in, pos, hs.BeginChar);
        if (begin < 0)
            break;
        // Without its end marker the hot spot is not drawn and the search stops; with an end
        // marker of character 0 no hot spot is ever complete.
        const std::int64_t end = hs.EndChar == 0 ? -1 : findChar(in, begin + 1, hs.EndChar);
        if (end < 0)
            break;
        next = append(keys, next, begin, begin, hs.MarkerColor, kZHotSpotMarker, covered);
        next = append(keys, next, begin + 1, end - 1, hs.Color, kZHotSpotText, covered);
        next = append(keys, next, end, end, hs.MarkerColor, kZHotSpotMarker, covered);
        pos = end + 1;
    }
    return next;
}

int FindTabs(const TPassInput& in, TKeyDescrList& keys, int next, TCoveredRange& covered) {
    if (!validRegion(in) || next < 0)
        return next;
    for (std::int64_t at = findChar(in, in.ScanStart, '\t'); at >= 0;
         at = findChar(in, at + 1, '\t'))
        next = append(keys, next, at, at, in.Background, kZTab, covered);
    return next;
}

// Records are collected in a fixed order (hot spots, tabs, caret line, rules, selection) because
// a later record wins a tie of priorities. The merge only looks at the scanned text: the parts of
// a selection or caret line beyond it (and anything an OnDraw handler reports there) are off the
// visible lines, and working them out would make the pass cost what the document costs.
int RunPass(TDrawRules& rules, const TPassInput& in, TPassBuffers& buffers) {
    TKeyDescrList& keys = buffers.Keys;
    keys.Reset();
    buffers.Covered = TCoveredRange{};
    int next = 0;
    const bool valid = validRegion(in);
    if (valid) {
        if (in.HotSpot.Active && in.HotSpot.BeginChar != 0)
            next = FindHotSpots(in, keys, next, buffers.Covered);
        if (in.WantTabs)
            next = FindTabs(in, keys, next, buffers.Covered);
        if (in.RedrawAlways)
            next = append(keys, next, in.CaretLineStart, in.SelStart, in.FontColor, 0,
                          buffers.Covered);
        for (int i = 0; i < rules.Count(); ++i)
            if (rules[i].Enabled)
                next = FindKeys(rules[i], keys, next, in.Text, in.ScanStart, in.ScanEnd,
                                buffers.Covered);
        if (in.SelLength > 0)
            next = append(keys, next, in.SelStart, std::int64_t{in.SelStart} + in.SelLength - 1, 0,
                          kZSelection, buffers.Covered);
    }

    const TCoveredRange& cov = buffers.Covered;
    const std::int64_t low = std::max<std::int64_t>(cov.Low, in.ScanStart);
    const std::int64_t high = std::min<std::int64_t>(cov.High, std::int64_t{in.ScanEnd} - 1);
    if (!valid || cov.Empty() || high < low) {
        keys.At(0) = TKeyDescr{};
        return 0;
    }

    // Merge: a cell takes a record whose priority is not below the cell's.
    const auto width = static_cast<size_t>(high - low + 1);
    std::vector<TCell>& cells = buffers.Cells;
    if (cells.size() < width + 1)
        cells.resize(width + 1);
    std::fill_n(cells.begin(), width, TCell{});
    for (int r = 0; r < next; ++r) {
        const TKeyDescr& k = keys[r];
        if (k.StartPos == kFreeRecord || k.EndPos == kFreeRecord || k.EndPos < k.StartPos)
            continue;
        const std::int64_t from = std::max<std::int64_t>(k.StartPos, low);
        const std::int64_t to = std::min<std::int64_t>(k.EndPos, high);
        for (std::int64_t c = from; c <= to; ++c) {
            TCell& cell = cells[static_cast<size_t>(c - low)];
            if (cell.ZOrder <= k.ZOrder)
                cell = TCell{k.Color, k.ZOrder, k.IsKeyword, true};
        }
    }

    // Runs: maximal stretches of marked cells that look the same, in text order.
    int runs = 0;
    for (size_t c = 0; c < width;) {
        if (!cells[c].Marked) {
            ++c;
            continue;
        }
        const size_t first = c;
        while (c + 1 < width && cells[c + 1].Marked && sameRun(cells[c + 1], cells[first]))
            ++c;
        TKeyDescr& run = keys.At(runs++);
        run.StartPos = static_cast<std::int32_t>(low + static_cast<std::int64_t>(first));
        run.EndPos = static_cast<std::int32_t>(low + static_cast<std::int64_t>(c));
        run.Color = cells[first].Color;
        run.ZOrder = cells[first].ZOrder;
        run.IsKeyword = cells[first].IsKeyword;
        ++c;
    }
    keys.At(runs) = TKeyDescr{};
    return runs;
}
