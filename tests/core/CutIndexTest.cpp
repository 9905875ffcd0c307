#include "document/core/CutIndex.h"

#include <gtest/gtest.h>

// The plain C++ cores alone, built without the toolkit: a stray widget include breaks this build.

namespace {
constexpr int kPiece = TCutIndex::kDisplayBlock;
} // namespace

TEST(CutIndex, CountsLinesAndMovesWithEdits) {
    TCutIndex index;
    index.edit(0, 0, 6, {2, 3, 5});
    EXPECT_EQ(index.countUpTo(1), 0);
    EXPECT_EQ(index.countUpTo(3), 2);
    EXPECT_EQ(index.lineOfBlock(4), 2);
    // Lines: 0 = block 0, 1 = blocks 1 to 3, 2 = blocks 4 and 5, 3 = block 6.
    EXPECT_EQ(index.firstBlockOfLine(1), 1);
    EXPECT_EQ(index.firstBlockOfLine(2), 4);
    EXPECT_EQ(index.firstBlockOfLine(3), 6);
    // Two line breaks typed in block 1: the cuts after it move down, block 1 stays as it was.
    const TCutIndex before = index;
    index.edit(1, 0, 2, {});
    EXPECT_EQ(index.blocks(), (std::vector<int>{4, 5, 7}));
    EXPECT_EQ(before.blocks(), (std::vector<int>{2, 3, 5})) << "an earlier state keeps its own";
    // Blocks 3 to 5 joined into block 3.
    index.edit(3, 2, 0, {});
    EXPECT_EQ(index.blocks(), (std::vector<int>{5}));
    // Runs that keep their block short are not cut; long ones fill the block to a piece first.
    EXPECT_TRUE(TCutIndex::cutPoints(10, TCutIndex::kLongestUncutLine - 20, 10).empty());
    EXPECT_EQ(TCutIndex::cutPoints(100, 3 * kPiece + 10, 16000),
              (std::vector<int>{kPiece - 100, 2 * kPiece - 100, 3 * kPiece - 100}));
    EXPECT_EQ(TCutIndex::cutPoints(5000, 12000, 0), (std::vector<int>{0, kPiece, 2 * kPiece}));
}
