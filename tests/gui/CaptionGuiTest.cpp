// Captions as the display shows them, read back from the X server.
#include "app/About.h"
#include "app/AppIdentity.h"
#include "platform/HelpViewer.h"

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The title the window system holds for a window, as "xprop" prints it.
QString shownTitle(const QWidget& w) {
    QProcess p;
    p.start("xprop", {"-id", QString::number(w.winId()), "_NET_WM_NAME"});
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return {};
    const QString out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    const qsizetype quote = out.indexOf('"');
    return quote < 0 ? QString() : out.mid(quote + 1).chopped(1);
}

} // namespace

TEST(CaptionGui, WindowsShowTheirOwnCaptionOnly) {
    if (QGuiApplication::platformName() != "xcb")
        GTEST_SKIP() << "needs an X display";
    if (QStandardPaths::findExecutable("xprop").isEmpty())
        GTEST_SKIP() << "xprop is not installed";
    nameApplication();
    EXPECT_EQ(QApplication::applicationName(), "Lark Pad");
    // The error box takes the application's name as its caption.
    EXPECT_EQ(QApplication::applicationDisplayName(), "Lark Pad");

    TAboutBox about(nullptr);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    EXPECT_EQ(shownTitle(about), "A propos");
    about.hide();

    THelpViewer help(nullptr);
    help.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    EXPECT_EQ(shownTitle(help), "Lark Pad Help");
}
