#pragma once

#include "editor/core/ColorRules.h"

#include <vector>

// A stretch of the text that one colouring pass scans, in CR LF offsets [Start, End).
struct TScanRegion {
    int Start = 0;
    int End = 0;
};

// Whether a repaint of part of the view may scan only the blocks it touches: the keys found there
// must be the ones a full pass finds, so no enabled rule may find a key that crosses a line break
// (only shown keys and keys up to the line's end qualify), and no hot spot may be active.
bool canConfineRepaint(const TDrawRules& rules, bool hotSpotActive, bool partialRepaint);

// The regions cut down to the offsets [from, to) of the repainted blocks; regions outside them are
// dropped.
std::vector<TScanRegion> confineRegions(const std::vector<TScanRegion>& regions, int from, int to);
