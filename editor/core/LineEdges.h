#pragma once

// Where the characters of a display line start and end, and how the overlay turns those edges
// into whole pixel columns. Plain C++: the widget answers from the control's glyphs, tests answer
// from a table.

// The edges of the characters of one display line, in fractional pixels from the line's layout
// origin. Character pos starts at Edge(pos) and ends at Edge(pos + 1); Edge of the position after
// the line's last character is the end of the line's text. Positions count from the block start.
class TLineEdges {
public:
    virtual ~TLineEdges() = default;
    virtual double Edge(int pos) const = 0;
};

// Pixel columns [Left, Right) of a run on its line; empty when Right <= Left.
struct TRunColumns {
    int Left = 0;
    int Right = 0;
    bool Empty() const { return Right <= Left; }
    bool operator==(const TRunColumns&) const = default;
};

// Rounds a run's edges x0 and x1 (either order: right-to-left text gives x1 < x0) to whole pixel
// columns. Both sides round outward, so a run covers every pixel its glyphs touch, except a side
// that meets a run the control draws itself (the selection or a tab), which rounds inward and
// keeps the control's look there. The left side never goes left of prevRight, the right side of
// the run drawn before on the same line: neighbouring runs do not share a column.
TRunColumns RoundRunColumns(double x0, double x1, bool keepLeft, bool keepRight, int prevRight);

// The columns of the characters [from, to) of a line whose layout origin lies at originX.
TRunColumns RunColumns(const TLineEdges& edges, double originX, int from, int to, bool keepLeft,
                       bool keepRight, int prevRight);
