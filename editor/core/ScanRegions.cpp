#include "editor/core/ScanRegions.h"

#include <algorithm>

bool canConfineRepaint(const TDrawRules& rules, bool hotSpotActive, bool partialRepaint) {
    if (hotSpotActive || !partialRepaint)
        return false;
    for (int i = 0; i < rules.Count(); ++i)
        if (rules[i].Enabled && rules[i].KeyDrawingType != dtKeyShow &&
            rules[i].KeyDrawingType != dtBeginLineEnd)
            return false;
    return true;
}

std::vector<TScanRegion> confineRegions(const std::vector<TScanRegion>& regions, int from, int to) {
    std::vector<TScanRegion> kept;
    for (const TScanRegion& r : regions)
        if (std::max(r.Start, from) < std::min(r.End, to))
            kept.push_back({std::max(r.Start, from), std::min(r.End, to)});
    return kept;
}
