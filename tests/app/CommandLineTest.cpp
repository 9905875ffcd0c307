#include "app/CommandLine.h"

#include <QDir>
#include <gtest/gtest.h>

#include "tests/support/TestEnv.h"

namespace {

TCommandLine parse(const QStringList& args) {
    return parseCommandLine(QStringList{"/usr/bin/larkpad"} + args);
}

} // namespace

TEST(CommandLine, FilesAreTakenInOrderAndAfterDoubleDashEvenWithALeadingDash) {
    EXPECT_EQ(parse({}).files, QStringList{});
    const TCommandLine one = parse({"page.txt"});
    EXPECT_EQ(one.action, TCommandLine::Action::Run);
    EXPECT_EQ(one.files, QStringList{"page.txt"});
    EXPECT_EQ(parse({"a.txt", "b.txt"}).files, (QStringList{"a.txt", "b.txt"}));
    const TCommandLine dashed = parse({"--", "-notes.txt", "--help"});
    EXPECT_EQ(dashed.action, TCommandLine::Action::Run);
    EXPECT_EQ(dashed.files, (QStringList{"-notes.txt", "--help"}));
    // A lone dash is a file name, not an option.
    EXPECT_EQ(parse({"-"}).files, QStringList{"-"});
}

TEST(CommandLine, HelpAndVersionAnswerWithoutRunning) {
    for (const char* h : {"--help", "-h"}) {
        const TCommandLine help = parse({h, "page.txt"});
        EXPECT_EQ(help.action, TCommandLine::Action::ShowHelp);
        EXPECT_TRUE(help.output.startsWith("Usage: larkpad [options] [--] [file]"))
            << qPrintable(help.output);
        EXPECT_TRUE(help.output.contains("--version"));
        EXPECT_FALSE(help.output.contains("platform")) << "the toolkit's options stay hidden";
    }
    for (const char* v : {"--version", "-v"}) {
        const TCommandLine version = parse({v});
        EXPECT_EQ(version.action, TCommandLine::Action::ShowVersion);
        EXPECT_EQ(version.output, QString("Lark Pad %1\n").arg(LARKPAD_VERSION));
    }
}

TEST(CommandLine, AnUnknownOptionFailsWithAClearMessage) {
    for (const char* bad : {"--frobnicate", "-x", "--platform"}) {
        const TCommandLine r = parse({bad});
        EXPECT_EQ(r.action, TCommandLine::Action::Fail) << bad;
        EXPECT_TRUE(r.output.startsWith("larkpad: ")) << qPrintable(r.output);
        EXPECT_TRUE(r.output.contains("--help")) << qPrintable(r.output);
    }
    EXPECT_EQ(kBadOptionStatus, 2);
}

TEST(CommandLine, ToolkitOptionsAreHandedOnWithTheirValues) {
    const TCommandLine r = parse({"-platform", "offscreen", "page.txt", "-reverse"});
    EXPECT_EQ(r.action, TCommandLine::Action::Run);
    EXPECT_EQ(r.toolkitArgs, (QStringList{"-platform", "offscreen", "-reverse"}));
    EXPECT_EQ(r.files, QStringList{"page.txt"});
}

TEST(HelpLocation, BesideTheProgramFirstThenTheInstalledDataFolder) {
    lptest::TempDir root;
    const QString bin = root.file("bin");
    ASSERT_TRUE(QDir().mkpath(bin));
    const QString beside = QDir(bin).filePath("Help.html");
    // Neither: the path beside the program, for the help window to report.
    EXPECT_EQ(locateHelpFile(bin), beside);

    const QString installed = root.file("share/larkpad/Help.html");
    ASSERT_TRUE(lptest::writeFile(installed, "<html></html>"));
    EXPECT_EQ(locateHelpFile(bin), installed);

    ASSERT_TRUE(lptest::writeFile(beside, "<html></html>"));
    EXPECT_EQ(locateHelpFile(bin), beside);
}
