#include "app/Unit1.h"

#include <QIcon>
#include <QImage>
#include <gtest/gtest.h>

// Every image of the shared list is there, draws at 16 by 16, and leaves its corners clear so the
// toolbar shows through.
TEST(Images, AllTwentyFourDrawAt16WithATransparentBackground) {
    for (int i = 0; i < 24; ++i) {
        const QImage img = lpImage(i).pixmap(16, 16).toImage();
        ASSERT_EQ(img.size(), QSize(16, 16)) << "image " << i;
        int opaque = 0, clear = 0, partial = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const int a = qAlpha(img.pixel(x, y));
                opaque += a == 255;
                clear += a == 0;
                partial += a != 0 && a != 255;
            }
        EXPECT_GT(opaque, 20) << "image " << i << " is nearly empty";
        EXPECT_GT(clear, 0) << "image " << i << " has no transparent background";
        // Shapes sit on whole pixels: no blurred edges at the size the toolbar uses.
        EXPECT_EQ(partial, 0) << "image " << i << " is not aligned to the pixel grid";
    }
}
