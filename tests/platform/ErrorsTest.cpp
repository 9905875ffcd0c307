// The text of the program's error box.

#include "platform/Errors.h"
#include "platform/ErrorTexts.h"

#include <gtest/gtest.h>

TEST(ErrorBox, APeriodIsAddedAfterCharactersAboveIt) {
    EXPECT_EQ(errorBoxText(errortext::cannotOpenFile.arg("/a/b.txt")),
              errortext::cannotOpenFile.arg("/a/b.txt") + ".");
    EXPECT_EQ(errorBoxText(errortext::memoCapacityExceeded), errortext::memoCapacityExceeded + ".");
    EXPECT_EQ(errorBoxText("done."), "done.");
    EXPECT_EQ(errorBoxText("why !"), "why !");
    EXPECT_EQ(errorBoxText(""), "");
}
