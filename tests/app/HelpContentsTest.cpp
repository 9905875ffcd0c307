#include "app/Unit1.h"
#include "platform/HelpViewer.h"
#include "settings/LpMRUList.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextDocument>
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

namespace {

// A menu item's text as the help names it: no "&" accelerators, no "..." of a dialog, and no value
// that the item shows after a colon ("Font Size: 12").
QString commandName(const QAction* action) {
    QString text = action->text().replace("&&", "\x01").remove(u'&').replace(u'\x01', u'&');
    text = text.section(": ", 0, 0).simplified();
    return text.endsWith("...") ? text.chopped(3) : text;
}

// Every command of a menu and its submenus; recent files and dictionaries are the author's data.
void collectCommands(const QMenu* menu, QList<QAction*>& out) {
    for (QAction* a : menu->actions()) {
        const auto* recent = dynamic_cast<const TLpMRUItem*>(a);
        if (a->isSeparator() || a->text().isEmpty() ||
            (recent && recent->Tag >= 0 && recent->Tag < 65535) ||
            (menu->objectName() == "SpellLanguage1" && a->isCheckable()))
            continue;
        out.append(a);
        if (a->menu())
            collectCommands(a->menu(), out);
    }
}

} // namespace

// The help names every command of the real window's menus, with its shortcut, and the menu bar as
// it is. A command added to a menu without its help fails here.
TEST(HelpContents, EveryMenuCommandAndItsShortcutIsInTheHelp) {
    TForm1 form;
    form.show();
    QFile file(kHelpFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QTextDocument document;
    document.setHtml(QString::fromUtf8(file.readAll()));
    const QString help = document.toPlainText().simplified();
    QList<QAction*> commands;
    QStringList bar;
    for (QAction* top : form.menuBar()->actions()) {
        bar << commandName(top);
        collectCommands(top->menu(), commands);
    }
    EXPECT_TRUE(help.contains("the menu bar (" + bar.join(", ") + ")"))
        << bar.join(", ").toStdString();
    EXPECT_GT(commands.size(), 60);
    for (const QAction* action : commands) {
        EXPECT_TRUE(help.contains(commandName(action), Qt::CaseInsensitive))
            << commandName(action).toStdString();
        for (const QKeySequence& keys : action->shortcuts())
            EXPECT_TRUE(help.contains(keys.toString(QKeySequence::PortableText)))
                << commandName(action).toStdString() << " " << keys.toString().toStdString();
    }
}
