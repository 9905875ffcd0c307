// What one key makes the window do besides editing and repainting its line: nothing that lays
// the window out again (a layout of the window creates its docks' animations, at every key) and no
// question to the clipboard (a round trip to the display server, and to the clipboard's owner).

#include "app/FindBar.h"
#include "app/Unit1.h"
#include "editor/ColMemo.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class TLayoutCounter : public QObject {
public:
    QStringList layouts;
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::LayoutRequest && watched->isWidgetType())
            layouts << QString::fromLatin1(watched->metaObject()->className()) + " " +
                           watched->objectName();
        return false;
    }
};

} // namespace

TEST(KeyPath, TypingLaysNoPartOfTheWindowOutAgain) {
    TForm1 form;
    form.resize(900, 600);
    form.show();
    QApplication::setActiveWindow(&form);
    form.Clm1->SetText("the first line\r\nthe second line");
    // The find bar open with a message, as after a search.
    form.EditFind1Click();
    form.FindBar1->FindEdit->setText("line");
    form.FindBar1->Message->setText("Passed the end of the page");
    form.Clm1->setFocus();
    form.Clm1->moveCursor(QTextCursor::End);
    // The first key changes the page's state ("Modified") and clears the message: laid out once.
    QTest::keyClick(form.Clm1, Qt::Key_X);
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }

    TLayoutCounter counter;
    qApp->installEventFilter(&counter);
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(form.Clm1, Qt::Key_Y);
        QApplication::processEvents();
    }
    qApp->removeEventFilter(&counter);
    EXPECT_EQ(counter.layouts, QStringList());
    EXPECT_EQ(form.StatusPanel2->text(), "2:22");
}

TEST(KeyPath, PasteFollowsTheClipboardWithoutAskingItAtEachKey) {
    TForm1 form;
    form.show();
    QApplication::setActiveWindow(&form);
    form.Clm1->setFocus();
    QApplication::clipboard()->clear();
    QApplication::processEvents();
    EXPECT_FALSE(form.EditPaste1->isEnabled());
    QApplication::clipboard()->setText("pasted");
    QApplication::processEvents();
    EXPECT_TRUE(form.EditPaste1->isEnabled());
    QTest::keyClick(form.Clm1, Qt::Key_A, Qt::ShiftModifier);
    EXPECT_TRUE(form.EditPaste1->isEnabled());
    QApplication::clipboard()->clear();
    QApplication::processEvents();
    EXPECT_FALSE(form.EditPaste1->isEnabled());
}
