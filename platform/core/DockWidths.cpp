#include "platform/core/DockWidths.h"

#include <algorithm>
#include <cmath>

namespace docks {

std::vector<int> dockWidths(int room, int editorMinimum, const std::vector<TDockWant>& docks) {
    room = std::max(room, 0);
    std::vector<int> want;
    want.reserve(docks.size());
    long long asked = 0;
    for (const TDockWant& d : docks) {
        const double share = std::clamp(d.share, kLeastShare, kMostShare);
        want.push_back(std::max(int(std::lround(share * room)), d.minimum));
        asked += want.back();
    }
    const int budget = std::max(room - std::max(editorMinimum, 0), 0);
    if (asked <= budget)
        return want;
    // Cut in proportion to what each asked; a dock that reaches its minimum is held there and the
    // others share the rest of the cut.
    std::vector<bool> held(docks.size(), false);
    std::vector<int> widths(docks.size());
    for (bool again = true; again;) {
        again = false;
        long long free = budget, wanted = 0;
        for (std::size_t i = 0; i < docks.size(); ++i) {
            if (held[i])
                free -= docks[i].minimum;
            else
                wanted += want[i];
        }
        free = std::max(free, 0LL);
        for (std::size_t i = 0; i < docks.size(); ++i) {
            widths[i] = held[i] || wanted == 0 ? docks[i].minimum : int(want[i] * free / wanted);
            if (!held[i] && widths[i] < docks[i].minimum) {
                held[i] = true;
                again = true;
            }
        }
    }
    return widths;
}

int editorMinimum(int columnsWidth, int screenWidth, int docksMinimum) {
    return std::max(std::min(columnsWidth, screenWidth - docksMinimum), 0);
}

int shareToStored(double share) {
    return int(std::lround(std::clamp(share, kLeastShare, kMostShare) * 1000));
}

double shareFromStored(int thousandths, double fallback) {
    if (thousandths < std::lround(kLeastShare * 1000) ||
        thousandths > std::lround(kMostShare * 1000))
        return fallback;
    return thousandths / 1000.0;
}

} // namespace docks
