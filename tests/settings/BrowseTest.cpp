#include "settings/BrowsePlacement.h"
#include "settings/LpBrowseDlg.h"
#include "settings/LpBrowseWindow.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Drives the real window in place of the author: check runs on the set-up window, then the
// window's result decides what Execute returns.
void drive(TLpBrowseDlg& dlg, std::function<void(TLpBrowseWindow&)> check) {
    dlg.runner = [check](TLpBrowseWindow& w) {
        check(w);
        return w.result();
    };
}

QString selectedIn(TLpBrowseWindow& w) {
    return w.selectedPath();
}

void clickOk(TLpBrowseWindow& w) {
    if (w.okButton()->isEnabled())
        w.okButton()->click();
}

} // namespace

TEST(BrowseDialog, FirstShowingHasNothingSelectedAndOkDisabled) {
    lptest::TempDir dir;
    QDir().mkpath(dir.file("pictures"));
    TLpBrowseDlg dlg;
    bool checked = false;
    drive(dlg, [&](TLpBrowseWindow& w) {
        EXPECT_EQ(w.windowTitle(), "Rechercher un dossier");
        EXPECT_TRUE(selectedIn(w).isEmpty());
        EXPECT_FALSE(w.okButton()->isEnabled());
        EXPECT_FALSE(w.statusLine()->isVisibleTo(&w));
        EXPECT_EQ(w.editBox(), nullptr);
        // The whole namespace: the root itself is the tree's top item.
        EXPECT_FALSE(w.tree()->rootIndex().isValid());
        EXPECT_TRUE(w.tree()->isExpanded(w.model()->index("/")));
        w.selectFolder(dir.file("pictures"));
        EXPECT_TRUE(w.okButton()->isEnabled());
        clickOk(w);
        checked = true;
    });
    EXPECT_TRUE(dlg.Execute());
    EXPECT_TRUE(checked);
    EXPECT_EQ(dlg.SelectedFolder(), dir.file("pictures"));
    EXPECT_EQ(dlg.window(), nullptr);
}

TEST(BrowseDialog, PreselectedFolderIsOpenAndSelectedWithOkEnabled) {
    lptest::TempDir dir;
    QDir().mkpath(dir.file("a/b/c"));
    QDir().mkpath(dir.file("a/other"));
    TLpBrowseDlg dlg;
    dlg.CaptionTitle = "Favorite Text Folder";
    dlg.SetSelectedFolder(dir.file("a/b/c/"));
    drive(dlg, [&](TLpBrowseWindow& w) {
        EXPECT_EQ(w.windowTitle(), "Favorite Text Folder");
        EXPECT_EQ(selectedIn(w), dir.file("a/b/c"));
        const QModelIndex c = w.model()->index(dir.file("a/b/c"));
        EXPECT_TRUE(w.tree()->isExpanded(c.parent()));
        EXPECT_TRUE(w.tree()->isExpanded(c.parent().parent()));
        // Reopened on the folder chosen before: confirming it again takes one click.
        EXPECT_TRUE(w.okButton()->isEnabled());
        w.selectFolder(dir.file("a/other"));
        EXPECT_TRUE(w.okButton()->isEnabled());
        clickOk(w);
    });
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.SelectedFolder(), dir.file("a/other"));
}

TEST(BrowseDialog, RootFolderKeepsItsSeparator) {
    TLpBrowseDlg dlg;
    drive(dlg, [&](TLpBrowseWindow& w) {
        w.tree()->setCurrentIndex(w.model()->index("/"));
        clickOk(w);
    });
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.SelectedFolder(), "/");
}

TEST(BrowseDialog, CancelKeepsTheSelectedFolder) {
    lptest::TempDir dir;
    TLpBrowseDlg dlg;
    dlg.SetSelectedFolder(dir.path());
    drive(dlg, [&](TLpBrowseWindow& w) {
        w.selectFolder("/");
        w.reject();
    });
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(dlg.SelectedFolder(), dir.path());
}

TEST(BrowseDialog, OptionsStatusLineEnableOkAndEvents) {
    lptest::TempDir dir;
    const QString deep = dir.file("a-rather-long-folder-name/and-another-one/photos");
    QDir().mkpath(deep);
    TLpBrowseDlg dlg;
    dlg.Options |= browseOption(doStatusText) | browseOption(doEnableOK);
    dlg.SetStatusText("Choose a folder");
    int inits = 0;
    QStringList changes;
    dlg.OnInit = [&] {
        ++inits;
        EXPECT_TRUE(dlg.window()->okButton()->isEnabled());
        EXPECT_EQ(dlg.window()->statusLine()->text(), "Choose a folder");
        dlg.SetStatusText("Changed while open");
        EXPECT_EQ(dlg.window()->statusLine()->text(), "Changed while open");
    };
    dlg.OnSelectionChanged = [&](TLpBrowseDlg* sender, QWidget* window, const QString& path,
                                 const QModelIndex& item) {
        EXPECT_EQ(sender, &dlg);
        EXPECT_EQ(window, dlg.window());
        EXPECT_TRUE(item.isValid());
        changes << path;
    };
    drive(dlg, [&](TLpBrowseWindow& w) {
        EXPECT_TRUE(w.statusLine()->isVisibleTo(&w));
        dlg.SetSelectedFolder(deep); // assigned while open: selects at once
        EXPECT_EQ(w.selectedPath(), deep);
        EXPECT_EQ(w.statusLine()->text(), shortenFolderPath(deep));
        EXPECT_LE(w.statusLine()->text().size(), 40);
        w.reject();
    });
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(inits, 1);
    EXPECT_EQ(changes, QStringList{deep});
}

TEST(BrowseDialog, EditBoxValidatesTypedNames) {
    lptest::TempDir dir;
    QDir().mkpath(dir.file("typed"));
    TLpBrowseDlg dlg;
    dlg.Options |= browseOption(doAllowEdit) | browseOption(doEnableOK);
    QStringList refused;
    bool keepOpen = true;
    dlg.OnValidate = [&](TLpBrowseDlg*, const QString& path, bool& cancel) {
        refused << path;
        cancel = keepOpen;
    };
    int finished = 0;
    drive(dlg, [&](TLpBrowseWindow& w) {
        QObject::connect(&w, &QDialog::finished, [&] { ++finished; });
        ASSERT_NE(w.editBox(), nullptr);
        w.selectFolder(dir.path());
        w.editBox()->setText("no-such-folder");
        w.okButton()->click();
        EXPECT_EQ(finished, 0); // the handler kept it open
        w.editBox()->setText("typed");
        w.okButton()->click();
    });
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(refused, QStringList{"no-such-folder"});
    EXPECT_EQ(dlg.SelectedFolder(), dir.file("typed"));

    // Without Cancel set, an invalid name closes the dialog as cancelled.
    keepOpen = false;
    drive(dlg, [&](TLpBrowseWindow& w) {
        w.editBox()->setText(dir.file("missing"));
        w.okButton()->click();
    });
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(dlg.SelectedFolder(), dir.file("typed"));
}

TEST(BrowseDialog, StartFoldersMapToThisSystemsFolders) {
    EXPECT_EQ(browseRootPath(bfoDesktopExpanded), "/");
    EXPECT_EQ(browseRootPath(bfoDesktop), "/");
    EXPECT_EQ(browseRootPath(bfoPrinters), "/");
    // The test home has no Documents or Desktop folder: the home folder stands in.
    EXPECT_EQ(browseRootPath(bfoPersonal), QDir::homePath());
    EXPECT_EQ(browseRootPath(bfoDesktopDirectory), QDir::homePath());
    QDir().mkpath(QDir::homePath() + "/Documents");
    EXPECT_EQ(browseRootPath(bfoPersonal), QDir::homePath() + "/Documents");
    QDir(QDir::homePath() + "/Documents").removeRecursively();

    TLpBrowseDlg dlg;
    dlg.StartFolder = bfoPersonal;
    drive(dlg, [&](TLpBrowseWindow& w) {
        EXPECT_EQ(w.model()->filePath(w.tree()->rootIndex()), QDir::homePath());
        w.reject();
    });
    dlg.Execute();
}

// Placement within the reference rectangle.

TEST(BrowsePlacement, NinePositionsWithinTheReference) {
    const QRect ref(100, 50, 600, 400);
    const QSize d(200, 100);
    const QSize screen(1280, 1024);
    EXPECT_EQ(placeBrowseDialog(bpCenter, ref, d, screen), QPoint(300, 200));
    EXPECT_EQ(placeBrowseDialog(bpCustom, ref, d, screen), QPoint(100, 50));
    EXPECT_EQ(placeBrowseDialog(bpTopLeft, ref, d, screen), QPoint(100, 50));
    EXPECT_EQ(placeBrowseDialog(bpTopCenter, ref, d, screen), QPoint(300, 50));
    EXPECT_EQ(placeBrowseDialog(bpTopRight, ref, d, screen), QPoint(500, 50));
    EXPECT_EQ(placeBrowseDialog(bpCenterLeft, ref, d, screen), QPoint(100, 200));
    EXPECT_EQ(placeBrowseDialog(bpCenterRight, ref, d, screen), QPoint(500, 200));
    EXPECT_EQ(placeBrowseDialog(bpBottomLeft, ref, d, screen), QPoint(100, 350));
    EXPECT_EQ(placeBrowseDialog(bpBottomCenter, ref, d, screen), QPoint(300, 350));
    EXPECT_EQ(placeBrowseDialog(bpBottomRight, ref, d, screen), QPoint(500, 350));
}

TEST(BrowsePlacement, CentringTruncatesTowardZero) {
    // (601 - 200) / 2 = 200.5 and (401 - 100) / 2 = 150.5: truncated.
    EXPECT_EQ(
        placeBrowseDialog(bpCenter, QRect(0, 0, 601, 401), QSize(200, 100), QSize(2000, 2000)),
        QPoint(200, 150));
    // A dialog wider than its reference: (100 - 301) / 2 = -100.5 becomes -100.
    EXPECT_EQ(
        placeBrowseDialog(bpCenter, QRect(500, 500, 100, 100), QSize(301, 301), QSize(2000, 2000)),
        QPoint(400, 400));
}

TEST(BrowsePlacement, ScreenEdgesAndNegativeCoordinates) {
    const QSize screen(1024, 768);
    // A reference hanging off the bottom right of the screen: aligned with its bottom and right.
    EXPECT_EQ(placeBrowseDialog(bpTopLeft, QRect(900, 700, 300, 200), QSize(200, 100), screen),
              QPoint(1000, 800));
    // Off the top left: negative coordinates become 0.
    EXPECT_EQ(placeBrowseDialog(bpCenter, QRect(-500, -400, 300, 200), QSize(200, 100), screen),
              QPoint(0, 0));
    // A small reference near the origin with a larger dialog centred on it.
    EXPECT_EQ(placeBrowseDialog(bpCenter, QRect(0, 0, 100, 100), QSize(300, 300), screen),
              QPoint(0, 0));
}

TEST(BrowsePlacement, ShortenedPathsForTheStatusLine) {
    EXPECT_EQ(shortenFolderPath("/home/ann/pages"), "/home/ann/pages");
    const QString exactly40 = "/" + QString(39, 'x');
    EXPECT_EQ(shortenFolderPath(exactly40), exactly40);
    EXPECT_EQ(shortenFolderPath("/home/ann/a-rather-long-folder/another-long-folder/photos/2024"),
              "/home/.../photos/2024");
    EXPECT_EQ(shortenFolderPath("/home/" + QString(50, 'y')), "..." + QString(37, 'y'));
    for (const QString& p : {QString("/a/") + QString(60, 'b') + "/c",
                             QString("/") + QString(30, 'd') + "/" + QString(30, 'e')})
        EXPECT_LE(shortenFolderPath(p).size(), 40) << p.toStdString();
}
