#include "app/Unit1.h"
#include "platform/HelpViewer.h"

#include <QApplication>
#include <QDir>
#include <QScrollBar>
#include <QTextBrowser>
#include <gtest/gtest.h>

#include "tests/support/TestEnv.h"

namespace {

const QString kHelpFile = QStringLiteral(LARKPAD_BINARY_DIR "/Help.html");

} // namespace

TEST(HelpContents, HelpFileLiesBesideTheProgram) {
    TForm1 form;
    EXPECT_EQ(form.helpFile(), QDir(QApplication::applicationDirPath()).filePath("Help.html"));
}

TEST(HelpContents, OpensTheContentsInAWindowOwnedByTheMainWindow) {
    TForm1 form;
    form.setHelpFile(kHelpFile);
    EXPECT_EQ(form.HelpViewer, nullptr);
    form.HelpContents1Execute();
    ASSERT_NE(form.HelpViewer, nullptr);
    EXPECT_EQ(form.HelpViewer->parentWidget(), &form);
    EXPECT_TRUE(form.HelpViewer->isWindow());
    EXPECT_TRUE(form.HelpViewer->isVisible());
    const QString text = form.HelpViewer->browser()->toPlainText();
    EXPECT_TRUE(text.contains("Contents")) << text.left(200).toStdString();
    EXPECT_EQ(form.HelpViewer->browser()->verticalScrollBar()->value(), 0);

    // A second request reuses the window and returns to the contents.
    THelpViewer* first = form.HelpViewer;
    form.HelpViewer->browser()->verticalScrollBar()->setValue(
        form.HelpViewer->browser()->verticalScrollBar()->maximum());
    form.HelpContents1Execute();
    EXPECT_EQ(form.HelpViewer, first);
    EXPECT_EQ(form.HelpViewer->browser()->verticalScrollBar()->value(), 0);
}

TEST(HelpContents, MissingFileIsReportedInTheHelpWindowAndTheProgramGoesOn) {
    lptest::TempDir dir;
    TForm1 form;
    const QString missing = dir.file("Help.html");
    form.setHelpFile(missing);
    form.HelpContents1Execute();
    ASSERT_NE(form.HelpViewer, nullptr);
    EXPECT_TRUE(form.HelpViewer->isVisible());
    const QString text = form.HelpViewer->browser()->toPlainText();
    EXPECT_TRUE(text.startsWith("Cannot open the help file")) << text.toStdString();
    EXPECT_TRUE(text.contains(QDir::toNativeSeparators(missing)));

    // Once the file is there, the same window shows it.
    form.setHelpFile(kHelpFile);
    form.HelpContents1Execute();
    EXPECT_FALSE(form.HelpViewer->browser()->toPlainText().contains("Cannot open"));
}
