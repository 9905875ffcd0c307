// The action box and the favourite folders through the real dialogs in a real window.
#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "markup/LpComboBox.h"
#include "platform/PicturePane.h"
#include "settings/FolderCommands.h"
#include "settings/LpBrowseDlg.h"
#include "settings/LpBrowseWindow.h"
#include "settings/LpIniCtrl.h"
#include "settings/SettingsKeys.h"
#include "tests/support/TestEnv.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs act on the modal dialog of type T as soon as it is up (polling, since the dialog's own event
// loop is running by then).
template <typename T> void whenModal(std::function<void(T*)> act, bool* done) {
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [=] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog && clock->elapsed() < 5000)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (dialog) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
            act(dialog);
            *done = true;
        }
    });
    timer->start(50);
}

// Types name into the dialog's file name box and confirms, as the author does.
void typeFileName(QFileDialog* fd, const QString& name) {
    auto* edit = fd->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    edit->clear();
    QTest::keyClicks(edit, name);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

TEST(ActionGui, SoundsFolderThenPlaySoundFileThroughTheRealDialogs) {
    lptest::TempDir dir;
    const QString sounds = dir.file("my sounds");
    ASSERT_TRUE(lptest::writeFile(sounds + "/a b.wav", "RIFF"));
    ASSERT_TRUE(
        lptest::writeFile(dir.file("pictures/photo.jpg"),
                          lptest::readFile(QDir::cleanPath(QString(LARKPAD_TEST_DATA) +
                                                           "/../../platform/data/small.jpg"))));
    TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.AstPic1->setChecked(true);

    bool browsed = false;
    whenModal<TLpBrowseWindow>(
        [&](TLpBrowseWindow* w) {
            EXPECT_EQ(w->windowTitle(), "Favorite Sounds Folder");
            EXPECT_FALSE(w->okButton()->isEnabled());
            w->selectFolder(sounds);
            // The tree loads, as the author would see it.
            EXPECT_TRUE(QTest::qWaitFor([&] { return w->okButton()->isEnabled(); }, 5000));
            QTest::mouseClick(w->okButton(), Qt::LeftButton);
        },
        &browsed);
    form.SoundsFolder->trigger();
    ASSERT_TRUE(browsed);
    EXPECT_EQ(readFavouriteFolder(*form.RegCtrl1, TFavouriteFolder::sounds), sounds);

    form.Clm1->SetText("Play");
    form.Clm1->SetSelStart(0);
    form.Clm1->SetSelLength(4);
    bool picked = false;
    whenModal<QFileDialog>(
        [&](QFileDialog* fd) {
            EXPECT_EQ(QDir(fd->directory()).canonicalPath(), QDir(sounds).canonicalPath());
            typeFileName(fd, "a b.wav");
        },
        &picked);
    form.LpComboBox1->setCurrentIndex(8);
    emit form.LpComboBox1->activated(8);
    ASSERT_TRUE(picked);
    EXPECT_EQ(form.Clm1->Text(), "^LPlay=PlaySoundFile \"" + sounds + "/a b.wav\" \"Mode\"^l");
    EXPECT_EQ(form.OpenDialog1.filter, "Text Files|*.txt");

    // The picture dialog previews the selected picture.
    form.RegCtrl1->WriteString(settingsKeys::kSection, "Pictures", dir.file("pictures"));
    bool previewed = false;
    whenModal<QFileDialog>(
        [&](QFileDialog* fd) {
            auto* list = fd->findChild<QListView*>("listView");
            auto* pane = fd->findChild<TPicturePane*>();
            ASSERT_NE(list, nullptr);
            ASSERT_NE(pane, nullptr);
            // The folder's list loads, then the first file is selected and previewed.
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return list->model() && list->model()->rowCount(list->rootIndex()) > 0; },
                5000));
            QTest::keyClick(list, Qt::Key_Home);
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return pane->isVisible() && !pane->image().isNull(); }, 5000));
            QMetaObject::invokeMethod(fd, "reject");
        },
        &previewed);
    form.LpComboBox1->setCurrentIndex(5);
    emit form.LpComboBox1->activated(5);
    ASSERT_TRUE(previewed);
    EXPECT_EQ(form.Clm1->Text(), "^LPlay=PlaySoundFile \"" + sounds + "/a b.wav\" \"Mode\"^l");
    form.Clm1->SetModified(false);
}
