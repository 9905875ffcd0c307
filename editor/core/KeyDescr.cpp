#include "editor/core/ColorRules.h"

#include <algorithm>

TKeyDescrList::TKeyDescrList(int capacity) {
    items_.reserve(static_cast<size_t>(std::max(capacity, 0)));
}

TKeyDescr& TKeyDescrList::At(int i) {
    const auto index = static_cast<size_t>(i);
    if (index >= items_.size())
        items_.resize(index + 1);
    return items_[index];
}

void TKeyDescrList::Reset() {
    for (TKeyDescr& k : items_)
        k.StartPos = kFreeRecord;
}

void TCoveredRange::Widen(const TKeyDescr& k) {
    if (k.StartPos == kFreeRecord || k.EndPos == kFreeRecord || k.EndPos < k.StartPos ||
        k.EndPos < 0)
        return;
    const std::int32_t low = std::max<std::int32_t>(k.StartPos, 0);
    if (Empty() || low < Low)
        Low = low;
    if (k.EndPos > High)
        High = k.EndPos;
}
