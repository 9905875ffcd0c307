// French spacing as the author types: a no-break space where French typography puts one, never
// in an action text, and one Ctrl+Z takes the space back and keeps the character.
#include "app/Unit1.h"
#include "document/PageDocument.h"
#include "editor/ColMemo.h"
#include "tests/support/FakePrompts.h"

#include <QTest>
#include <gtest/gtest.h>

TEST(FrenchSpacing, TypedPunctuationGetsItsNoBreakSpace) {
    lptest::FakePrompts prompts;
    TForm1 form(TForm1Services{&prompts});
    form.show();
    TColorMemo& memo = *form.Clm1;
    memo.setFocus();
    EXPECT_FALSE(form.FrenchSpacing1->isChecked()); // off at first start
    form.FrenchSpacing1->setChecked(true);
    form.CodeCompletion1->setChecked(false);
    const QString nb(QChar(0x00A0));
    const struct {
        QString typed;
        QString result;
    } cases[] = {
        {"Oui:", "Oui" + nb + ":"},
        {"Quoi?", "Quoi" + nb + "?"},
        {"a;b!", "a" + nb + ";b" + nb + "!"},
        {"vite !", "vite" + nb + "!"}, // the space typed first becomes the no-break space
        {"Bonjour ; oui ?", "Bonjour" + nb + "; oui" + nb + "?"},
        {" !", " !"}, // a space after nothing stays
        {":", ":"},   // after nothing
        {QString(QChar(0xAB)) + " mot " + QChar(0xBB),
         QString(QChar(0xAB)) + nb + "mot" + nb + QChar(0xBB)}, // typed with their spaces
        {QString(QChar(0xAB)) + "mot" + QChar(0xBB),
         QString(QChar(0xAB)) + nb + "mot" + nb + QChar(0xBB)},
        {"^Lgo=InternetLink \"http:", "^Lgo=InternetLink \"http:"},
    };
    for (const auto& c : cases) {
        memo.SetText("");
        QTest::keyClicks(&memo, c.typed);
        EXPECT_EQ(memo.Page().pageText(), c.result) << c.typed.toStdString();
    }
    memo.SetText("");
    QTest::keyClicks(&memo, "Oui:");
    QTest::keyClick(&memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo.Page().pageText(), "Oui:");
    memo.SetText("");
    QTest::keyClicks(&memo, "Oui !");
    QTest::keyClick(&memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo.Page().pageText(), "Oui !");
    form.FrenchSpacing1->setChecked(false);
    memo.SetText("");
    QTest::keyClicks(&memo, "Oui:");
    EXPECT_EQ(memo.Page().pageText(), "Oui:");
    memo.SetModified(false);
}
