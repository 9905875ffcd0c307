// Where a run's pixel columns fall: the rounding rules on fractional character edges, checked on
// a table of edges, and the control's own edges as the overlay reads them.

#include "editor/core/LineEdges.h"
#include "editor/LineGeometry.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QTextLayout>

#include <climits>
#include <vector>

void PrintTo(const TRunColumns& c, std::ostream* os) {
    *os << "[" << c.Left << ", " << c.Right << ")";
}

namespace {

// Edges from a table: character i starts at edges[i].
class TableEdges : public TLineEdges {
public:
    explicit TableEdges(std::vector<double> e) : edges(std::move(e)) {}
    double Edge(int pos) const override { return edges.at(static_cast<size_t>(pos)); }
    std::vector<double> edges;
};

TEST(RunColumns, FractionalEdgesRoundOutward) {
    const TableEdges e({0.0, 7.4, 14.8, 22.2, 29.6});
    // Characters 1..2 span 7.4 .. 22.2: every touched column is covered.
    EXPECT_EQ(RunColumns(e, 0, 1, 3, false, false, INT_MIN), (TRunColumns{7, 23}));
    // The layout origin moves the run before it is rounded.
    EXPECT_EQ(RunColumns(e, 10.6, 0, 1, false, false, INT_MIN), (TRunColumns{10, 18}));
    EXPECT_EQ(RoundRunColumns(4.0, 9.0, false, false, INT_MIN), (TRunColumns{4, 9}));
}

TEST(RunColumns, SidesNextToTheSelectionOrATabRoundInward) {
    const TableEdges e({0.0, 7.4, 14.8, 22.2});
    EXPECT_EQ(RunColumns(e, 0, 1, 3, true, false, INT_MIN), (TRunColumns{8, 23}));
    EXPECT_EQ(RunColumns(e, 0, 1, 3, false, true, INT_MIN), (TRunColumns{7, 22}));
    EXPECT_EQ(RunColumns(e, 0, 1, 3, true, true, INT_MIN), (TRunColumns{8, 22}));
    // A one-character run inside a pixel between two selected neighbours leaves nothing.
    EXPECT_TRUE(RoundRunColumns(3.2, 3.8, true, true, INT_MIN).Empty());
}

TEST(RunColumns, NeighbouringRunsShareNoColumn) {
    const TableEdges e({0.0, 7.4, 14.8, 22.2});
    const TRunColumns first = RunColumns(e, 0, 0, 1, false, false, INT_MIN);
    const TRunColumns second = RunColumns(e, 0, 1, 2, false, false, first.Right);
    EXPECT_EQ(first, (TRunColumns{0, 8}));
    EXPECT_EQ(second, (TRunColumns{8, 15}));
    // A run wholly within the columns already drawn is dropped.
    EXPECT_TRUE(RoundRunColumns(8.2, 8.9, false, false, 10).Empty());
}

TEST(RunColumns, RightToLeftEdgesGiveTheSameColumns) {
    EXPECT_EQ(RoundRunColumns(22.2, 7.4, false, false, INT_MIN), (TRunColumns{7, 23}));
    EXPECT_EQ(RoundRunColumns(22.2, 7.4, true, true, INT_MIN), (TRunColumns{8, 22}));
}

// The control's edges, read from its glyphs, agree with the cursor positions it reports, on a
// short line and on a long one (measured around its visible part only).
TEST(DisplayLineEdges, AgreeWithTheControlsCursorPositions) {
    for (const int length : {40, kPiecewiseLength + 500}) {
        QTextDocument doc;
        doc.setDefaultFont(QFont(QStringLiteral("DejaVu Sans Mono"), 10));
        QString text;
        for (int i = 0; i < length; ++i)
            text += QChar(u'a' + i % 26);
        doc.setPlainText(text);
        QTextBlock block = doc.begin();
        QTextLayout* layout = block.layout();
        layout->setFont(doc.defaultFont());
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        layout->setTextOption(option);
        layout->beginLayout();
        QTextLine tl = layout->createLine();
        tl.setLineWidth(1e9);
        layout->endLayout();

        TDisplayLine line;
        line.Block = block;
        line.Length = length;
        const TDisplayLineEdges edges(&doc, line, tl, 400);
        EXPECT_EQ(edges.IsLong(), length > kPiecewiseLength);
        for (const int pos : {0, 1, 5, 30, 39})
            EXPECT_NEAR(edges.Edge(pos), tl.cursorToX(pos), 0.5) << length << " at " << pos;
        EXPECT_LT(edges.Edge(10), edges.Edge(11));
    }
}

} // namespace
