#include "platform/FontChooser.h"
#include "platform/QtDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TFontAttributes sampleFont() {
    TFontAttributes font;
    font.name = "DejaVu Serif";
    font.size = 13;
    font.bold = true;
    font.underline = true;
    font.color = colors::clNavy;
    return font;
}

// Answers the next modal dialog once it is up.
void answerModal(const std::function<void(TFontChooser&)>& answer) {
    QTimer::singleShot(0, [answer] {
        auto* chooser = qobject_cast<TFontChooser*>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        answer(*chooser);
    });
}

} // namespace

TEST(ViewFontChooser, ShowsTheGivenFontAndGivesItBackUnchanged) {
    TFontChooser chooser;
    chooser.setFontAttributes(sampleFont());
    const QFont shown = chooser.fontDialog()->currentFont();
    EXPECT_EQ(shown.family(), "DejaVu Serif");
    EXPECT_EQ(shown.pointSize(), 13);
    EXPECT_TRUE(shown.bold());
    EXPECT_TRUE(shown.underline());
    EXPECT_FALSE(shown.strikeOut());
    EXPECT_EQ(chooser.colorBox()->currentText(), "Bleu marine");
    EXPECT_EQ(chooser.fontAttributes(), sampleFont());
}

// Families whose upright style is "Book" list an oblique or italic style first: the chooser must
// still show, and give back, the upright face it was given.
TEST(ViewFontChooser, AnUprightFontStaysUprightInFamiliesThatNameItBook) {
    for (const char* family : {"DejaVu Sans", "DejaVu Serif"}) {
        TFontChooser chooser;
        TFontAttributes font;
        font.name = family;
        font.size = 10;
        chooser.setFontAttributes(font);
        EXPECT_FALSE(chooser.fontDialog()->currentFont().italic()) << family;
        EXPECT_EQ(chooser.fontAttributes(), font) << family;
    }
}

TEST(ViewFontChooser, ColourChoiceSitsInTheEffectsGroup) {
    TFontChooser chooser;
    auto* group = qobject_cast<QGroupBox*>(chooser.colorBox()->parentWidget());
    ASSERT_NE(group, nullptr);
    EXPECT_GE(group->findChildren<QCheckBox*>().size(), 2); // underline and strike-out
    EXPECT_EQ(chooser.colorBox()->count(), 16);
}

TEST(ViewFontChooser, SystemColourStaysUnlessAnotherColourIsChosen) {
    TFontChooser chooser;
    TFontAttributes font; // window text, a system colour
    chooser.setFontAttributes(font);
    EXPECT_EQ(chooser.fontAttributes().color, colors::clWindowText);
    chooser.colorBox()->setCurrentIndex(chooser.colorBox()->findText("Rouge"));
    EXPECT_EQ(chooser.fontAttributes().color, colors::clRed);
}

TEST(ViewFontChooser, ColourOutsideTheSixteenGetsAnEntryOfItsOwn) {
    TFontChooser chooser;
    TFontAttributes font = sampleFont();
    font.color = colors::rgb(1, 2, 3);
    chooser.setFontAttributes(font);
    EXPECT_EQ(chooser.colorBox()->count(), 17);
    EXPECT_EQ(chooser.fontAttributes().color, colors::rgb(1, 2, 3));
    // Shown again with one of the sixteen, the extra entry goes.
    chooser.setFontAttributes(sampleFont());
    EXPECT_EQ(chooser.colorBox()->count(), 16);
}

TEST(ViewFontChooser, SizeIsNotLimited) {
    TFontChooser chooser;
    TFontAttributes font = sampleFont();
    font.size = 300;
    chooser.setFontAttributes(font);
    EXPECT_EQ(chooser.fontAttributes().size, 300);
    font.size = 1;
    chooser.setFontAttributes(font);
    EXPECT_EQ(chooser.fontAttributes().size, 1);
}

TEST(ViewFontChooser, RealDialogOkGivesTheChoiceCancelKeepsTheFont) {
    TQtDialogs dialogs;
    TFontAttributes font = sampleFont();
    answerModal([](TFontChooser& c) {
        c.colorBox()->setCurrentIndex(c.colorBox()->findText("Vert"));
        QFont f = c.fontDialog()->currentFont();
        f.setStyleName(QString()); // the dialog names its style; let bold and italic decide
        f.setItalic(true);
        f.setPointSize(20);
        c.fontDialog()->setCurrentFont(f);
        c.accept();
    });
    ASSERT_TRUE(dialogs.executeFont(font));
    EXPECT_EQ(font.color, colors::clGreen);
    EXPECT_TRUE(font.italic);
    EXPECT_EQ(font.size, 20);
    EXPECT_EQ(font.name, "DejaVu Serif");

    const TFontAttributes before = font;
    answerModal([](TFontChooser& c) {
        c.colorBox()->setCurrentIndex(0);
        c.reject();
    });
    EXPECT_FALSE(dialogs.executeFont(font));
    EXPECT_EQ(font, before);
}
