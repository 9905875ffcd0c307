#pragma once

// How the main window's width is shared between the editor and the docks at its sides. Each dock
// asks for a share of the width; the editor keeps a least width, and gives it up only to the
// docks' own minimums.

#include <vector>

namespace docks {

// A shown dock: the share of the room it asks for and the narrowest it can be, in pixels.
struct TDockWant {
    double share = 0;
    int minimum = 0;
};

// The shares a dock may keep: narrower or wider ones (a damaged setting, a dock dragged to the
// window's edge) are brought within these.
inline constexpr double kLeastShare = 0.05;
inline constexpr double kMostShare = 0.6;

// The widths of the docks that, with the editor, fill `room` pixels: each dock its share of the
// room; where the editor would get less than `editorMinimum`, the docks give up width in
// proportion to what they asked, never below their own minimum.
std::vector<int> dockWidths(int room, int editorMinimum, const std::vector<TDockWant>& docks);

// The least width of the editor beside docks: `columnsWidth` (so many columns of its font), but
// never so wide that the editor and the docks' minimums would not fit on a screen `screenWidth`
// wide.
int editorMinimum(int columnsWidth, int screenWidth, int docksMinimum);

// A share as stored (thousandths of the room) and back; a stored value out of range, zero or
// missing gives `fallback`.
int shareToStored(double share);
double shareFromStored(int thousandths, double fallback);

} // namespace docks
