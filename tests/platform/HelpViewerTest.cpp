#include "platform/HelpViewer.h"

#include <QDir>
#include <QTextBrowser>
#include <gtest/gtest.h>

#include "tests/support/TestEnv.h"

namespace {

const QString kHelpFile = QStringLiteral(LARKPAD_BINARY_DIR "/Help.html");

QString shownText(const QString& file, bool* ok = nullptr) {
    THelpViewer viewer(nullptr);
    const bool loaded = viewer.showContents(file);
    if (ok)
        *ok = loaded;
    return viewer.browser()->toPlainText();
}

} // namespace

TEST(HelpViewer, FolderOrEmptyFileIsReportedNotShownBlank) {
    lptest::TempDir dir;
    bool ok = true;
    QString text = shownText(dir.path(), &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(text.startsWith("Cannot open the help file")) << text.toStdString();

    ASSERT_TRUE(lptest::writeFile(dir.file("empty.html"), QByteArray()));
    text = shownText(dir.file("empty.html"), &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(text.contains("empty")) << text.toStdString();
}

TEST(HelpViewer, LinksInsideTheHelpStayInTheWindow) {
    lptest::TempDir dir;
    ASSERT_TRUE(lptest::writeFile(dir.file("a.html"),
                                  "<html><body><h1>Contents</h1><a href='b.html'>next</a>"
                                  "</body></html>"));
    ASSERT_TRUE(lptest::writeFile(dir.file("b.html"), "<html><body>Second page</body></html>"));
    THelpViewer viewer(nullptr);
    ASSERT_TRUE(viewer.showContents(dir.file("a.html")));
    viewer.browser()->setSource(QUrl("b.html"));
    EXPECT_TRUE(viewer.browser()->toPlainText().contains("Second page"));
    // Asking for the contents again goes back to the first page.
    ASSERT_TRUE(viewer.showContents(dir.file("a.html")));
    EXPECT_TRUE(viewer.browser()->toPlainText().startsWith("Contents"));
}

// The guide must speak of everything an author can write or do; a code or action added to the
// program without a word in the guide fails here.
TEST(HelpViewer, GuideCoversEveryCodeActionAndCommand) {
    bool ok = false;
    const QString text = shownText(kHelpFile, &ok);
    ASSERT_TRUE(ok) << text.toStdString();
    const char* const needed[] = {
        // codes
        "^B", "^b", "^I", "^i", "^U", "^u", "^X", "^x", "^R", "^r", "^C", "^c", "^T8", "^t", "^F12",
        "^f", "^P0", "^P15", "^p", "^M", "^m", "^L", "^l", "=:Target", "[",
        // actions, as written in pages
        "AlertBox", "Balloon", "DOSCommand", "Exit", "GotoPage", "GotoNextPage", "GotoPrevPage",
        "ImageWindow", "InternetLink", "PlaySoundFile", "PlayVideoFile", "PopupImage", "SetVar",
        "SoundBuzzer", "StickyNote", "StopMedia", "TextWindow",
        // and as the action box lists them where the names differ
        "DosCommand", "NextPage", "PreviousPage", "SounBuzzer",
        // commands and settings
        "New", "Open", "Save", "Save as", "Print", "Récents", "Copy", "Cut", "Paste", "Sellect All",
        "Word Wrap", "Assistants", "Font", "Text Folder", "Pictures Folder", "Sounds Folder",
        "Videos Folder", "Ctrl+S", "Ctrl+C", "Ctrl+X", "Ctrl+V", "Ctrl+W", "Ctrl+A", "Ctrl+F",
        "Larkpad/Larkpad.conf", "XDG_CONFIG_HOME",
        // the commands added since, their keys, and what happens around them
        "Undo", "Redo", "Ctrl+Y", "Find...", "Replace...", "Find Next", "Find Previous", "F3",
        "Ctrl+Shift+F", "Ctrl+H", "Go To Line", "Ctrl+G", "Check Markup", "F7", "F4", "Shift+F4",
        "Print Preview", "Export as PDF", "Exported to", "15 mm", "recovery copy",
        "changes the open page", "larkpad page.txt", "--help", "--version", "Alt+Left", "Alt+Right",
        "Esc closes the help window"};
    for (const char* word : needed)
        EXPECT_TRUE(text.contains(QString::fromUtf8(word))) << "missing: " << word;
    // The checker reads the markup now.
    EXPECT_FALSE(text.contains("Nothing is checked"));
}
