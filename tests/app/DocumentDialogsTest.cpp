// The real file dialogs as the document commands configure them, driven while they are up.

#include "platform/QtDialogs.h"
#include "tests/support/TestEnv.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs action on the file dialog once it is up.
void whenDialogIsUp(const std::function<void(QFileDialog&)>& action) {
    QTimer::singleShot(0, [action] {
        auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(fd, nullptr);
        action(*fd);
    });
}

void typeName(QFileDialog& fd, const QString& name) {
    auto* edit = fd.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
}

TEST(DocumentDialogs, OpenDialogShowsTheReadOnlyBoxAndReportsItsState) {
    lptest::TempDir dir;
    const QString path = dir.file("page.txt");
    ASSERT_TRUE(lptest::writeFile(path, "x"));
    TFileDialog dialog;
    dialog.filter = "Fichiers texte|*.txt";
    dialog.initialDir = dir.path();
    dialog.readOnlyShown = true;
    dialog.readOnlyChecked = true;
    bool wasChecked = false;
    whenDialogIsUp([&](QFileDialog& fd) {
        auto* box = fd.findChild<QCheckBox*>("ReadOnlyBox");
        ASSERT_NE(box, nullptr);
        wasChecked = box->isChecked();
        box->setChecked(false);
        typeName(fd, "page.txt");
        QMetaObject::invokeMethod(&fd, "accept");
    });
    TQtDialogs dialogs;
    ASSERT_TRUE(dialogs.executeOpen(dialog));
    EXPECT_TRUE(wasChecked);
    EXPECT_FALSE(dialog.readOnlyChecked);
    EXPECT_EQ(dialog.fileName, path);
}

TEST(DocumentDialogs, SaveDialogAddsTheDefaultExtensionToANameTypedWithout) {
    lptest::TempDir dir;
    TFileDialog dialog;
    dialog.filter = "Fichiers texte|*.txt";
    dialog.initialDir = dir.path();
    dialog.defaultExt = "txt";
    dialog.overwritePrompt = true;
    bool hasReadOnlyBox = true;
    whenDialogIsUp([&](QFileDialog& fd) {
        hasReadOnlyBox = fd.findChild<QCheckBox*>("ReadOnlyBox") != nullptr;
        typeName(fd, "chapter");
        QMetaObject::invokeMethod(&fd, "accept");
    });
    TQtDialogs dialogs;
    ASSERT_TRUE(dialogs.executeSave(dialog));
    EXPECT_FALSE(hasReadOnlyBox);
    EXPECT_EQ(dialog.fileName, dir.file("chapter.txt"));
}

} // namespace
