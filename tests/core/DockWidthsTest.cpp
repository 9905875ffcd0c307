// Sharing the main window's width between the editor and the docks at its sides.
#include "platform/core/DockWidths.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

using docks::dockWidths;
using docks::TDockWant;

TEST(DockWidths, DocksTakeTheirSharesUntilTheEditorReachesItsLeastWidth) {
    struct Row {
        int room, editor;
        std::vector<TDockWant> docks;
        std::vector<int> widths;
    };
    const Row rows[] = {
        {1200, 300, {{0.25, 60}, {1.0 / 3, 80}}, {300, 400}}, // room enough: the shares
        {640, 300, {{0.25, 60}, {1.0 / 3, 80}}, {145, 194}},  // cut in proportion
        {640, 300, {{0.01, 60}}, {60}},                       // a share too small: the least
        {640, 300, {{0.25, 150}, {1.0 / 3, 80}}, {150, 190}}, // one held at its minimum
        {400, 300, {{0.25, 60}, {1.0 / 3, 80}}, {60, 80}},    // no room: the minimums
        {0, 300, {{0.25, 60}}, {60}},
        {900, 0, {{0.9, 0}}, {540}}, // a share too large: the most
        {900, 300, {}, {}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(dockWidths(r.room, r.editor, r.docks), r.widths) << r.room << " " << r.editor;
}

// Whatever the room, the docks never take the editor's least width unless their own minimums
// need it, never go below those, and never take more than they ask.
TEST(DockWidths, RandomRoomsKeepTheEditorAndTheMinimums) {
    std::mt19937 random(38);
    for (int trial = 0; trial < 5000; ++trial) {
        const int room = int(random() % 3000), editor = int(random() % 800);
        std::vector<TDockWant> wants(random() % 4);
        int minimums = 0;
        for (TDockWant& w : wants) {
            w.share = (random() % 1200) / 1000.0;
            w.minimum = int(random() % 200);
            minimums += w.minimum;
        }
        const std::vector<int> all = dockWidths(room, 0, wants);
        const std::vector<int> widths = dockWidths(room, editor, wants);
        ASSERT_EQ(widths.size(), wants.size());
        for (std::size_t i = 0; i < wants.size(); ++i) {
            EXPECT_GE(widths[i], wants[i].minimum);
            EXPECT_LE(widths[i], all[i]);
        }
        const int given = std::accumulate(widths.begin(), widths.end(), 0);
        EXPECT_LE(given, std::max({room - editor, minimums, 0})) << trial;
        // Docks that fit beside the editor as they asked keep what they asked.
        const int asked = std::accumulate(all.begin(), all.end(), 0);
        if (asked < room - editor - int(wants.size())) {
            EXPECT_EQ(widths, all) << trial;
        }
    }
}

TEST(DockWidths, TheEditorsLeastWidthLeavesTheDocksRoomOnTheScreen) {
    EXPECT_EQ(docks::editorMinimum(330, 1920, 200), 330);
    EXPECT_EQ(docks::editorMinimum(2000, 1920, 200), 1720); // a very large font
    EXPECT_EQ(docks::editorMinimum(330, 100, 200), 0);
    // Stored shares: thousandths; what no dock may keep reads as the fallback.
    EXPECT_EQ(docks::shareToStored(0.25), 250);
    EXPECT_EQ(docks::shareToStored(0.9), 600);
    EXPECT_DOUBLE_EQ(docks::shareFromStored(250, 0.3), 0.25);
    for (int bad : {0, -5, 49, 601, 100000})
        EXPECT_DOUBLE_EQ(docks::shareFromStored(bad, 0.3), 0.3) << bad;
}
