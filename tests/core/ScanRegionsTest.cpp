#include "editor/core/ScanRegions.h"

#include <gtest/gtest.h>

TEST(ScanRegions, PartialRepaintIsConfinedOnlyWhenNoKeyCanCrossALine) {
    TDrawRules rules;
    EXPECT_TRUE(canConfineRepaint(rules, false, true));
    EXPECT_FALSE(canConfineRepaint(rules, false, false)) << "a full repaint scans everything";
    EXPECT_FALSE(canConfineRepaint(rules, true, true)) << "a hot spot may span lines";

    TColorRule& shown = rules.Add();
    shown.KeyDrawingType = dtKeyShow;
    TColorRule& toLineEnd = rules.Add();
    toLineEnd.KeyDrawingType = dtBeginLineEnd;
    EXPECT_TRUE(canConfineRepaint(rules, false, true));

    TColorRule& pair = rules.Add();
    pair.KeyDrawingType = dtBeginEnd;
    EXPECT_FALSE(canConfineRepaint(rules, false, true)) << "a begin-end key may run over lines";
    pair.Enabled = false;
    EXPECT_TRUE(canConfineRepaint(rules, false, true)) << "a disabled rule finds nothing";
}

TEST(ScanRegions, ConfinedRegionsKeepOnlyTheRepaintedStretch) {
    const std::vector<TScanRegion> regions{{0, 100}, {150, 5000}, {6000, 6100}};
    const std::vector<TScanRegion> kept = confineRegions(regions, 80, 200);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].Start, 80);
    EXPECT_EQ(kept[0].End, 100);
    EXPECT_EQ(kept[1].Start, 150);
    EXPECT_EQ(kept[1].End, 200);
    EXPECT_TRUE(confineRegions(regions, 100, 150).empty()) << "touching is not overlapping";
}
