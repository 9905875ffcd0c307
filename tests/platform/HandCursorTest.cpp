#include "platform/HandCursor.h"

#include <QBitmap>
#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

// The click lands where the finger points: the hot point is the topmost drawn pixel of the index
// finger, with nothing drawn above it.
TEST(HandCursor, HotPointIsTheIndexFingertip) {
    const QCursor hand = handCursor();
    EXPECT_EQ(hand.hotSpot(), QPoint(13, 9));
    const QImage img = hand.pixmap().toImage();
    ASSERT_EQ(img.size(), QSize(32, 32)) << "the cursor image is missing from the resources";
    EXPECT_EQ(qAlpha(img.pixel(13, 9)), 255);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(qAlpha(img.pixel(x, y)), 0) << x << "," << y;
    // The finger is one pixel wide at its tip and widens below it.
    EXPECT_EQ(qAlpha(img.pixel(12, 9)), 0);
    EXPECT_EQ(qAlpha(img.pixel(14, 9)), 0);
    EXPECT_EQ(qAlpha(img.pixel(12, 10)), 255);
    EXPECT_EQ(qAlpha(img.pixel(14, 10)), 255);
}

TEST(HandCursor, IsMadeOnceAndSharesItsImage) {
    EXPECT_EQ(handCursor().pixmap().cacheKey(), handCursor().pixmap().cacheKey());
}
