#include "editor/core/LineEdges.h"

#include <algorithm>
#include <cmath>

TRunColumns RoundRunColumns(double x0, double x1, bool keepLeft, bool keepRight, int prevRight) {
    const double lo = std::min(x0, x1), hi = std::max(x0, x1);
    int left = static_cast<int>(keepLeft ? std::ceil(lo) : std::floor(lo));
    const int right = static_cast<int>(keepRight ? std::floor(hi) : std::ceil(hi));
    left = std::max(left, prevRight);
    return {left, right};
}

TRunColumns RunColumns(const TLineEdges& edges, double originX, int from, int to, bool keepLeft,
                       bool keepRight, int prevRight) {
    return RoundRunColumns(originX + edges.Edge(from), originX + edges.Edge(to), keepLeft,
                           keepRight, prevRight);
}
