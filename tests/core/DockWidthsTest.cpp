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
    } const rows[] = {
        {1200, 300, {{0.25, 60}, {1.0 / 3, 80}}, {300, 400}}, // room enough: the shares
        {640, 300, {{0.25, 60}, {1.0 / 3, 80}}, {145, 194}},  // cut in proportion
        {640, 300, {{0.25, 150}, {1.0 / 3, 80}}, {150, 190}}, // one held at its minimum
        {400, 300, {{0.25, 60}, {1.0 / 3, 80}}, {60, 80}},    // no room: the minimums
        {640, 300, {{0.01, 60}}, {60}},                       // a share too small: the least
        {900, 0, {{0.9, 0}}, {540}},                          // a share too large: the most
    };
    for (const Row& r : rows)
        EXPECT_EQ(dockWidths(r.room, r.editor, r.docks), r.widths) << r.room << " " << r.editor;
    EXPECT_EQ(docks::editorMinimum(2000, 1920, 200), 1720); // a very large font
    EXPECT_DOUBLE_EQ(docks::shareFromStored(docks::shareToStored(0.25), 0.3), 0.25);
    for (int bad : {0, 49, 601})
        EXPECT_DOUBLE_EQ(docks::shareFromStored(bad, 0.3), 0.3) << bad;
}

// Whatever the room, the docks never take the editor's least width unless their own minimums
// need it, never go below those, and keep what they ask when it fits.
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
        for (std::size_t i = 0; i < wants.size(); ++i)
            EXPECT_TRUE(widths[i] >= wants[i].minimum && widths[i] <= all[i]) << trial;
        const int given = std::accumulate(widths.begin(), widths.end(), 0);
        EXPECT_LE(given, std::max({room - editor, minimums, 0})) << trial;
        if (std::accumulate(all.begin(), all.end(), 0) < room - editor - int(wants.size())) {
            EXPECT_EQ(widths, all) << trial;
        }
    }
}
