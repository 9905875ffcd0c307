#include "platform/PicturePane.h"
#include "platform/PicturePreview.h"
#include "platform/QtDialogs.h"
#include "tests/support/TestEnv.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QString dataFile(const char* name) {
    return QString(LARKPAD_TEST_DATA) + "/" + name;
}

} // namespace

TEST(PicturePreview, EachKindOfFileGetsAPictureOrANote) {
    TPicturePreview p = loadPicturePreview(dataFile("small.jpg"), 200);
    ASSERT_FALSE(p.image.isNull());
    EXPECT_EQ(p.image.size(), QSize(16, 12));
    EXPECT_EQ(p.fullSize, QSize(16, 12));
    EXPECT_GT(qRed(p.image.pixel(2, 6)), 200);

    p = loadPicturePreview(dataFile("picture.bmp"), 200);
    ASSERT_FALSE(p.image.isNull());
    EXPECT_EQ(p.image.size(), QSize(20, 10));

    p = loadPicturePreview(dataFile("truncated.jpg"), 200);
    EXPECT_TRUE(p.image.isNull());
    EXPECT_EQ(p.note, "The picture is damaged.");

    p = loadPicturePreview(dataFile("huge-header.jpg"), 200);
    EXPECT_TRUE(p.image.isNull());
    EXPECT_EQ(p.note, "The picture is too large to preview (40000 x 40000).");

    p = loadPicturePreview(dataFile("not-a-picture.jpg"), 200);
    EXPECT_TRUE(p.image.isNull());
    EXPECT_FALSE(p.note.isEmpty());

    p = loadPicturePreview(dataFile("drawing.wmf"), 200);
    EXPECT_TRUE(p.image.isNull());
    EXPECT_EQ(p.note, "No preview for metafiles.");

    // Nothing selected, a folder, a vanished file: an empty pane.
    EXPECT_TRUE(loadPicturePreview("", 200).note.isEmpty());
    EXPECT_TRUE(loadPicturePreview(LARKPAD_TEST_DATA, 200).note.isEmpty());
    EXPECT_TRUE(loadPicturePreview(dataFile("gone.jpg"), 200).image.isNull());
}

TEST(PicturePreview, UnreadableAndBrokenQtPicturesGetANote) {
    lptest::TempDir dir;
    ASSERT_TRUE(lptest::writeFile(dir.file("broken.bmp"), "BM not really"));
    const TPicturePreview p = loadPicturePreview(dir.file("broken.bmp"), 200);
    EXPECT_TRUE(p.image.isNull());
    EXPECT_EQ(p.note, "The picture cannot be shown.");
}

TEST(PicturePreview, PaneShowsThePictureOrTheNote) {
    TPicturePane pane;
    pane.resize(240, 260);
    pane.showFile(dataFile("small.jpg"));
    EXPECT_FALSE(pane.image().isNull());
    EXPECT_TRUE(pane.note().isEmpty());
    pane.showFile(dataFile("truncated.jpg"));
    EXPECT_TRUE(pane.image().isNull());
    EXPECT_EQ(pane.note(), "The picture is damaged.");
}

// The real picture dialog, driven while it runs.
TEST(PictureDialog, StartsInItsFolderWithThePreviewAndReturnsTheFullPath) {
    lptest::TempDir dir;
    ASSERT_TRUE(lptest::writeFile(dir.file("photo.jpg"), lptest::readFile(dataFile("small.jpg"))));
    TFileDialog state;
    state.filter = "Fichiers image|*.bmp;*.jpg;*.ico;*.wmf";
    state.initialDir = dir.path();
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(fd, nullptr);
        seen = true;
        EXPECT_EQ(QDir(fd->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
        EXPECT_EQ(fd->nameFilters(), QStringList{"Fichiers image (*.bmp *.jpg *.ico *.wmf)"});
        auto* pane = fd->findChild<TPicturePane*>();
        ASSERT_NE(pane, nullptr);
        fd->selectFile(dir.file("photo.jpg"));
        emit fd->currentChanged(dir.file("photo.jpg"));
        EXPECT_FALSE(pane->image().isNull());
        QMetaObject::invokeMethod(fd, "accept");
    });
    TQtDialogs dialogs;
    EXPECT_TRUE(dialogs.executePicture(state));
    EXPECT_TRUE(seen);
    EXPECT_EQ(state.fileName, dir.file("photo.jpg"));
}
