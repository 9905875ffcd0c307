#include "app/Unit1.h"
#include "settings/FolderBrowser.h"
#include "settings/LpBrowseDlg.h"
#include "settings/LpIniCtrl.h"

#include <QAction>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Answers the folder dialog in place of the author and remembers how it was shown.
class FakeFolderBrowser : public TFolderBrowser {
public:
    struct Shown {
        QString title;
        QString preselected;
    };
    bool answer = true;
    QString chosen;
    std::vector<Shown> shown;

    bool execute(TLpBrowseDlg& dialog) override {
        shown.push_back({dialog.CaptionTitle, dialog.SelectedFolder()});
        if (answer)
            dialog.SetSelectedFolder(chosen);
        return answer;
    }
};

class FolderCommand : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm1>(TForm1Services{.folderBrowser = &browser});
        for (const char* key : {"Text", "Pictures", "Sounds", "Video"})
            store().WriteString("Settings", key, QString("/stored/") + key);
    }
    TLpIniCtrl& store() { return *form->RegCtrl1; }
    QString stored(const char* key) { return store().ReadString("Settings", key, "?"); }
    void pick(QAction* command, const QString& folder) {
        browser.chosen = folder;
        command->trigger();
    }

    FakeFolderBrowser browser;
    std::unique_ptr<TForm1> form;
};

} // namespace

TEST_F(FolderCommand, FirstUsePreselectsNothingAndStoresTheChoice) {
    pick(form->SoundsFolder, "/music/effects");
    ASSERT_EQ(browser.shown.size(), 1u);
    EXPECT_EQ(browser.shown[0].title, "Favorite Sounds Folder");
    // Not the stored favourite: the dialog starts without a preselection.
    EXPECT_TRUE(browser.shown[0].preselected.isEmpty());
    EXPECT_EQ(stored("Sounds"), "/music/effects");
}

TEST_F(FolderCommand, EachCommandHasItsTitleAndSetting) {
    pick(form->TxtFolder, "/a");
    pick(form->PicFolder, "/b");
    pick(form->SoundsFolder, "/c");
    pick(form->VideoFolder, "/d");
    ASSERT_EQ(browser.shown.size(), 4u);
    EXPECT_EQ(browser.shown[0].title, "Favorite Text Folder");
    EXPECT_EQ(browser.shown[1].title, "Favorite Pictures Folder");
    EXPECT_EQ(browser.shown[2].title, "Favorite Sounds Folder");
    EXPECT_EQ(browser.shown[3].title, "Favorite Videos Folder");
    EXPECT_EQ(stored("Text"), "/a");
    EXPECT_EQ(stored("Pictures"), "/b");
    EXPECT_EQ(stored("Sounds"), "/c");
    EXPECT_EQ(stored("Video"), "/d");
}

TEST_F(FolderCommand, LastConfirmedFolderIsPreselectedByAllFour) {
    pick(form->PicFolder, "/photos");
    browser.answer = false;
    form->TxtFolder->trigger();
    ASSERT_EQ(browser.shown.size(), 2u);
    EXPECT_EQ(browser.shown[1].title, "Favorite Text Folder");
    EXPECT_EQ(browser.shown[1].preselected, "/photos");
}

TEST_F(FolderCommand, CancelLeavesTheStoreAndThePreselectionAlone) {
    pick(form->VideoFolder, "/films");
    browser.answer = false;
    form->VideoFolder->trigger();
    form->TxtFolder->trigger();
    EXPECT_EQ(stored("Video"), "/films");
    EXPECT_EQ(stored("Text"), "/stored/Text");
    EXPECT_EQ(form->BrowseDlg1->SelectedFolder(), "/films");
    EXPECT_EQ(browser.shown.back().preselected, "/films");
}

TEST_F(FolderCommand, TextFolderTakesEffectInTheDocumentDialogsAtOnce) {
    pick(form->TxtFolder, "/pages");
    EXPECT_EQ(form->OpenDialog1.initialDir, "/pages");
    EXPECT_EQ(form->SaveDialog1.initialDir, "/pages");
}

TEST_F(FolderCommand, OtherFoldersLeaveTheDocumentDialogsAlone) {
    form->OpenDialog1.initialDir = "/before";
    form->SaveDialog1.initialDir = "/before";
    pick(form->PicFolder, "/p");
    pick(form->SoundsFolder, "/s");
    pick(form->VideoFolder, "/v");
    EXPECT_EQ(form->OpenDialog1.initialDir, "/before");
    EXPECT_EQ(form->SaveDialog1.initialDir, "/before");
}

TEST_F(FolderCommand, RootFolderIsStoredAsTheRoot) {
    pick(form->TxtFolder, "/");
    EXPECT_EQ(stored("Text"), "/");
    EXPECT_EQ(form->OpenDialog1.initialDir, "/");
}
