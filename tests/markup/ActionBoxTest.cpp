#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "markup/LpComboBox.h"
#include "markup/core/Actions.h"
#include "settings/LpIniCtrl.h"
#include "settings/SettingsKeys.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/FakePrompts.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

using lptest::FakeDialogs;
using lptest::FakePrompts;

namespace {

// The action box index of the action the box shows as item.
int indexOf(std::string_view item) {
    for (int i = 0; i < actions::kActionCount; ++i)
        if (actions::actionAt(i).item == item)
            return i;
    return -1;
}

const int kDosCommand = indexOf("DosCommand");
const int kImageWindow = indexOf("ImageWindow");
const int kNextPage = indexOf("NextPage");
const int kPlaySound = indexOf("PlaySoundFile");
const int kPlayVideo = indexOf("PlayVideoFile");
const int kPopupImage = indexOf("PopupImage");
const int kTextWindow = indexOf("TextWindow");

QString qs(std::string_view text) {
    return QString::fromStdString(std::string(text));
}

// The main window with fake dialogs and boxes, and the favourite folders stored.
class ActionBox : public ::testing::Test {
protected:
    void SetUp() override {
        // The author confirms every dialog and answers Yes.
        dialogs.otherwise = QString();
        prompts.otherwise = TAnswer::Yes;
        prompts.yesNo = true;
        form = std::make_unique<TForm1>(TForm1Services{&prompts, &dialogs});
        store().WriteString(settingsKeys::kSection, "Text", "/pages");
        store().WriteString(settingsKeys::kSection, "Pictures", "/pictures");
        store().WriteString(settingsKeys::kSection, "Sounds", "/sounds");
        store().WriteString(settingsKeys::kSection, "Video", "/videos");
        form->show();
        QApplication::setActiveWindow(form.get());
        form->Clm1->setFocus();
    }

    TLpIniCtrl& store() { return *form->RegCtrl1; }
    TColorMemo& editor() { return *form->Clm1; }

    void select(int start, int length) {
        editor().SetSelStart(start);
        editor().SetSelLength(length);
    }
    // The author picks the item at index from the list.
    void choose(int index) {
        form->LpComboBox1->setCurrentIndex(index);
        emit form->LpComboBox1->activated(index);
    }
    void doubleClickBox() {
        const QPoint p = form->LpComboBox1->rect().center();
        QMouseEvent e(QEvent::MouseButtonDblClick, p, form->LpComboBox1->mapToGlobal(p),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form->LpComboBox1, &e);
    }
    void expectResetDialog() {
        EXPECT_EQ(form->OpenDialog1.initialDir, "/pages");
        EXPECT_EQ(form->OpenDialog1.filter, "Text Files|*.txt");
        EXPECT_TRUE(form->OpenDialog1.fileName.isEmpty());
        EXPECT_EQ(QApplication::focusWidget(), form->Clm1);
    }

    FakeDialogs dialogs;
    FakePrompts prompts;
    std::unique_ptr<TForm1> form;
};

} // namespace

TEST_F(ActionBox, NextPageWithNothingSelectedGoesInAtTheCaret) {
    editor().SetText("abcd");
    select(2, 0);
    choose(kNextPage);
    EXPECT_EQ(editor().Text(), "ab^L=GotoNextPage^lcd");
    EXPECT_EQ(editor().SelStart(), 2 + int(strlen("^L=GotoNextPage^l")));
    EXPECT_EQ(editor().SelLength(), 0);
    EXPECT_TRUE(editor().Modified());
    EXPECT_TRUE(dialogs.calls.empty());
    expectResetDialog();
}

TEST_F(ActionBox, PlaySoundFileWithTheSwitchOnAsksForTheFile) {
    editor().SetText("Play now");
    select(0, 4);
    dialogs.otherwise = "/sounds/a b.wav";
    form->LpComboBox1->setFocus();
    choose(kPlaySound);
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].kind, "open");
    EXPECT_EQ(dialogs.calls[0].state.initialDir, "/sounds");
    EXPECT_EQ(dialogs.calls[0].state.filter, "Sound Files|*.wav;*.mid");
    EXPECT_EQ(editor().Text(), "^LPlay=PlaySoundFile \"/sounds/a b.wav\" \"Mode\"^l now");
    expectResetDialog();
}

TEST_F(ActionBox, PlaySoundFileWithTheSwitchOffWritesThePlaceholder) {
    form->AstPic1->setChecked(false);
    editor().SetText("Play");
    select(0, 4);
    choose(kPlaySound);
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(editor().Text(), "^LPlay=PlaySoundFile \"SoundFile\" \"Mode\"^l");
    expectResetDialog();
}

TEST_F(ActionBox, TextWindowSaysTitreWhenAssistedAndTitleOtherwise) {
    dialogs.otherwise = "/pages/intro.txt";
    choose(kTextWindow);
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].state.initialDir, "/pages");
    EXPECT_EQ(dialogs.calls[0].state.filter, "Text Files|*.txt;*.rtf");
    EXPECT_EQ(editor().Text(), "^L=TextWindow \"Titre\" \"-1\" \"-1\" \"350\" \"400\" "
                               "\"/pages/intro.txt\" \"WordWrap\"^l");

    editor().Clear();
    form->AstPic1->setChecked(false);
    doubleClickBox();
    EXPECT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(editor().Text(),
              "^L=TextWindow \"Title\" \"-1\" \"-1\" \"350\" \"400\" \"File\" \"WordWrap\"^l");
}

TEST_F(ActionBox, EachAssistantFillsItsOwnArgument) {
    dialogs.otherwise = "/x/f";
    choose(kPlayVideo);
    EXPECT_EQ(dialogs.calls.back().state.initialDir, "/videos");
    EXPECT_EQ(dialogs.calls.back().state.filter, "Video Files|*.avi;*.mov;*.mpg");
    choose(kPopupImage);
    EXPECT_EQ(dialogs.calls.back().kind, "picture");
    EXPECT_EQ(dialogs.calls.back().state.initialDir, "/pictures");
    EXPECT_EQ(dialogs.calls.back().state.filter, "Fichiers image|*.bmp;*.jpg;*.ico;*.wmf");
    choose(kImageWindow);
    EXPECT_EQ(dialogs.calls.back().kind, "picture");
    EXPECT_EQ(editor().Text(), "^L=PlayVideoFile \"-1\" \"-1\" \"-1\" \"-1\" \"/x/f\" \"Mode\"^l"
                               "^L=PopupImage \"-1\" \"-1\" \"/x/f\" \"0\" \"None\" \"0\"^l"
                               "^L=ImageWindow \"Title\" \"-1\" \"-1\" \"/x/f\"^l");
    // The picture dialog keeps its file name; the open dialog is reset.
    EXPECT_EQ(form->OpenPic1.fileName, "/x/f");
    expectResetDialog();
}

// Every action goes in as the table writes it: its default text with the switch off, and with it
// on the assisted text through the assistant's dialog, prepared as the table says.
TEST_F(ActionBox, EveryActionWritesItsTableText) {
    const QString path = "/x/f";
    dialogs.otherwise = path;
    for (bool assistantsOn : {false, true}) {
        form->AstPic1->setChecked(assistantsOn);
        for (int i = 0; i < actions::kActionCount; ++i) {
            const actions::TAction& a = actions::actionAt(i);
            SCOPED_TRACE(std::string(a.item) + (assistantsOn ? " assisted" : ""));
            editor().SetText("here");
            select(0, 4);
            dialogs.calls.clear();
            choose(i);
            const bool assisted = assistantsOn && a.assistant != actions::TAssistant::None;
            const std::string text =
                assisted ? actions::assistedText(i, path.toStdString()) : actions::defaultText(i);
            EXPECT_EQ(editor().Text(), qs(actions::link("here", text)));
            ASSERT_EQ(dialogs.calls.size(), assisted ? 1u : 0u);
            if (assisted) {
                const actions::TAssistantDialog& d = actions::assistantDialog(a.assistant);
                EXPECT_EQ(dialogs.calls[0].kind, d.pictureDialog ? "picture" : "open");
                // The picture dialog keeps its own file types.
                EXPECT_EQ(dialogs.calls[0].state.filter,
                          d.filter.empty() ? form->OpenPic1.filter : qs(d.filter));
            }
            expectResetDialog();
        }
    }
}

TEST_F(ActionBox, ProgramDialogStartsWhereTheResetLeftTheOpenDialog) {
    choose(kNextPage); // a first use resets the open dialog to the text folder
    dialogs.otherwise = "/bin/tool.exe";
    choose(kDosCommand);
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].state.initialDir, "/pages");
    EXPECT_EQ(dialogs.calls[0].state.filter, "Executables|*.exe;*.com;*.bat");
    EXPECT_TRUE(
        editor().Text().endsWith("^L=DOSCommand \"/bin/tool.exe\" \"\" \"Normal+RunOnce\"^l"));
}

TEST_F(ActionBox, CancelledPictureDialogInsertsNothingAndStillResets) {
    editor().SetText("look here");
    select(5, 4);
    form->OpenPic1.fileName = "/pictures/last.jpg";
    form->OpenDialog1.filter = "something else";
    dialogs.otherwise.reset();
    choose(kImageWindow);
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(editor().Text(), "look here");
    EXPECT_EQ(editor().SelStart(), 5);
    EXPECT_EQ(editor().SelLength(), 4);
    EXPECT_EQ(form->OpenPic1.fileName, "/pictures/last.jpg");
    expectResetDialog();
}

TEST_F(ActionBox, DoubleClickBeforeAnyChoiceInsertsNothing) {
    editor().SetText("text");
    form->LpComboBox1->setFocus();
    form->OpenDialog1.filter = "Fichiers texte|*.txt";
    doubleClickBox();
    EXPECT_EQ(editor().Text(), "text");
    EXPECT_FALSE(editor().Modified());
    EXPECT_TRUE(dialogs.calls.empty());
    expectResetDialog();
}

TEST_F(ActionBox, DoubleClickRepeatsTheChosenActionWithItsAssistant) {
    editor().SetText("A B");
    dialogs.otherwise = "/sounds/1.wav";
    select(0, 1);
    choose(kPlaySound);
    select(editor().Text().size() - 1, 1);
    dialogs.otherwise = "/sounds/2.wav";
    doubleClickBox();
    EXPECT_EQ(dialogs.calls.size(), 2u);
    EXPECT_EQ(editor().Text(), "^LA=PlaySoundFile \"/sounds/1.wav\" \"Mode\"^l "
                               "^LB=PlaySoundFile \"/sounds/2.wav\" \"Mode\"^l");
    EXPECT_EQ(form->LpComboBox1->currentText(), "PlaySoundFile");
}

TEST_F(ActionBox, SelectionIsReadAfterTheDialogClosed) {
    editor().SetText("first second");
    select(0, 5);
    dialogs.otherwise = "/sounds/s.wav";
    dialogs.during = [this](const QString&) { select(6, 6); };
    choose(kPlaySound);
    EXPECT_EQ(editor().Text(), "first ^Lsecond=PlaySoundFile \"/sounds/s.wav\" \"Mode\"^l");
}

TEST_F(ActionBox, PathWithADoubleQuoteIsRefusedWithANotice) {
    editor().SetText("Play");
    select(0, 4);
    dialogs.otherwise = "/sounds/say \"hi\".wav";
    choose(kPlaySound);
    EXPECT_EQ(editor().Text(), "Play");
    EXPECT_FALSE(editor().Modified());
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(prompts.shown[0].startsWith("warning:"));
    EXPECT_TRUE(prompts.shown[0].contains("double quote"));
    expectResetDialog();
}

TEST_F(ActionBox, PathThatAPageCannotStoreIsRefusedWithANotice) {
    dialogs.otherwise = QString::fromUtf8("/sounds/\u0436.wav");
    choose(kPlaySound);
    EXPECT_TRUE(editor().Text().isEmpty());
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(prompts.shown[0].startsWith("warning:"));
    // Accented Latin letters are page characters.
    dialogs.otherwise = QString::fromUtf8("/sounds/\u00e9t\u00e9.wav");
    doubleClickBox();
    EXPECT_EQ(editor().Text(),
              QString::fromUtf8("^L=PlaySoundFile \"/sounds/\u00e9t\u00e9.wav\" \"Mode\"^l"));
}

TEST_F(ActionBox, MissingFolderSettingGivesAnEmptyStartingFolder) {
    store().WriteString(settingsKeys::kSection, "Video", "");
    dialogs.otherwise.reset();
    choose(kPlayVideo);
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_TRUE(dialogs.calls[0].state.initialDir.isEmpty());
}

// The box itself.

TEST(ActionComboBox, ShowsActionsUntilTheFirstChoiceAndListsEveryAction) {
    TLpComboBox box;
    EXPECT_EQ(box.currentIndex(), -1);
    EXPECT_EQ(box.placeholderText(), "Actions");
    EXPECT_EQ(box.maxVisibleItems(), 17);
    ASSERT_EQ(box.count(), actions::kActionCount);
    for (int i = 0; i < box.count(); ++i)
        EXPECT_EQ(box.itemText(i), qs(actions::actionAt(i).item));
    // Items as the author reads them, the misspelt buzzer included.
    EXPECT_EQ(box.itemText(0), "AlertBox");
    EXPECT_EQ(box.itemText(13), "SounBuzzer");
    EXPECT_EQ(box.itemText(16), "TextWindow");
}

// Every item shows whole in the box's text field, whatever the desktop's font, and the box is never
// narrower than its usual width.
TEST(ActionComboBox, ToolbarBoxIsWideEnoughForItsLongestItem) {
    const QFont desktop = QApplication::font();
    const auto fits = [](TLpComboBox& box) {
        QStyleOptionComboBox option;
        option.initFrom(&box);
        option.rect = QRect(QPoint(), box.size());
        const int field =
            box.style()
                ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &box)
                .width();
        for (int i = 0; i < box.count(); ++i)
            if (box.fontMetrics().horizontalAdvance(box.itemText(i)) > field)
                return false;
        return true;
    };
    for (const int points : {8, 15}) {
        QFont font = desktop;
        font.setPointSize(points);
        QApplication::setFont(font);
        FakeDialogs dialogs;
        FakePrompts prompts;
        TForm1 form(TForm1Services{&prompts, &dialogs});
        TLpComboBox& box = *form.LpComboBox1;
        EXPECT_TRUE(fits(box)) << points << " points";
        EXPECT_GE(box.width(), 100);
        EXPECT_EQ(box.height(), 21);
        // The desktop's font changes while the program runs.
        QFont larger = font;
        larger.setPointSize(points + 10);
        box.setFont(larger);
        EXPECT_TRUE(fits(box)) << points + 10 << " points";
    }
    QApplication::setFont(desktop);
}

TEST(ActionComboBox, SelectFollowsEveryChangeByTheAuthorOnly) {
    TLpComboBox box;
    box.show();
    QApplication::setActiveWindow(&box);
    box.setFocus();
    QSignalSpy selects(&box, &TLpComboBox::select);
    box.setCurrentIndex(3); // by the program: no event
    EXPECT_EQ(selects.count(), 0);
    QTest::keyClick(&box, Qt::Key_Down);
    EXPECT_EQ(box.currentIndex(), 4);
    EXPECT_EQ(selects.count(), 1);
    QTest::keyClick(&box, Qt::Key_Up);
    EXPECT_EQ(selects.count(), 2);
    emit box.activated(3); // the same item again: no change
    EXPECT_EQ(selects.count(), 2);
}

TEST(ActionComboBox, DoubleClickIsReported) {
    TLpComboBox box;
    QSignalSpy clicks(&box, &TLpComboBox::doubleClicked);
    QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(5, 5), box.mapToGlobal(QPointF(5, 5)),
                  Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&box, &e);
    EXPECT_EQ(clicks.count(), 1);
}
