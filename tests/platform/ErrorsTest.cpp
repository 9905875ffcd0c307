// The text of the program's error box.

#include "platform/Errors.h"

#include <gtest/gtest.h>

TEST(ErrorBox, APeriodIsAddedAfterCharactersAboveIt) {
    EXPECT_EQ(errorBoxText("Impossible d'ouvrir le fichier /a/b.txt"),
              "Impossible d'ouvrir le fichier /a/b.txt.");
    EXPECT_EQ(errorBoxText("Le texte dépasse la capacité du mémo"),
              "Le texte dépasse la capacité du mémo.");
    EXPECT_EQ(errorBoxText("done."), "done.");
    EXPECT_EQ(errorBoxText("why !"), "why !");
    EXPECT_EQ(errorBoxText(""), "");
}
